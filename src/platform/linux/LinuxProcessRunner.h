#pragma once

#include "platform/ProcessRunner.h"

#include <sys/types.h>

namespace qv::platform {

/// A program started by LinuxProcessRunner. Destroying it does not end the program.
class LinuxChildProcess final : public ChildProcess {
public:
    explicit LinuxChildProcess(pid_t pid) : pid_(pid) {}
    ~LinuxChildProcess() override;
    bool finished() override;
    pid_t pid() const { return pid_; }

private:
    pid_t pid_;
    bool reaped_ = false;
};

/// posix_spawn with an argument vector (no shell): a program named without a '/' is looked up on PATH. The child
/// starts with no signal blocked and default dispositions, whatever this program's threads block.
class LinuxProcessRunner final : public ProcessRunner {
public:
    std::unique_ptr<ChildProcess> start(const std::string& program, const std::vector<std::string>& args,
                                        std::string& errorText) override;
};

} // namespace qv::platform
