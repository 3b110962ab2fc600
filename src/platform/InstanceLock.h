#pragma once

#include <string>

namespace qv::platform {

/// Tells whether another copy of the program runs from the same application directory. The first caller holds
/// the lock until the process ends; copies from other application directories do not see each other.
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    /// True when this process is the only copy (and now holds the lock).
    virtual bool acquire(const std::string& appDir) = 0;
};

} // namespace qv::platform
