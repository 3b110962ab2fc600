#pragma once

#include "common/VirtualEventLoop.h"

#include <chrono>
#include <functional>
#include <thread>

namespace qv::platform {

/// Runs the loop's posted work until `done` holds, for `ms` at most: real threads post to it in their own time.
template <class Done>
bool pumpUntil(VirtualEventLoop& loop, Done done, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        loop.runPosted();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

/// Waits until `done` holds, for `ms` at most: for what another process or thread does.
inline bool becomesTrue(const std::function<bool()>& done, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace qv::platform
