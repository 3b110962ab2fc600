#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace qv {

/// A window-style timer: fires its tick callback every interval milliseconds on the UI thread while enabled.
/// Setting the interval of a running timer restarts its period. A one-shot timer disables itself in its tick.
/// Owned by whoever created it; destroying it stops it.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;
    void start() { setEnabled(true); }
    void stop() { setEnabled(false); }
};

/// The UI thread's event loop as the logic sees it. Every method but post/invoke is UI-thread only.
class EventLoop {
public:
    virtual ~EventLoop() = default;

    /// A new timer; the callback runs on the UI thread. A timer whose interval is 0 (or less) does not fire even
    /// while enabled, as window timers behave.
    virtual std::unique_ptr<Timer> createTimer(int intervalMs, bool enabled, std::function<void()> onTick) = 0;

    /// The message-pumping wait: returns once `ms` milliseconds have passed, running due timers and posted
    /// work meanwhile. Handlers (the waiting one's own timer included) may re-enter inside it.
    virtual void pumpWait(int ms) = 0;

    /// Hands work to the UI thread; callable from any thread.
    virtual void post(std::function<void()> work) = 0;

    /// Like post, but the calling thread waits until the work has run. On the UI thread it runs at once.
    virtual void invoke(std::function<void()> work) = 0;

    /// Milliseconds since an arbitrary start; only differences mean anything.
    virtual std::uint64_t tickCount() const = 0;
};

} // namespace qv
