#include "common/TimerSet.h"

#include <algorithm>

namespace qv {

struct TimerSet::Slot {
    int interval = 0;
    bool enabled = false;
    std::uint64_t due = 0;
    std::uint64_t armSeq = 0;
    std::function<void()> onTick;
};

class TimerSet::SetTimer final : public Timer {
public:
    SetTimer(TimerSet& set, std::shared_ptr<Slot> slot) : set_(set), slot_(std::move(slot)) {}
    ~SetTimer() override {
        slot_->enabled = false;
        std::erase(set_.slots_, slot_);
    }
    void setInterval(int ms) override {
        slot_->interval = std::max(ms, 0);
        if (slot_->enabled)
            set_.arm(*slot_);
    }
    int interval() const override { return slot_->interval; }
    void setEnabled(bool on) override {
        if (on == slot_->enabled)
            return;
        slot_->enabled = on;
        if (on)
            set_.arm(*slot_);
    }
    bool enabled() const override { return slot_->enabled; }

private:
    TimerSet& set_;
    std::shared_ptr<Slot> slot_;
};

TimerSet::TimerSet(std::function<std::uint64_t()> now) : now_(std::move(now)) {}

TimerSet::~TimerSet() = default;

std::unique_ptr<Timer> TimerSet::create(int intervalMs, bool enabled, std::function<void()> onTick) {
    auto slot = std::make_shared<Slot>();
    slot->onTick = std::move(onTick);
    slots_.push_back(slot);
    auto timer = std::make_unique<SetTimer>(*this, slot);
    timer->setInterval(intervalMs);
    timer->setEnabled(enabled);
    return timer;
}

void TimerSet::arm(Slot& slot) {
    slot.due = now_() + static_cast<std::uint64_t>(slot.interval);
    slot.armSeq = ++armSeq_;
}

std::shared_ptr<TimerSet::Slot> TimerSet::first() const {
    std::shared_ptr<Slot> best;
    for (const auto& s : slots_) {
        // An interval of 0 keeps a window timer enabled but silent.
        if (!s->enabled || s->interval == 0)
            continue;
        if (!best || s->due < best->due || (s->due == best->due && s->armSeq < best->armSeq))
            best = s;
    }
    return best;
}

std::optional<std::uint64_t> TimerSet::nextDue() const {
    if (const auto s = first())
        return s->due;
    return std::nullopt;
}

bool TimerSet::fireDue(std::uint64_t limit) {
    // Held by value so the slot outlives a handler that destroys its own timer.
    const std::shared_ptr<Slot> due = first();
    if (!due || due->due > limit)
        return false;
    arm(*due);
    auto tick = due->onTick; // the handler may replace or drop the callback while it runs
    if (tick)
        tick();
    return true;
}

} // namespace qv
