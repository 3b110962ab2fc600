#include "shell/TimerSchedule.h"

#include <stdexcept>

namespace qv::shell {

const std::array<TimerSchedule::Entry, TimerSchedule::kCount - 1>& TimerSchedule::table() {
    static const std::array<Entry, kCount - 1> kTable{{
        {1, 1000, true},      // connection handle refresh
        {2, 8000, false},     // automatic connect (one-shot)
        {3, 1000, false},     // modem status poll (one-shot)
        {4, 1000, false},     // speeds, totals, data rule
        {5, 1000, false},     // time rule
        {7, 10000, false},    // reconnect (one-shot); the countdown sets the reconnect delay
        {8, 1000, false},     // connection clock
        {9, 1000, false},     // download-drop rule
        {10, 2000, false},    // start-up modem restart (one-shot)
        {11, 1000, false},    // floating-window warning colours
        {12, 1000, false},    // clear the connection values (one-shot)
        {13, 5, false},       // start the packet capture (one-shot)
        {14, 1000, false},    // shutdown countdown
        {15, 1000, false},    // midnight cut of the running record
        {16, 3600000, false}, // periodic save; set from the settings at each connection
        {17, 4000, false},    // ping liveness check
        {18, 60000, false},   // dial retry after errors 720/721 (one-shot)
        {19, 1000, true},     // external application rules
        {20, 10000, true},    // mail check; later the mail interval
        {21, 1000, true},     // scheduled connect and disconnect
        {22, 1000, true},     // second-start signal poll
    }};
    return kTable;
}

TimerSchedule::TimerSchedule(EventLoop& loop) {
    for (const Entry& e : table()) {
        const int n = e.number;
        timers_[n] = loop.createTimer(e.intervalMs, e.runningAtStart, [this, n] {
            // A copy: a handler may install another handler for its own timer while it runs.
            if (auto handler = handlers_[n])
                handler();
        });
    }
}

Timer& TimerSchedule::timer(int n) {
    if (n < 1 || n > kCount || !timers_[n])
        throw std::out_of_range("no such timer");
    return *timers_[n];
}

void TimerSchedule::setHandler(int n, std::function<void()> onTick) {
    timer(n); // validates n
    handlers_[n] = std::move(onTick);
}

} // namespace qv::shell
