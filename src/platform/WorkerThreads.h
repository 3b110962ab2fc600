#pragma once

#include <functional>

namespace qv::platform {

/// Threads beside the UI thread for work that blocks: the mail check and the new-mail sound. Each start gets a
/// thread of its own that ends with its work; several may run at once.
class WorkerThreads {
public:
    virtual ~WorkerThreads() = default;

    /// Runs `work` on a new thread and returns at once. What `work` throws ends its thread quietly. Work still running
    /// when the service is destroyed is waited for, so whatever it uses must outlive the service or be owned by it.
    virtual void start(std::function<void()> work) = 0;

    /// A worker's pause: blocks the calling worker thread for `ms` milliseconds. Never called on the UI thread.
    virtual void sleep(int ms) = 0;
};

} // namespace qv::platform
