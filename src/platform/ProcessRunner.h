#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qv::platform {

/// A started program.
class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    /// Non-blocking: has it ended? (reaps it when it has)
    virtual bool finished() = 0;
};

/// Starts programs with an argument vector, never through a shell.
class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;
    /// The started program, or nothing with `errorText` set to the system's text for the failure.
    virtual std::unique_ptr<ChildProcess> start(const std::string& program, const std::vector<std::string>& args,
                                                std::string& errorText) = 0;
};

} // namespace qv::platform
