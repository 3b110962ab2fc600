#pragma once

#include "common/EventLoop.h"
#include "common/TimerSet.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qv::lab {

/// The event loop in real time, without Qt: the lab drives the real Linux services, whose threads post their
/// results while the test's thread waits. Window-timer semantics as the program's loop has them (interval 0 =
/// enabled but silent, a new interval restarts a running timer); `pumpWait` runs due timers, re-entrantly, and
/// posted work until its deadline and sleeps on a condition variable in between. The thread that constructs it
/// is the UI thread.
class RealTimeEventLoop final : public EventLoop {
public:
    RealTimeEventLoop();
    ~RealTimeEventLoop() override;

    std::unique_ptr<Timer> createTimer(int intervalMs, bool enabled, std::function<void()> onTick) override;
    void pumpWait(int ms) override;
    void post(std::function<void()> work) override;
    void invoke(std::function<void()> work) override;
    std::uint64_t tickCount() const override;

    /// Pumps in short waits until `done` holds or `ms` have passed; whether it holds.
    bool pumpUntil(const std::function<bool()>& done, int ms);

private:
    using Clock = std::chrono::steady_clock;

    bool runPosted();

    const Clock::time_point start_;
    const std::thread::id uiThread_;
    TimerSet timers_{[this] { return tickCount(); }};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> posted_;
};

} // namespace qv::lab
