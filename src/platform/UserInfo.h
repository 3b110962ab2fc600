#pragma once

#include <optional>
#include <string>

namespace qv::platform {

/// The logon name of the user running the program.
class UserInfo {
public:
    virtual ~UserInfo() = default;
    /// Nothing when the name cannot be read.
    virtual std::optional<std::string> userName() const = 0;
};

} // namespace qv::platform
