#include "platform/sim/SimLine.h"
#include "common/VirtualEventLoop.h"
#include "platform/DialTexts.h"
#include "platform/PollingConnectionMonitor.h"
#include "platform/sim/SimDialUpAdapter.h"
#include "platform/sim/SimIcmpEcho.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::platform {
namespace {

using Trace = std::vector<std::string>;

struct SimLineTest : testing::Test {
    VirtualEventLoop loop;
    test::MemoryFileSystem fs;
    SimLine line{loop, fs, "/app/"};
    SimDialUpAdapter dialer{loop, line};
    PollingConnectionMonitor monitor{loop, line};
    Trace trace; // "state/error@tick" per progress notification, "up"/"down" for the monitor
    ConnectionDetails lastDown;

    void SetUp() override {
        dialer.Entry = "Quorvex Demo";
        dialer.events.OnAsyncEvent = [this](int state, int error, const std::string& text) {
            EXPECT_EQ(text, dialProgressText(state, error));
            trace.push_back(at(std::to_string(state) + (error ? "/" + std::to_string(error) : "")));
        };
        monitor.events.OnRasConnected = [this](const ConnectionDetails& d) {
            EXPECT_EQ(d.clientIp, "10.64.23.17");
            EXPECT_EQ(d.serverIp, "10.64.0.1");
            trace.push_back(at("up"));
        };
        monitor.events.OnRasDisconnected = [this](const ConnectionDetails& d) {
            lastDown = d;
            trace.push_back(at("down"));
        };
    }
    std::string at(const std::string& what) const { return what + "@" + std::to_string(loop.tickCount()); }
    void control(const std::string& text) { fs.put("/app/sim-line.conf", text); }
    void connect() {
        ASSERT_EQ(dialer.Dial(), 0);
        loop.advance(4000);
        ASSERT_EQ(line.phase(), SimLine::Phase::Connected);
        trace.clear();
    }
    std::uint64_t timeOf(auto&& call) {
        const std::uint64_t start = loop.tickCount();
        call();
        return loop.tickCount() - start;
    }
};

TEST_F(SimLineTest, DialRunsThroughEveryStateInOrderWithItsDelays) {
    bool dialling = false;
    dialer.events.OnDialing = [&] { dialling = true; };
    monitor.setEnabled(true);
    ASSERT_EQ(dialer.Dial(), 0);
    EXPECT_TRUE(dialling);
    EXPECT_TRUE(trace.empty()); // progress never arrives inside Dial
    loop.advance(1000);
    std::vector<int> listed;
    dialer.events.OnActiveConnection = [&](const ActiveConnection& c, const std::string&) {
        EXPECT_EQ(c.handle, dialer.connectionHandle());
        listed.push_back(c.state);
    };
    dialer.GetActiveConnections();
    loop.advance(3500);
    dialer.GetActiveConnections();
    EXPECT_EQ(listed, (std::vector<int>{dialstate::kConnectDevice, dialstate::kConnected}));
    EXPECT_EQ(trace, (Trace{"0@1", "1@201", "2@501", "3@1701", "4@2001", "5@2201", "14@2601", "18@3201", "8192@3501",
                            "up@4000"}));
}

TEST_F(SimLineTest, NotificationsWaitForABusyHandlerAndArriveOneByOne) {
    int depth = 0;
    dialer.events.OnAsyncEvent = [&](int state, int, const std::string&) {
        EXPECT_EQ(++depth, 1);
        trace.push_back(at(std::to_string(state)));
        if (state == dialstate::kOpenPort)
            loop.pumpWait(2000); // a handler that waits, as the dial-error handling does
        --depth;
    };
    dialer.Dial();
    loop.advance(2500);
    EXPECT_EQ(trace, (Trace{"0@1", "1@2002", "2@2003", "3@2004", "4@2005", "5@2201"}));
}

struct Failure {
    int code;
    Trace expected;
};

class SimLineFailureTest : public SimLineTest, public testing::WithParamInterface<Failure> {};

TEST_P(SimLineFailureTest, ErrorComesAtItsStepAndLeavesTheLineIdle) {
    control("fail=" + std::to_string(GetParam().code) + "\n");
    monitor.setEnabled(true);
    dialer.Dial();
    const std::uint32_t handle = dialer.connectionHandle();
    loop.advance(10'000);
    EXPECT_EQ(trace, GetParam().expected);
    EXPECT_EQ(line.phase(), SimLine::Phase::Idle);
    EXPECT_EQ(line.listActive(8)->size(), 0u);
    EXPECT_EQ(timeOf([&] { EXPECT_EQ(dialer.HangUp(handle), dialerror::kInvalidHandle); }), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SimLineFailureTest,
    testing::Values(
        Failure{691, {"0@1", "1@201", "2@501", "3@1701", "4@2001", "5@2201", "5/691@2601"}},
        Failure{720, {"0@1", "1@201", "2@501", "3@1701", "4@2001", "5@2201", "14@2601", "18@3201", "18/720@3501"}},
        Failure{721, {"0@1", "1@201", "2@501", "3@1701", "4@2001", "5@2201", "5/721@5201"}},
        Failure{678, {"0@1", "1@201", "2@501", "2/678@1701"}}),
    [](const testing::TestParamInfo<Failure>& p) { return std::to_string(p.param.code); });

TEST_F(SimLineTest, ControlFileTakesEffectAtTheNextDial) {
    dialer.Dial();
    control("fail=691"); // too late for the dial in progress
    loop.advance(4000);
    EXPECT_EQ(line.phase(), SimLine::Phase::Connected);
    ASSERT_EQ(dialer.HangUp(dialer.connectionHandle()), 0);
    trace.clear();
    dialer.Dial();
    loop.advance(4000);
    EXPECT_EQ(trace.back(), "5/691@6901");
}

TEST(SimLineControlTest, ReadsKeysTrimmedAndIgnoresWhatItDoesNotKnow) {
    const auto c = SimLineControl::parse("  fail = 720  # retried\r\ndrop_after=30\nping=silent\ncolour=blue\n"
                                         "nonsense\n#fail=1\n");
    EXPECT_EQ(c.fail, 720);
    EXPECT_EQ(c.dropAfterSeconds, 30);
    EXPECT_TRUE(c.pingSilent);
    for (const char* bad : {"fail=abc", "fail=-3", "fail=0", "fail=12x", "fail=99999999999", "fail="})
        EXPECT_EQ(SimLineControl::parse(bad).fail, 0) << bad;
    EXPECT_EQ(SimLineControl::parse("fail=691\nfail=721").fail, 721);
    EXPECT_FALSE(SimLineControl::parse("ping=silent\nping=answer").pingSilent);
    EXPECT_TRUE(SimLineControl::parse("ping=silent\nping=loud").pingSilent);
}

TEST_F(SimLineTest, DropAfterEndsTheConnectionAndTheDialWithItsLastNotification) {
    control("drop_after=30");
    monitor.setEnabled(true);
    dialer.Dial();
    loop.advance(40'000);
    // Dropped at 33500: the dial's end comes through the hand-over, the monitor sees it at its next poll.
    EXPECT_EQ(trace.end()[-3], "up@4000");
    EXPECT_EQ(trace.end()[-2], "8193@33501");
    EXPECT_EQ(trace.back(), "down@34000");
    EXPECT_EQ(lastDown.clientIp, "10.64.23.17");
}

TEST_F(SimLineTest, HangUpWaitsForTheLineAndTheMonitorThenReportsTheEnd) {
    connect();
    monitor.setEnabled(true);
    loop.advance(1000);
    EXPECT_EQ(timeOf([&] { EXPECT_NE(dialer.HangUp(0), 0); }), 0u);
    EXPECT_EQ(timeOf([&] { EXPECT_NE(dialer.HangUp(0x1234), 0); }), 0u);
    const std::uint64_t waited = timeOf([&] { EXPECT_EQ(dialer.HangUp(dialer.connectionHandle()), 0); });
    EXPECT_GE(waited, 300u);
    EXPECT_LE(waited, 350u);
    EXPECT_EQ(line.phase(), SimLine::Phase::Idle);
    EXPECT_EQ(dialer.connectionHandle(), 0u);
    loop.advance(1000);
    EXPECT_EQ(trace, (Trace{"up@5000", "down@6000"}));
}

TEST_F(SimLineTest, StuckLineMakesHangUpGiveUpAfterTenSeconds) {
    connect();
    line.setStuck(true);
    const std::uint32_t handle = dialer.connectionHandle();
    EXPECT_EQ(timeOf([&] { EXPECT_EQ(dialer.HangUp(handle), dialerror::kHangUpTimedOut); }), 10'000u);
    EXPECT_TRUE(line.knows(handle));
    int refused = 0;
    dialer.events.OnError = [&](int code, const std::string&) { refused = code; };
    EXPECT_EQ(dialer.Dial(), dialerror::kPortNotAvailable); // the line still holds the old connection
    EXPECT_EQ(refused, dialerror::kPortNotAvailable);
    line.setStuck(false);
    EXPECT_EQ(dialer.HangUp(handle), 0);
}

TEST_F(SimLineTest, HangUpDuringADialEndsItWithoutFurtherProgress) {
    monitor.setEnabled(true);
    dialer.Dial();
    loop.advance(600);
    EXPECT_EQ(dialer.HangUp(dialer.connectionHandle()), 0);
    loop.advance(10'000);
    EXPECT_EQ(trace, (Trace{"0@1", "1@201", "2@501"}));
    EXPECT_EQ(line.phase(), SimLine::Phase::Idle);
}

TEST_F(SimLineTest, SecondDialHangsUpTheFirstConnection) {
    connect();
    const std::uint32_t first = dialer.connectionHandle();
    EXPECT_GE(timeOf([&] { EXPECT_EQ(dialer.Dial(), 0); }), 300u);
    EXPECT_NE(dialer.connectionHandle(), first);
    EXPECT_FALSE(line.knows(first));
    loop.advance(4000);
    EXPECT_EQ(trace.front(), "0@4301");
    EXPECT_EQ(line.phase(), SimLine::Phase::Connected);
}

TEST_F(SimLineTest, EchoAnswersOnlyWhileUpAndNotSilenced) {
    SimIcmpEcho echo(loop, line);
    auto ping = [&] { echo.send({}, [this](int answers, int) { trace.push_back(at(std::to_string(answers))); }); };
    ping(); // offline: no answer until the time-out
    loop.advance(4000);
    EXPECT_EQ(trace, (Trace{"0@3500"}));
    connect();
    const auto t = loop.tickCount();
    ping();
    EXPECT_TRUE(trace.empty()); // never inside send
    loop.advance(100);
    control("ping=silent");
    ping();
    loop.advance(4000);
    control("");
    ping();
    loop.advance(10);
    dialer.HangUp(dialer.connectionHandle()); // the link goes before the reply would come
    loop.advance(4000);
    EXPECT_EQ(trace, (Trace{"1@" + std::to_string(t + 40), "0@" + std::to_string(t + 3600),
                            "0@" + std::to_string(t + 4100 + 3500)}));
}

TEST_F(SimLineTest, CountersGrowOnlyWhileUpAndNeverGoBack) {
    std::uint64_t in = 0, out = 0, lastIn = 0, lastOut = 0;
    dialer.Dial();
    loop.advance(3000);
    line.counters(in, out);
    EXPECT_EQ(in + out, 0u);
    loop.advance(1000);
    for (int i = 0; i < 600; ++i) { // a minute in 100 ms steps
        loop.advance(100);
        line.counters(in, out);
        ASSERT_GE(in, lastIn);
        ASSERT_GE(out, lastOut);
        lastIn = in;
        lastOut = out;
    }
    EXPECT_GT(in, 60u * 20'000);
    EXPECT_LT(in, 61u * 150'000);
    EXPECT_GT(out, 60u * 2'000);
    EXPECT_LT(out, 61u * 15'000);
    dialer.HangUp(dialer.connectionHandle());
    line.counters(lastIn, lastOut);
    loop.advance(60'000);
    line.counters(in, out);
    EXPECT_EQ(in + out, lastIn + lastOut);
}

TEST_F(SimLineTest, PhonebookKeepsItsOrderAndCredentials) {
    std::vector<std::string> listed;
    dialer.events.OnEntryGet = [&](const std::string& name) { listed.push_back(name); };
    EXPECT_EQ(dialer.CreateEntry({"Work", "*99#", "sim0", "", ""}), 0);
    EXPECT_NE(dialer.CreateEntry({"Work", "#777", "sim0", "", ""}), 0);
    dialer.Entry = "Quorvex Demo";
    EXPECT_NE(dialer.EditEntry({"Work", "#777", "sim0", "", ""}), 0);
    EXPECT_EQ(dialer.EditEntry({"Demo", "#777", "sim0", "demo", "demo"}), 0);
    dialer.Entry = "Demo";
    EXPECT_EQ(dialer.SetPassword("secret"), 0);
    std::string password;
    EXPECT_EQ(dialer.GetPassword(password), 0);
    EXPECT_EQ(password, "secret");
    EXPECT_EQ(dialer.GetEntries(), 0);
    EXPECT_EQ(listed, (std::vector<std::string>{"Demo", "Work"}));
    EXPECT_EQ(dialer.DeleteEntry(), 0);
    listed.clear();
    dialer.GetEntries();
    EXPECT_EQ(listed, std::vector<std::string>{"Work"});
    EXPECT_EQ(dialer.Dial(), dialerror::kCannotFindEntry); // the deleted entry
}

} // namespace
} // namespace qv::platform
