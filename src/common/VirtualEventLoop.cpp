#include "common/VirtualEventLoop.h"

#include <algorithm>
#include <future>

namespace qv {

VirtualEventLoop::VirtualEventLoop() = default;
VirtualEventLoop::~VirtualEventLoop() = default;

std::unique_ptr<Timer> VirtualEventLoop::createTimer(int intervalMs, bool enabled, std::function<void()> onTick) {
    return timers_.create(intervalMs, enabled, std::move(onTick));
}

void VirtualEventLoop::pumpWait(int ms) {
    ++depth_;
    const std::uint64_t deadline = now_ + static_cast<std::uint64_t>(std::max(ms, 0));
    for (;;) {
        runPosted();
        const auto due = timers_.nextDue();
        if (!due || *due > deadline)
            break;
        // Time jumps to the moment the timer falls due; nested waits move it further.
        now_ = std::max(now_, *due);
        timers_.fireDue(now_);
    }
    now_ = std::max(now_, deadline);
    runPosted();
    --depth_;
}

void VirtualEventLoop::runPosted() {
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(postedMutex_);
            if (posted_.empty())
                return;
            work = std::move(posted_.front());
            posted_.pop_front();
        }
        work();
    }
}

void VirtualEventLoop::post(std::function<void()> work) {
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(work));
}

void VirtualEventLoop::invoke(std::function<void()> work) {
    // Callers on other threads wait until the driving thread pumps; the driving thread itself would deadlock, so
    // tests call invoke only from workers.
    std::promise<void> done;
    auto finished = done.get_future();
    post([&] {
        work();
        done.set_value();
    });
    finished.wait();
}

double VirtualClock::now() const {
    return start_ + static_cast<double>(loop_.tickCount() - startTick_) / 86'400'000.0;
}

void VirtualClock::set(double oleNow) {
    start_ = oleNow;
    startTick_ = loop_.tickCount();
}

} // namespace qv
