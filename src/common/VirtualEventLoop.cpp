#include "common/VirtualEventLoop.h"

#include <algorithm>
#include <future>

namespace qv {

struct VirtualEventLoop::Slot {
    int interval = 1;
    bool enabled = false;
    std::uint64_t due = 0;
    std::uint64_t armSeq = 0; // breaks ties between timers due at the same moment: earlier armed fires first
    std::function<void()> onTick;
};

class VirtualEventLoop::VirtualTimer final : public Timer {
public:
    VirtualTimer(VirtualEventLoop& loop, std::shared_ptr<Slot> slot) : loop_(loop), slot_(std::move(slot)) {}
    ~VirtualTimer() override {
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
        slot_->due = loop_.now_ + static_cast<std::uint64_t>(slot_->interval);
        slot_->armSeq = ++loop_.seq_;
    }
    VirtualEventLoop& loop_;
    std::shared_ptr<Slot> slot_;
};

VirtualEventLoop::VirtualEventLoop() = default;
VirtualEventLoop::~VirtualEventLoop() = default;

std::unique_ptr<Timer> VirtualEventLoop::createTimer(int intervalMs, bool enabled, std::function<void()> onTick) {
    auto slot = std::make_shared<Slot>();
    slot->onTick = std::move(onTick);
    slots_.push_back(slot);
    auto timer = std::make_unique<VirtualTimer>(*this, slot);
    timer->setInterval(intervalMs);
    timer->setEnabled(enabled);
    return timer;
}

std::shared_ptr<VirtualEventLoop::Slot> VirtualEventLoop::nextDue(std::uint64_t deadline) {
    std::shared_ptr<Slot> best;
    for (const auto& s : slots_) {
        if (!s->enabled || s->interval == 0 || s->due > deadline)
            continue;
        if (!best || s->due < best->due || (s->due == best->due && s->armSeq < best->armSeq))
            best = s;
    }
    return best;
}

void VirtualEventLoop::pumpWait(int ms) {
    ++depth_;
    const std::uint64_t deadline = now_ + static_cast<std::uint64_t>(std::max(ms, 0));
    for (;;) {
        runPosted();
        // Held by value so the slot outlives a handler that destroys its own timer.
        std::shared_ptr<Slot> due = nextDue(deadline);
        if (!due)
            break;
        now_ = std::max(now_, due->due);
        due->due = now_ + static_cast<std::uint64_t>(due->interval);
        due->armSeq = ++seq_;
        auto tick = due->onTick; // the handler may replace or drop the callback while it runs
        if (tick)
            tick();
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
