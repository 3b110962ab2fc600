#include "platform/linux/LinuxWorkerThreads.h"

#include <chrono>

namespace qv::platform {

LinuxWorkerThreads::~LinuxWorkerThreads() {
    std::vector<Worker> all;
    {
        const std::lock_guard hold(mutex_);
        all.swap(workers_);
    }
    for (Worker& w : all)
        w.thread.join();
}

void LinuxWorkerThreads::joinFinished() {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

void LinuxWorkerThreads::start(std::function<void()> work) {
    const std::lock_guard hold(mutex_);
    joinFinished();
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([work = std::move(work), done] {
        try {
            work();
        } catch (...) {
            // A worker's failure ends its own work only.
        }
        *done = true;
    });
    workers_.push_back({std::move(thread), std::move(done)});
}

void LinuxWorkerThreads::sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::size_t LinuxWorkerThreads::unjoined() {
    const std::lock_guard hold(mutex_);
    joinFinished();
    return workers_.size();
}

} // namespace qv::platform
