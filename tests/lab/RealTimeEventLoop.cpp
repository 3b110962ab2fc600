#include "RealTimeEventLoop.h"

#include <algorithm>
#include <future>

namespace qv::lab {

RealTimeEventLoop::RealTimeEventLoop() : start_(Clock::now()), uiThread_(std::this_thread::get_id()) {}

RealTimeEventLoop::~RealTimeEventLoop() = default;

std::uint64_t RealTimeEventLoop::tickCount() const {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count());
}

std::unique_ptr<Timer> RealTimeEventLoop::createTimer(int intervalMs, bool enabled, std::function<void()> onTick) {
    return timers_.create(intervalMs, enabled, std::move(onTick));
}

bool RealTimeEventLoop::runPosted() {
    bool ran = false;
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(mutex_);
            if (posted_.empty())
                return ran;
            work = std::move(posted_.front());
            posted_.pop_front();
        }
        work();
        ran = true;
    }
}

void RealTimeEventLoop::pumpWait(int ms) {
    const std::uint64_t deadline = tickCount() + static_cast<std::uint64_t>(std::max(ms, 0));
    for (;;) {
        runPosted();
        const std::uint64_t now = tickCount();
        // Past the deadline nothing more fires, so a handler slower than its own interval cannot hold the wait.
        if (now <= deadline && timers_.fireDue(now))
            continue;
        if (now >= deadline)
            break;
        const std::uint64_t wakeAt = std::min(deadline, timers_.nextDue().value_or(deadline));
        std::unique_lock lock(mutex_);
        if (posted_.empty() && wakeAt > now)
            wake_.wait_for(lock, std::chrono::milliseconds(wakeAt - now));
    }
}

bool RealTimeEventLoop::pumpUntil(const std::function<bool()>& done, int ms) {
    const std::uint64_t deadline = tickCount() + static_cast<std::uint64_t>(std::max(ms, 0));
    while (!done()) {
        const std::uint64_t now = tickCount();
        if (now >= deadline)
            return false;
        pumpWait(static_cast<int>(std::min<std::uint64_t>(deadline - now, 20)));
    }
    return true;
}

void RealTimeEventLoop::post(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(work));
    }
    wake_.notify_all();
}

void RealTimeEventLoop::invoke(std::function<void()> work) {
    if (std::this_thread::get_id() == uiThread_) {
        work();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    post([&] {
        work();
        done.set_value();
    });
    finished.wait();
}

} // namespace qv::lab
