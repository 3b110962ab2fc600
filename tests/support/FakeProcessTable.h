#pragma once

#include "platform/ProcessTable.h"

#include <algorithm>
#include <vector>

namespace qv::test {

/// The user's processes as a list the test sets; an ended process leaves the list.
class FakeProcessTable final : public platform::ProcessTable {
public:
    std::vector<platform::RunningProcess> running;
    std::vector<int> terminated;

    std::vector<platform::RunningProcess> ownProcesses() override { return running; }
    bool terminate(int pid) override {
        const auto it = std::find_if(running.begin(), running.end(), [&](const auto& p) { return p.pid == pid; });
        if (it == running.end())
            return false;
        terminated.push_back(pid);
        running.erase(it);
        return true;
    }
};

} // namespace qv::test
