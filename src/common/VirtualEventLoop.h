#pragma once

#include "common/Clock.h"
#include "common/EventLoop.h"
#include "common/TimerSet.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace qv {

/// The event loop in virtual time: nothing waits for real. `pumpWait(ms)` moves virtual time forward and fires
/// every timer that falls due, in order of due time, nested waits included, so a minute of timers runs in
/// microseconds and always the same way. Only one thread drives it; post/invoke from other threads are queued.
class VirtualEventLoop final : public EventLoop {
public:
    VirtualEventLoop();
    ~VirtualEventLoop() override;

    std::unique_ptr<Timer> createTimer(int intervalMs, bool enabled, std::function<void()> onTick) override;
    void pumpWait(int ms) override;
    void post(std::function<void()> work) override;
    void invoke(std::function<void()> work) override;
    std::uint64_t tickCount() const override { return now_; }

    /// Test driver: the same as a wait at the top level.
    void advance(int ms) { pumpWait(ms); }
    /// Runs posted work without moving time.
    void runPosted();
    /// Depth of nested waits right now (0 at the top level).
    int waitDepth() const { return depth_; }

private:
    std::uint64_t now_ = 0;
    int depth_ = 0;
    TimerSet timers_{[this] { return now_; }};
    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
};

/// A clock that moves with a virtual event loop's tick count from a given start.
class VirtualClock final : public Clock {
public:
    VirtualClock(const VirtualEventLoop& loop, double start)
        : loop_(loop), start_(start), startTick_(loop.tickCount()) {}
    double now() const override;
    /// Moves the wall clock without moving the loop (a clock change, or a jump to a chosen moment).
    void set(double oleNow);

private:
    const VirtualEventLoop& loop_;
    double start_;
    std::uint64_t startTick_;
};

} // namespace qv
