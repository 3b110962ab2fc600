#include "RealTimeEventLoop.h"

#include <algorithm>
#include <future>

namespace qv::lab {

struct RealTimeEventLoop::Slot {
    int interval = 0;
    bool enabled = false;
    std::uint64_t due = 0;
    std::uint64_t armSeq = 0; // among timers due at the same moment, the earlier armed fires first
    std::shared_ptr<std::function<void()>> onTick;
};

class RealTimeEventLoop::RealTimer final : public Timer {
public:
    RealTimer(RealTimeEventLoop& loop, std::shared_ptr<Slot> slot) : loop_(loop), slot_(std::move(slot)) {}
    ~RealTimer() override {
        slot_->enabled = false;
        std::erase(loop_.slots_, slot_);
    }
    void setInterval(int ms) override {
        slot_->interval = std::max(ms, 0);
        if (slot_->enabled)
            arm();
    }
    int interval() const override { return slot_->interval; }
    void setEnabled(bool on) override {
        if (on == slot_->enabled)
            return;
        slot_->enabled = on;
        if (on)
            arm();
    }
    bool enabled() const override { return slot_->enabled; }

private:
    void arm() {
        slot_->due = loop_.tickCount() + static_cast<std::uint64_t>(slot_->interval);
        slot_->armSeq = ++loop_.armSeq_;
    }
    RealTimeEventLoop& loop_;
    std::shared_ptr<Slot> slot_;
};

RealTimeEventLoop::RealTimeEventLoop() : start_(Clock::now()), uiThread_(std::this_thread::get_id()) {}

RealTimeEventLoop::~RealTimeEventLoop() = default;

std::uint64_t RealTimeEventLoop::tickCount() const {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count());
}

std::unique_ptr<Timer> RealTimeEventLoop::createTimer(int intervalMs, bool enabled, std::function<void()> onTick) {
    auto slot = std::make_shared<Slot>();
    slot->onTick = std::make_shared<std::function<void()>>(std::move(onTick));
    slots_.push_back(slot);
    auto timer = std::make_unique<RealTimer>(*this, slot);
    timer->setInterval(intervalMs);
    timer->setEnabled(enabled);
    return timer;
}

std::shared_ptr<RealTimeEventLoop::Slot> RealTimeEventLoop::nextDue(std::uint64_t now) {
    std::shared_ptr<Slot> best;
    for (const auto& s : slots_) {
        if (!s->enabled || s->interval == 0 || s->due > now)
            continue;
        if (!best || s->due < best->due || (s->due == best->due && s->armSeq < best->armSeq))
            best = s;
    }
    return best;
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
        // Held by value: the handler may destroy its own timer. Re-armed before it runs, so a handler that waits
        // inside sees its own timer tick again, as window timers do. Past the deadline nothing more fires, so a
        // handler slower than its own interval cannot hold the wait for good.
        if (const auto due = now <= deadline ? nextDue(now) : nullptr) {
            due->due = now + static_cast<std::uint64_t>(due->interval);
            due->armSeq = ++armSeq_;
            const auto tick = due->onTick;
            if (tick && *tick)
                (*tick)();
            continue;
        }
        if (now >= deadline)
            break;
        std::uint64_t wakeAt = deadline;
        for (const auto& s : slots_)
            if (s->enabled && s->interval > 0)
                wakeAt = std::min(wakeAt, s->due);
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
