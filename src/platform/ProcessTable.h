#pragma once

#include <string>
#include <vector>

namespace qv::platform {

/// A running process as the process table shows it.
struct RunningProcess {
    int pid = 0;
    std::string exeName; ///< the executable's file name, without its directory
};

/// The running processes of this program's user, and their ending. Other users' processes are never listed, so
/// they are never ended.
class ProcessTable {
public:
    virtual ~ProcessTable() = default;
    /// The user's processes in process-id order, this program itself left out.
    virtual std::vector<RunningProcess> ownProcesses() = 0;
    /// Asks the process to end (it may tidy up first). False when it is gone or not ours.
    virtual bool terminate(int pid) = 0;
};

/// Where the program cannot see the process table: no processes, nothing to end.
class NoProcessTable final : public ProcessTable {
public:
    std::vector<RunningProcess> ownProcesses() override { return {}; }
    bool terminate(int) override { return false; }
};

} // namespace qv::platform
