#pragma once

namespace qv::platform {

/// Asks the machine for an orderly power-off. Programs are not forced to close, and the answer is not looked at:
/// a request the system refuses changes nothing, and the caller may simply ask again later.
class Shutdown {
public:
    virtual ~Shutdown() = default;
    virtual void powerOff() = 0;
};

} // namespace qv::platform
