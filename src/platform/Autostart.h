#pragma once

namespace qv::platform {

/// Starting this program when the user logs on (the desktop's autostart entry for it).
class Autostart {
public:
    virtual ~Autostart() = default;
    /// Writes the entry, replacing one that exists. False when it could not be written; nothing half-written stays.
    virtual bool enable() = 0;
    /// Removes the entry. True when no entry is left (also when there was none).
    virtual bool disable() = 0;
};

} // namespace qv::platform
