#pragma once

#include <optional>
#include <string>

namespace qv::platform {

/// Facts about the running process.
class ProcessEnvironment {
public:
    virtual ~ProcessEnvironment() = default;
    /// Full path of the running executable.
    virtual std::string executablePath() const = 0;
    /// An environment variable, nothing when unset.
    virtual std::optional<std::string> variable(const std::string& name) const = 0;
};

} // namespace qv::platform
