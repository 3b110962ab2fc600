#pragma once

#include "platform/WorkerThreads.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qv::platform {

/// One std::thread per piece of work. Threads that have ended are joined at the next start; the destructor waits
/// for those still running. Threads inherit the creating thread's signal mask (the termination signals stay
/// blocked, as TerminationSignals wants).
class LinuxWorkerThreads final : public WorkerThreads {
public:
    LinuxWorkerThreads() = default;
    ~LinuxWorkerThreads() override;
    LinuxWorkerThreads(const LinuxWorkerThreads&) = delete;
    LinuxWorkerThreads& operator=(const LinuxWorkerThreads&) = delete;

    void start(std::function<void()> work) override;
    void sleep(int ms) override;

    /// Threads started and not yet joined (for tests).
    std::size_t unjoined();

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void joinFinished(); // with mutex_ held

    std::mutex mutex_;
    std::vector<Worker> workers_;
};

} // namespace qv::platform
