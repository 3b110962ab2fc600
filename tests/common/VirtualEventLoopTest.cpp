#include "common/VirtualEventLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace qv {
namespace {

struct VirtualEventLoopTest : ::testing::Test {
    VirtualEventLoop loop;
    std::vector<std::string> trace;
    std::string at(const char* what) { return std::string(what) + "@" + std::to_string(loop.tickCount()); }
};

TEST_F(VirtualEventLoopTest, TimersFireEveryIntervalInOrderOfDueTime) {
    auto a = loop.createTimer(1000, true, [&] { trace.push_back(at("a")); });
    auto b = loop.createTimer(400, true, [&] { trace.push_back(at("b")); });
    loop.advance(1200);
    EXPECT_EQ(trace, (std::vector<std::string>{"b@400", "b@800", "a@1000", "b@1200"}));
    EXPECT_EQ(loop.tickCount(), 1200u);
}

TEST_F(VirtualEventLoopTest, DisabledTimerDoesNotFireAndEnablingStartsAFullPeriod) {
    auto t = loop.createTimer(1000, false, [&] { trace.push_back(at("t")); });
    loop.advance(2500);
    EXPECT_TRUE(trace.empty());
    t->start();
    loop.advance(999);
    EXPECT_TRUE(trace.empty());
    loop.advance(1);
    EXPECT_EQ(trace, (std::vector<std::string>{"t@3500"}));
    t->start(); // already running: the period is not restarted
    loop.advance(1000);
    EXPECT_EQ(trace.back(), "t@4500");
}

TEST_F(VirtualEventLoopTest, OneShotTimerStopsOrDestroysItselfInItsFirstTick) {
    std::unique_ptr<Timer> t, gone;
    t = loop.createTimer(8000, true, [&] {
        trace.push_back(at("once"));
        t->stop();
    });
    gone = loop.createTimer(10, true, [&] {
        trace.push_back(at("gone"));
        gone.reset();
    });
    loop.advance(60000);
    EXPECT_EQ(trace, (std::vector<std::string>{"gone@10", "once@8000"}));
}

TEST_F(VirtualEventLoopTest, SettingTheIntervalOfARunningTimerRestartsItsPeriod) {
    auto t = loop.createTimer(1000, true, [&] { trace.push_back(at("t")); });
    loop.advance(700);
    t->setInterval(500); // due at 1200, not at 1000 or 500
    loop.advance(1000);
    EXPECT_EQ(trace, (std::vector<std::string>{"t@1200", "t@1700"}));
    t->stop();
    t->setInterval(100); // a stopped timer stays stopped
    loop.advance(1000);
    EXPECT_EQ(trace.size(), 2u);
}

TEST_F(VirtualEventLoopTest, AnIntervalOfZeroNeverFiresUntilAnIntervalIsSet) {
    int ticks = 0;
    auto t = loop.createTimer(0, true, [&] { ++ticks; });
    loop.advance(10000);
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(t->enabled());
    t->setInterval(1);
    loop.advance(10);
    EXPECT_EQ(ticks, 10);
}

TEST_F(VirtualEventLoopTest, NestedWaitsRunOtherTimersAndReturnWhenTheirTimeHasPassed) {
    auto fast = loop.createTimer(100, true, [&] { trace.push_back(at("fast")); });
    std::unique_ptr<Timer> waiter;
    waiter = loop.createTimer(250, true, [&] {
        waiter->stop();
        trace.push_back(at("wait-begin"));
        loop.pumpWait(300); // fast keeps ticking inside
        trace.push_back(at("wait-end"));
    });
    loop.advance(600);
    EXPECT_EQ(trace, (std::vector<std::string>{"fast@100", "fast@200", "wait-begin@250", "fast@300", "fast@400",
                                               "fast@500", "wait-end@550", "fast@600"}));
}

TEST_F(VirtualEventLoopTest, WaitInsideAWaitEndsAtItsOwnDeadline) {
    std::vector<int> depths;
    auto inner = loop.createTimer(50, true, [&] {
        depths.push_back(loop.waitDepth());
        if (loop.waitDepth() == 2) {
            loop.pumpWait(500); // a wait nested in a wait
            trace.push_back(at("inner-end"));
        }
    });
    std::unique_ptr<Timer> outer;
    outer = loop.createTimer(30, true, [&] {
        outer->stop();
        loop.pumpWait(100);
        trace.push_back(at("outer-end"));
    });
    loop.advance(1000);
    // The outer wait cannot end before the nested one it is running has ended.
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(trace[0], "inner-end@550");
    EXPECT_EQ(trace[1], "outer-end@550");
    EXPECT_EQ(loop.tickCount(), 1000u);
}

TEST_F(VirtualEventLoopTest, ATimerReEntersItsOwnHandlerDuringAWait) {
    // This is why handlers keep busy flags.
    int depth = 0, maxDepth = 0, entries = 0;
    bool busy = false;
    int skipped = 0;
    auto t = loop.createTimer(500, true, [&] {
        ++entries;
        if (busy) {
            ++skipped;
            return;
        }
        busy = true;
        maxDepth = std::max(maxDepth, ++depth);
        loop.pumpWait(1200);
        --depth;
        busy = false;
    });
    loop.advance(1700);
    EXPECT_EQ(entries, 3); // at 500, re-entered at 1000 and 1500 inside the first wait
    EXPECT_EQ(skipped, 2);
    EXPECT_EQ(maxDepth, 1);
}

TEST_F(VirtualEventLoopTest, WorkPostedFromAnotherThreadRunsOnTheDrivingThreadInOrder) {
    const auto driver = std::this_thread::get_id();
    std::vector<int> order;
    bool onDriver = true;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            loop.post([&, i] {
                order.push_back(i);
                onDriver = onDriver && std::this_thread::get_id() == driver;
            });
    });
    worker.join();
    EXPECT_TRUE(order.empty()); // nothing runs until the loop pumps
    loop.advance(0);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(onDriver);
}

TEST_F(VirtualEventLoopTest, InvokeWaitsUntilTheDrivingThreadHasRunTheWork) {
    int value = 0;
    bool returned = false;
    std::thread worker([&] {
        loop.invoke([&] { value = 42; });
        returned = true; // written after invoke returned; read only after join
    });
    while (value == 0)
        loop.runPosted();
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(value, 42);
}

} // namespace
} // namespace qv
