#include "metering/PacketMeter.h"

#include "common/Cp1250.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "shell/ShellNames.h"
#include "support/FakeInterfaceTable.h"
#include "support/FakePacketCapture.h"
#include "support/FakeServices.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::metering {
namespace {

constexpr std::uint32_t kClient = 0x0AE70002; // 10.231.0.2
constexpr std::uint32_t kServer = 0x0AE70001;
constexpr std::uint32_t kOther = 0xC0000207; // 192.0.2.7
constexpr const char* kClientIp = "10.231.0.2";

using test::ipv4Packet;

/// The packet metering on the virtual loop, a connection at noon whose interface is ppp0.
struct PacketMeterTest : testing::Test {
    VirtualEventLoop loop;
    VirtualClock clock{loop, oleFromCivil({2026, 3, 5, 12, 0, 0, 0})};
    test::MemoryFileSystem fs;
    shell::AppPaths paths{"/app/", "alice"};
    LocaleFormats czech;
    shell::Logs logs{fs, clock, czech, paths};
    shell::TimerSchedule timers{loop};
    shell::WindowView main{names::TForm1::kAll};
    test::RecordingDialogs dialogs;
    test::FakePacketCaptureFactory captures;
    test::FakeInterfaceTable table;
    statistics::StatisticsRecord running;
    ConnectionCounters counters;
    std::string connectionInterface = "ppp0";
    PacketMeter meter{{loop, logs, clock, timers, main, dialogs, &captures, table, [this] { return &running; },
                       counters, [this] { return connectionInterface; }}};

    void SetUp() override { fs.addDir("/app"); }
    /// The connected handling's part: Timer13 started, then the client address handed over.
    void connect(const std::string& ip = kClientIp) {
        timers.timer(13).start();
        meter.setClientIp(ip);
        loop.advance(5);
    }
    /// The disconnected handling's part.
    void disconnect() {
        meter.discardCapture();
        meter.setClientIp("");
    }
    bool capturing() const { return captures.live && captures.live->Active(); }
    std::string errorLog() { return cp1250::toUtf8(fs.readAll(paths.errorLog()).value_or("")); }
};

TEST_F(PacketMeterTest, CountsEachPacketFromOrToTheClientOnceInTheRightDirection) {
    connect();
    ASSERT_TRUE(capturing());
    EXPECT_EQ(captures.opened, std::vector<std::string>{"ppp0"});
    EXPECT_TRUE(meter.captureActive());
    EXPECT_FALSE(timers.timer(13).enabled());

    captures.deliver({ipv4Packet(kClient, kServer, 1500), ipv4Packet(kServer, kClient, 40),
                      ipv4Packet(kServer, kOther, 1400), ipv4Packet(kOther, kServer, 576)});
    captures.deliver({ipv4Packet(kServer, kClient, 1500), ipv4Packet(kClient, kClient, 84)});
    EXPECT_EQ(counters.connUpBytes, 1500u + 84);
    EXPECT_EQ(counters.connDownBytes, 40u + 1500 + 84);
    EXPECT_EQ(running.Up1, 1584);
    EXPECT_EQ(running.Down1, 1624);
    EXPECT_EQ(running.Up2 + running.Down2, 0);
}

TEST_F(PacketMeterTest, AHandOverIsBookedInTheBandOfTheMomentItIsCounted) {
    clock.set(oleFromCivil({2026, 3, 5, 7, 59, 59, 0}));
    connect();
    loop.advance(990); // 07:59:59.995
    captures.deliver({ipv4Packet(kServer, kClient, 1000)});
    loop.advance(5); // 08:00:00.000
    captures.deliver({ipv4Packet(kServer, kClient, 300), ipv4Packet(kClient, kServer, 52)});
    EXPECT_EQ(running.Down2, 1000);
    EXPECT_EQ(running.Down1, 300);
    EXPECT_EQ(running.Up1, 52);
    EXPECT_EQ(counters.connDownBytes, 1300u);
}

TEST_F(PacketMeterTest, NothingIsCountedWithoutARunningRecordBeyondTheConnectionsCounters) {
    PacketMeter bare{{loop, logs, clock, timers, main, dialogs, &captures, table, [] { return nullptr; }, counters,
                      [this] { return connectionInterface; }}};
    timers.timer(13).start();
    bare.setClientIp(kClientIp);
    loop.advance(5);
    captures.deliver({ipv4Packet(kServer, kClient, 700), ipv4Packet(kClient, kServer, 52)});
    EXPECT_EQ(counters.connDownBytes, 700u);
    EXPECT_EQ(counters.connUpBytes, 52u);
    EXPECT_EQ(running, statistics::StatisticsRecord{});
}

struct AdapterCase {
    const char* what;
    std::string connectionInterface;
    std::vector<std::string> names;
    std::vector<std::string> descriptions;
    std::vector<platform::InterfaceRow> rows;
    std::string opened; ///< "" = no capture
    friend void PrintTo(const AdapterCase& c, std::ostream* os) { *os << c.what; }
};

class AdapterChoiceTest : public PacketMeterTest, public testing::WithParamInterface<AdapterCase> {};

TEST_P(AdapterChoiceTest, TheDialUpAdapterOfTheConnectionIsCaptured) {
    const AdapterCase& c = GetParam();
    connectionInterface = c.connectionInterface;
    captures.names = c.names;
    captures.descriptions = c.descriptions;
    table.rows = c.rows;
    connect();
    EXPECT_EQ(captures.opened, c.opened.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.opened});
    EXPECT_TRUE(meter.captureActive());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{});
    EXPECT_EQ(errorLog(), "");
}

const std::string kWan = platform::InterfaceTable::kDialUpDescription;

INSTANTIATE_TEST_SUITE_P(
    Adapters, AdapterChoiceTest,
    testing::Values(
        AdapterCase{"the connection's own link of two", "ppp1", {"lo", "ppp0", "ppp1"}, {"", kWan, kWan}, {}, "ppp1"},
        AdapterCase{"the first dial-up one", "", {"eth0", "ppp0", "ppp1"}, {"", kWan, kWan}, {}, "ppp0"},
        AdapterCase{"a connection name that is no adapter", "modem", {"lo", "ppp0"}, {"", kWan}, {}, "ppp0"},
        AdapterCase{"by the dial-up speed's interface",
                    "",
                    {"lo", "eth0", "wwan0", "eth1"},
                    {"", "", "", ""},
                    {{"lo", "lo", 0, 0, 0}, {"eth1", "eth1", 0, 0, 921'600}, {"wwan0", "wwan0", 0, 0, 921'600}},
                    "eth1"},
        AdapterCase{"none", "", {"lo", "eth0"}, {"", ""}, {{"eth0", "eth0", 0, 0, 100'000'000}}, ""},
        AdapterCase{"no adapters at all", "", {}, {}, {{"wwan0", "wwan0", 0, 0, 921'600}}, ""}));

TEST_F(PacketMeterTest, ASecondStartOfTheSameConnectionMakesNoSecondCapture) {
    connect();
    platform::PacketCapture* first = meter.captureInstance();
    timers.timer(13).start();
    loop.advance(5);
    EXPECT_EQ(captures.created, 1);
    EXPECT_EQ(meter.captureInstance(), first);
    EXPECT_TRUE(capturing());
}

TEST_F(PacketMeterTest, TheDisconnectionClosesAndDropsTheCaptureAndTheNextConnectionGetsANewOne) {
    connect();
    disconnect();
    EXPECT_EQ(meter.captureInstance(), nullptr);
    EXPECT_FALSE(meter.captureActive());
    EXPECT_EQ(meter.clientIp(), "");
    connect("10.231.0.9");
    EXPECT_EQ(captures.created, 2);
    EXPECT_TRUE(capturing());
    captures.deliver({ipv4Packet(kServer, kClient, 500), ipv4Packet(kServer, 0x0AE70009, 60)});
    EXPECT_EQ(counters.connDownBytes, 60u);
}

TEST_F(PacketMeterTest, TheStartWaitsForTheClientAddressInSteps) {
    bool busyMeanwhile = false;
    auto address = loop.createTimer(250, true, [&] {
        busyMeanwhile = meter.timer13Busy();
        meter.setClientIp(kClientIp);
    });
    const std::uint64_t t0 = loop.tickCount();
    timers.timer(13).start();
    loop.advance(5); // returns once the start is over
    EXPECT_TRUE(busyMeanwhile);
    EXPECT_FALSE(meter.timer13Busy());
    EXPECT_TRUE(capturing());
    EXPECT_EQ(loop.tickCount() - t0, 5u + 3 * PacketMeter::kWaitStepMs); // at the first step after the address
}

TEST_F(PacketMeterTest, AConnectionThatEndsDuringTheWaitGetsNoCaptureAndIsNotWaitedFor) {
    bool busyAfterDisconnect = true;
    auto drop = loop.createTimer(250, true, [&] {
        disconnect();
        // The next connection's handling must not wait for a start that only goes on to give up.
        busyAfterDisconnect = meter.timer13Busy();
    });
    const std::uint64_t t0 = loop.tickCount();
    timers.timer(13).start();
    loop.advance(5);
    drop->stop();
    EXPECT_FALSE(busyAfterDisconnect);
    EXPECT_EQ(loop.tickCount() - t0, 5u + 3 * PacketMeter::kWaitStepMs);
    EXPECT_EQ(captures.opened.size(), 0u);
    EXPECT_EQ(captures.live, nullptr);
    EXPECT_FALSE(meter.captureActive());
    connect();
    EXPECT_TRUE(capturing());
}

TEST_F(PacketMeterTest, AnAddressThatNeverComesEndsTheWaitWithoutACapture) {
    const std::uint64_t t0 = loop.tickCount();
    timers.timer(13).start();
    loop.advance(5);
    EXPECT_EQ(loop.tickCount() - t0, 5u + PacketMeter::kClientIpWaitMs);
    EXPECT_FALSE(meter.timer13Busy());
    EXPECT_EQ(captures.live, nullptr);
    EXPECT_TRUE(meter.captureActive()); // that connection stays unmetered
    meter.setClientIp(kClientIp);
    timers.timer(13).start();
    loop.advance(5);
    EXPECT_EQ(captures.opened.size(), 0u);
}

TEST_F(PacketMeterTest, WithoutThePermissionItSaysSoOnceAndCountsNothing) {
    captures.openFailure = {{platform::CaptureError::NoPermission, "socket: Operation not permitted"}};
    main.setText(names::TForm1::Label9, "Spojeno");
    connect();
    EXPECT_FALSE(capturing());
    EXPECT_EQ(main.get(names::TForm1::Label9).text, PacketMeter::kNoPermissionText);
    const std::string once = errorLog();
    EXPECT_NE(once.find(std::string(PacketMeter::kNoPermissionText) + " (socket: Operation not permitted)\r\n"),
              std::string::npos)
        << once;
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{});

    disconnect();
    main.setText(names::TForm1::Label9, "Spojeno");
    connect();
    EXPECT_EQ(main.get(names::TForm1::Label9).text, "Spojeno");
    EXPECT_EQ(errorLog(), once);
}

TEST_F(PacketMeterTest, OtherFailuresToOpenLeaveTheConnectionUnmeteredWithoutAWord) {
    captures.openFailure = {{platform::CaptureError::OpenFailed, "ppp0: No such device exists"}};
    connect();
    EXPECT_FALSE(capturing());
    EXPECT_EQ(errorLog(), "");
    EXPECT_FALSE(main.has(names::TForm1::Label9));
}

TEST_F(PacketMeterTest, AnAdapterListThatCannotBeReadIsShownInAMessageBox) {
    captures.enumerationError = "can't open /proc/net/dev";
    connect();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"can't open /proc/net/dev"});
    EXPECT_FALSE(capturing());
    EXPECT_FALSE(meter.timer13Busy());
}

TEST_F(PacketMeterTest, APlatformWithoutCaptureCountsNothing) {
    PacketMeter none{{loop, logs, clock, timers, main, dialogs, nullptr, table, [this] { return &running; }, counters,
                      [this] { return connectionInterface; }}};
    timers.timer(13).start();
    none.setClientIp(kClientIp);
    loop.advance(5);
    EXPECT_TRUE(none.captureActive());
    EXPECT_EQ(none.captureInstance(), nullptr);
    EXPECT_EQ(errorLog(), "");
}

} // namespace
} // namespace qv::metering
