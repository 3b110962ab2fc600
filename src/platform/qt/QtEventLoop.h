#pragma once

#include "common/EventLoop.h"

#include <QElapsedTimer>

#include <memory>

class QObject;

namespace qv::platform {

/// The program's event loop on Qt's: timers are QTimers, the message-pumping wait is a nested QEventLoop.
/// Construct it on the UI thread after the QApplication; that thread is the one post/invoke deliver to.
/// Timers created here must not outlive it (a timer that does is inert from then on).
class QtEventLoop final : public EventLoop {
public:
    QtEventLoop();
    ~QtEventLoop() override;

    std::unique_ptr<Timer> createTimer(int intervalMs, bool enabled, std::function<void()> onTick) override;
    void pumpWait(int ms) override;
    void post(std::function<void()> work) override;
    void invoke(std::function<void()> work) override;
    std::uint64_t tickCount() const override;

private:
    std::unique_ptr<QObject> context_; // lives on the UI thread: receiver of posted work, parent of the timers
    QElapsedTimer clock_;
};

} // namespace qv::platform
