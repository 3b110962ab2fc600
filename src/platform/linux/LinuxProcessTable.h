#pragma once

#include "platform/ProcessTable.h"

#include <string>

namespace qv::platform {

/// The process table from /proc: a process counts as the user's when its real user id is ours. Its name is the
/// file name of /proc/PID/exe (the whole name, where `comm` keeps only 15 characters), or `comm` where the link
/// cannot be read. Ending sends SIGTERM.
class LinuxProcessTable final : public ProcessTable {
public:
    /// `procRoot` is where the proc file system is mounted.
    explicit LinuxProcessTable(std::string procRoot = "/proc") : procRoot_(std::move(procRoot)) {}
    std::vector<RunningProcess> ownProcesses() override;
    bool terminate(int pid) override;

private:
    std::string procRoot_;
};

} // namespace qv::platform
