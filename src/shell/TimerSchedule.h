#pragma once

#include "common/EventLoop.h"

#include <array>
#include <functional>
#include <memory>

namespace qv::shell {

/// The main window's timers `Timer1` … `Timer22` (there is no Timer6) with their intervals and start states.
/// The subsystem that owns a timer's job installs its tick handler; a timer without a handler ticks idly.
class TimerSchedule {
public:
    explicit TimerSchedule(EventLoop& loop);

    /// Timer n (1 … 22, not 6).
    Timer& timer(int n);
    void setHandler(int n, std::function<void()> onTick);

    static constexpr int kCount = 22;
    struct Entry {
        int number;
        int intervalMs;
        bool runningAtStart;
    };
    static const std::array<Entry, kCount - 1>& table();

private:
    std::array<std::unique_ptr<Timer>, kCount + 1> timers_;
    std::array<std::function<void()>, kCount + 1> handlers_;
};

} // namespace qv::shell
