#pragma once

#include "common/EventLoop.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

/// The window-style timers of an event loop that keeps its own time: arming, which timer is due next, and firing
/// it. Every loop over a millisecond tick count (virtual or real) shares it; the loop decides when to look.
/// Timers due at the same moment fire in the order they were armed. Single-threaded: the loop's thread only.
class TimerSet {
public:
    /// `now` is the loop's tick count.
    explicit TimerSet(std::function<std::uint64_t()> now);
    ~TimerSet();
    TimerSet(const TimerSet&) = delete;
    TimerSet& operator=(const TimerSet&) = delete;

    std::unique_ptr<Timer> create(int intervalMs, bool enabled, std::function<void()> onTick);

    /// When the next running timer falls due, or nothing when none runs.
    std::optional<std::uint64_t> nextDue() const;
    /// Fires the timer due first if it is due at or before `limit`: it is re-armed from the current tick count
    /// before its handler runs, so a handler that waits sees its own timer tick again. False when none is due.
    bool fireDue(std::uint64_t limit);

private:
    struct Slot;
    class SetTimer;

    std::shared_ptr<Slot> first() const;
    void arm(Slot& slot);

    std::function<std::uint64_t()> now_;
    std::uint64_t armSeq_ = 0;
    std::vector<std::shared_ptr<Slot>> slots_;
};

} // namespace qv
