#include "platform/qt/QtEventLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace qv::platform {

namespace {

class QtTimer final : public Timer {
public:
    QtTimer(QObject* owner, int intervalMs, std::function<void()> onTick)
        : timer_(new QTimer(owner)), interval_(std::max(intervalMs, 0)) {
        timer_->setTimerType(Qt::PreciseTimer);
        timer_->setInterval(std::max(interval_, 1));
        // The callback is shared with the connection so that a handler destroying its own timer does not destroy
        // the function it is running.
        auto tick = std::make_shared<std::function<void()>>(std::move(onTick));
        QTimer* timer = timer_;
        QObject::connect(timer, &QTimer::timeout, timer, [tick, timer] {
            // Qt never fires a timer again while its timeout runs. Restarting gives it a fresh registration, so a
            // handler that waits with pumpWait sees its own timer tick meanwhile, as the logic's busy flags expect.
            timer->start();
            if (*tick)
                (*tick)();
        });
    }

    ~QtTimer() override {
        if (timer_) {
            timer_->stop();
            // Deferred: this may run inside the timer's own timeout.
            timer_->deleteLater();
        }
    }

    void setInterval(int ms) override {
        interval_ = std::max(ms, 0);
        if (!timer_)
            return;
        timer_->setInterval(std::max(interval_, 1));
        if (enabled_)
            sync(true); // a new interval on a running timer restarts its period
    }

    int interval() const override { return interval_; }

    void setEnabled(bool on) override {
        if (on == enabled_)
            return;
        enabled_ = on;
        sync(false);
    }

    bool enabled() const override { return enabled_; }

private:
    /// Window timers with interval 0 stay enabled but never fire: the QTimer runs only when both hold.
    void sync(bool restart) {
        if (!timer_)
            return;
        const bool run = enabled_ && interval_ > 0;
        if (!run)
            timer_->stop();
        else if (restart || !timer_->isActive())
            timer_->start();
    }

    QPointer<QTimer> timer_; // owned by the loop's context object, so it dies with the loop at the latest
    int interval_;
    bool enabled_ = false;
};

} // namespace

QtEventLoop::QtEventLoop() : context_(std::make_unique<QObject>()) {
    clock_.start();
}

QtEventLoop::~QtEventLoop() = default;

std::unique_ptr<Timer> QtEventLoop::createTimer(int intervalMs, bool enabled, std::function<void()> onTick) {
    auto timer = std::make_unique<QtTimer>(context_.get(), intervalMs, std::move(onTick));
    timer->setEnabled(enabled);
    return timer;
}

void QtEventLoop::pumpWait(int ms) {
    const QDeadlineTimer deadline(std::max(ms, 0), Qt::PreciseTimer);
    QEventLoop loop;
    QTimer::singleShot(std::max(ms, 0), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    // A quitting application ends nested loops at once; the wait still lasts its time, the single shot wakes it.
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtEventLoop::post(std::function<void()> work) {
    QMetaObject::invokeMethod(context_.get(), std::move(work), Qt::QueuedConnection);
}

void QtEventLoop::invoke(std::function<void()> work) {
    if (QThread::currentThread() == context_->thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(context_.get(), std::move(work), Qt::BlockingQueuedConnection);
}

std::uint64_t QtEventLoop::tickCount() const {
    return static_cast<std::uint64_t>(clock_.elapsed());
}

} // namespace qv::platform
