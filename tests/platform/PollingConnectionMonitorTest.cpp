#include "platform/PollingConnectionMonitor.h"

#include "common/VirtualEventLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::platform {
namespace {

using Trace = std::vector<std::string>;

/// The platform's listing as the test sets it; nothing = the listing fails.
struct ScriptedSource final : ActiveConnectionSource {
    std::optional<std::vector<ActiveConnection>> list = std::vector<ActiveConnection>{};
    std::vector<std::uint64_t> polls;
    const VirtualEventLoop* loop = nullptr;

    std::optional<std::vector<ActiveConnection>> listActive(int) override {
        polls.push_back(loop->tickCount());
        return list;
    }
    void readAddresses(const ActiveConnection& c, ConnectionDetails& d) override {
        d.clientIp = "10.0.0." + std::to_string(c.handle);
        d.serverIp = "10.0.0.1";
    }
    void set(std::uint32_t handle, int state) { list = std::vector<ActiveConnection>{{handle, state, 0, "E", "", ""}}; }
};

struct PollingConnectionMonitorTest : testing::Test {
    VirtualEventLoop loop;
    ScriptedSource source;
    PollingConnectionMonitor monitor{loop, source};
    Trace trace;
    ConnectionDetails down;

    void SetUp() override {
        source.loop = &loop;
        monitor.events.OnRasConnected = [this](const ConnectionDetails& d) { trace.push_back("up " + d.clientIp); };
        monitor.events.OnRasDisconnected = [this](const ConnectionDetails& d) {
            down = d;
            trace.push_back("down");
        };
        monitor.events.OnRasStatusChanged = [this](const ConnectionDetails&, const std::string& text) {
            trace.push_back("status " + text);
        };
        monitor.setEnabled(true);
    }
};

TEST_F(PollingConnectionMonitorTest, ReportsStatusWhileComingUpThenConnectedOnceAndDisconnectedWithTheLastDetails) {
    source.set(7, 5);
    loop.advance(2000);
    source.set(7, 8192);
    loop.advance(3000);
    EXPECT_EQ(trace,
              (Trace{"status Start authenticating", "status Start authenticating", "up 10.0.0.7", "status Connected"}));
    EXPECT_TRUE(monitor.Online());
    ConnectionDetails info;
    EXPECT_TRUE(monitor.GetConnectionInfo(info));
    EXPECT_EQ(info.serverIp, "10.0.0.1");

    source.list->clear();
    loop.advance(3000);
    EXPECT_EQ(trace.back(), "down");
    EXPECT_EQ(trace.size(), 5u);
    EXPECT_EQ(down.handle, 7u);
    EXPECT_EQ(down.clientIp, "10.0.0.7");
    EXPECT_FALSE(monitor.Online());
}

// pppd with `persist` stays listed while its link is gone, then brings up the next one.
TEST_F(PollingConnectionMonitorTest, AConnectionThatLostItsLinkWhileListedIsDisconnectedAndItsNextLinkConnects) {
    source.set(7, 8192);
    loop.advance(1000);
    trace.clear();
    source.set(7, 4);
    loop.advance(1000);
    EXPECT_EQ(trace, Trace{"down"});
    EXPECT_EQ(down.clientIp, "10.0.0.7");
    EXPECT_FALSE(monitor.Online());
    loop.advance(1000);
    source.set(7, 8192);
    loop.advance(1000);
    EXPECT_EQ(trace, (Trace{"down", "status All devices connected", "up 10.0.0.7", "status Connected"}));
    EXPECT_TRUE(monitor.Online());
}

TEST_F(PollingConnectionMonitorTest, OnlineLastsWhileAnyListedConnectionIsConnected) {
    source.set(7, 8192);
    loop.advance(1000);
    trace.clear();
    // Another pppd comes first in the system's order while it dials; ours is still up.
    source.list = std::vector<ActiveConnection>{{9, 2, 0, "F", "", ""}, {7, 8192, 0, "E", "", ""}};
    loop.advance(1000);
    EXPECT_TRUE(trace.empty());
    EXPECT_TRUE(monitor.Online());
    source.list = std::vector<ActiveConnection>{{9, 8192, 0, "F", "", ""}, {7, 4, 0, "E", "", ""}};
    loop.advance(1000);
    EXPECT_TRUE(trace.empty());
    source.list = std::vector<ActiveConnection>{{9, 4, 0, "F", "", ""}};
    loop.advance(1000);
    EXPECT_EQ(trace, Trace{"down"});
    EXPECT_EQ(down.handle, 9u); // the last one known to be up
}

TEST_F(PollingConnectionMonitorTest, FailedListingFiresNothingButForgetsBeingOnline) {
    source.set(7, 8192);
    loop.advance(1000);
    trace.clear();
    source.list.reset();
    loop.advance(1000);
    EXPECT_TRUE(trace.empty());
    EXPECT_FALSE(monitor.Online());
    ConnectionDetails info;
    EXPECT_FALSE(monitor.GetConnectionInfo(info));
    source.set(7, 8192);
    loop.advance(1000);
    EXPECT_EQ(trace, (Trace{"up 10.0.0.7", "status Connected"}));
}

TEST_F(PollingConnectionMonitorTest, EnablingRestartsThePeriodWithTheIntervalOfThatMoment) {
    loop.advance(700);
    monitor.setEnabled(true);
    monitor.setPollInterval(2000); // not yet: the running period stays
    loop.advance(2000);
    monitor.setEnabled(true);
    loop.advance(4000);
    monitor.setEnabled(false);
    loop.advance(5000);
    EXPECT_EQ(source.polls, (std::vector<std::uint64_t>{1700, 2700, 4700, 6700}));
}

} // namespace
} // namespace qv::platform
