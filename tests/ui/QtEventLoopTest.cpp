#include "platform/qt/QtEventLoop.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <thread>

using qv::platform::QtEventLoop;

// Real time, so only lower bounds and orderings are asserted: a slow machine makes waits longer, never shorter.
class QtEventLoopTest : public QObject {
    Q_OBJECT

private slots:
    void waitRunsTimersAndPostedWorkAndLastsItsTime() {
        QtEventLoop loop;
        int ticks = 0;
        bool posted = false;
        int idleTicks = 0;
        auto idle = loop.createTimer(0, true, [&] { ++idleTicks; }); // interval 0: enabled, never fires
        auto timer = loop.createTimer(1, true, [&] { ++ticks; });
        loop.post([&] { posted = true; });
        const std::uint64_t before = loop.tickCount();
        QElapsedTimer wall;
        wall.start();
        loop.pumpWait(30);
        QVERIFY(wall.elapsed() >= 30);
        QVERIFY(loop.tickCount() - before >= 30);
        QVERIFY(ticks >= 1);
        QVERIFY(posted);
        QVERIFY(idle->enabled());
        QCOMPARE(idleTicks, 0);
    }

    void handlersMayWaitInsideAWaitAndDestroyTheirOwnTimer() {
        QtEventLoop loop;
        std::unique_ptr<qv::Timer> timer;
        int ticks = 0, depth = 0, deepest = 0;
        timer = loop.createTimer(2, true, [&] {
            ++ticks;
            deepest = std::max(deepest, ++depth);
            if (ticks == 1)
                loop.pumpWait(20); // the timer's own handler comes again meanwhile
            else
                timer.reset(); // ended from inside its own tick
            --depth;
        });
        QElapsedTimer wall;
        wall.start();
        loop.pumpWait(40);
        QVERIFY(wall.elapsed() >= 40);
        QCOMPARE(deepest, 2);
        QCOMPARE(ticks, 2); // nothing fires once the timer is gone
    }

    void workFromOtherThreadsRunsOnTheUiThreadInOrder() {
        QtEventLoop loop;
        QThread* ui = QThread::currentThread();
        QEventLoop untilDone;
        bool postedOnUi = false, invokedOnUi = false;
        std::atomic<bool> workerSawResult{false};
        int value = 0;
        std::thread worker([&] {
            loop.post([&] { postedOnUi = QThread::currentThread() == ui && value == 0; });
            loop.invoke([&] {
                invokedOnUi = QThread::currentThread() == ui;
                value = 42;
            });
            workerSawResult = value == 42; // invoke returned only after the work ran
            loop.post([&] { untilDone.quit(); });
        });
        untilDone.exec();
        worker.join();
        QVERIFY(postedOnUi);
        QVERIFY(invokedOnUi);
        QVERIFY(workerSawResult);

        bool ranAtOnce = false;
        loop.invoke([&] { ranAtOnce = true; }); // on the UI thread: no queue, no deadlock
        QVERIFY(ranAtOnce);
    }
};

QTEST_GUILESS_MAIN(QtEventLoopTest)
#include "QtEventLoopTest.moc"
