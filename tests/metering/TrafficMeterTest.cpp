#include "metering/TrafficMeter.h"

#include "common/Cp1250.h"
#include "common/OleDate.h"
#include "common/VirtualEventLoop.h"
#include "metering/FloatingNames.h"
#include "metering/TariffBand.h"
#include "shell/ShellNames.h"
#include "support/FakeInterfaceTable.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <memory>
#include <string>

namespace qv::metering {
namespace {

/// A line connected at noon, Timer4 ticking on the virtual loop, the interface counters scripted.
struct TrafficMeterTest : testing::Test {
    VirtualEventLoop loop;
    VirtualClock clock{loop, oleFromCivil({2026, 3, 5, 12, 0, 0, 0})};
    test::MemoryFileSystem fs;
    shell::AppPaths paths{"/app/", "alice"};
    LocaleFormats czech;
    shell::Logs logs{fs, clock, czech, paths};
    shell::WindowView main{names::TForm1::kAll};
    shell::WindowView floating{names::TForm7::kAll};
    test::FakeInterfaceTable table;
    statistics::StatisticsRecord running;
    settings::SettingsRecord settings;
    connection::ControllerState controller;
    bool counterMode = true;
    bool floatInUse = false;
    WeekTotalsMB week;
    TrafficMeter meter{{logs, clock, czech, main, floating, table, [this] { return &running; }, settings, controller,
                        [this] { return counterMode; }, [this] { return floatInUse; }, [this] { return week; }}};
    std::unique_ptr<Timer> timer4 = loop.createTimer(1000, false, [this] { meter.DisplayTick(); });

    void SetUp() override {
        fs.addDir("/app");
        connect();
    }
    void connect() {
        controller.isConnected = true;
        meter.resetCounterBaselines();
        timer4->start();
    }
    /// The interface shows these counters at the next tick.
    void sample(std::uint32_t in, std::uint32_t out = 0) {
        table.wan(in, out);
        loop.advance(1000);
    }
    std::string text(const shell::WidgetName& name) const { return main.get(name).text; }
    std::string errorLog() { return cp1250::toUtf8(fs.readAll(paths.errorLog()).value_or("")); }
};

TEST_F(TrafficMeterTest, FirstTickTakesTheBaselineThenTheDeltasShowAsSpeedAndTotals) {
    floatInUse = true;
    sample(1'000'000, 40'000);
    EXPECT_EQ(running, statistics::StatisticsRecord{});
    EXPECT_EQ(text(names::TForm1::Label7), "0,0");
    sample(1'250'000, 52'000);
    EXPECT_EQ(running.Down1, 250'000);
    EXPECT_EQ(running.Up1, 12'000);
    EXPECT_EQ(text(names::TForm1::Label8), "Download");
    EXPECT_EQ(text(names::TForm1::Label7), "250,0");
    EXPECT_EQ(text(names::TForm1::Label24), "0,25 MB");
    EXPECT_EQ(text(names::TForm1::Label27), "0,01 MB");
    EXPECT_EQ(text(names::TForm1::Label15), "0,26 MB");
    EXPECT_EQ(text(names::TForm1::Label17), "Nenastaveno");
    EXPECT_EQ(floating.get(names::TForm7::DRLabel2).text, "250,0 KB/s");
    EXPECT_EQ(floating.get(names::TForm7::DRLabel6).text, "12,0 KB/s");
    // The caption chooses the direction shown from the next tick; totals stay on a quiet download second.
    meter.ToggleSpeedDirection();
    EXPECT_EQ(text(names::TForm1::Label8), "Upload");
    settings.dataLimitOn = true;
    settings.dataLimitMB = 30;
    sample(1'250'000, 56'500);
    EXPECT_EQ(text(names::TForm1::Label7), "4,5");
    EXPECT_EQ(text(names::TForm1::Label24), "0,25 MB");
    EXPECT_EQ(text(names::TForm1::Label17), "29,73 MB");
    meter.ToggleSpeedDirection();
    EXPECT_EQ(text(names::TForm1::Label8), "Download");
}

struct BandEdge {
    CivilDateTime at;
    int band;
};

void PrintTo(const BandEdge& e, std::ostream* os) {
    *os << e.at.year << ' ' << e.at.hour << ':' << e.at.minute << ':' << e.at.second << '.' << std::setfill('0')
        << std::setw(3) << e.at.millisecond;
}

class BandEdgeTest : public TrafficMeterTest, public testing::WithParamInterface<BandEdge> {};

TEST_P(BandEdgeTest, TheDeltaGoesToTheBandOfTheMomentOfBooking) {
    const double at = oleFromCivil(GetParam().at);
    EXPECT_EQ(TariffBandOf(oleTimePart(at)), GetParam().band); // a bare time of day bands the same
    clock.set(at - 2.0 / 86400);
    sample(1'000'000, 10'000);
    sample(1'250'000, 11'000); // booked at `at`
    const bool day = GetParam().band == 1;
    EXPECT_EQ(running.Down1 + running.Up1, day ? 251'000 : 0);
    EXPECT_EQ(running.Down2 + running.Up2, day ? 0 : 251'000);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, BandEdgeTest,
    testing::Values(BandEdge{{2026, 3, 5, 7, 59, 59, 900}, 2}, BandEdge{{2026, 3, 5, 8, 0, 0, 0}, 1},
                    BandEdge{{2026, 3, 5, 23, 59, 59, 0}, 1}, BandEdge{{2026, 3, 5, 23, 59, 59, 1}, 2},
                    BandEdge{{2026, 3, 5, 23, 59, 59, 400}, 2},
                    // From 2079 on a day count plus 8/24 is a hair under the mark as a double, plus 23:59:59 a
                    // hair over it.
                    BandEdge{{2099, 12, 31, 8, 0, 0, 0}, 1}, BandEdge{{2099, 12, 31, 23, 59, 59, 0}, 1}));

struct WrapCase {
    const char* name;
    std::vector<std::uint32_t> samples; ///< both counters at successive ticks
    double booked;
    friend void PrintTo(const WrapCase& c, std::ostream* os) { *os << c.name; }
};

class CounterWrapTest : public TrafficMeterTest, public testing::WithParamInterface<WrapCase> {};

TEST_P(CounterWrapTest, BooksTheBytesMovedModulo2To32) {
    for (std::uint32_t n : GetParam().samples)
        sample(n, n);
    EXPECT_EQ(running.Down1, GetParam().booked);
    EXPECT_EQ(running.Up1, GetParam().booked);
    EXPECT_EQ(meter.counters().connDownBytes, static_cast<std::uint64_t>(GetParam().booked) % (1ull << 32));
}

INSTANTIATE_TEST_SUITE_P(Counters, CounterWrapTest,
                         testing::Values(WrapCase{"AcrossTheTop", {4'294'967'000u, 200}, 496},
                                         WrapCase{"BaselineAtTheTop", {4'294'967'295u, 0, 1'000}, 1'001},
                                         WrapCase{"ToTheTopAndOver", {4'294'000'000u, 4'294'967'295u, 5}, 967'301},
                                         WrapCase{"TotalPastTheTop", {0, 4'000'000'000u, 100}, 4'294'967'396.0}),
                         [](const auto& c) { return std::string(c.param.name); });

struct Reading {
    std::uint32_t in, out, index;
};

struct RestartCase {
    const char* name;
    std::vector<Reading> samples;
    double bookedIn, bookedOut;
    friend void PrintTo(const RestartCase& c, std::ostream* os) { *os << c.name; }
};

class CounterRestartTest : public TrafficMeterTest, public testing::WithParamInterface<RestartCase> {};

// A sample across two interfaces, or across counters that started again, would book up to 4 GB that never moved.
TEST_P(CounterRestartTest, TakesANewBaselineWhereAWrapCannotExplainTheCounters) {
    for (const Reading& r : GetParam().samples) {
        table.wan(r.in, r.out, r.index);
        loop.advance(1000);
    }
    EXPECT_EQ(running.Down1, GetParam().bookedIn);
    EXPECT_EQ(running.Up1, GetParam().bookedOut);
}

constexpr std::uint32_t kWrapLimit = InterfaceCounterSampler::kMaxWrapBytes;

INSTANTIATE_TEST_SUITE_P(
    Counters, CounterRestartTest,
    testing::Values(
        // pppd brought up a new ppp0 (a new index) whose counters start at 0.
        RestartCase{"NewInterfaceUnderTheOldName",
                    {{1'000'000, 1'000, 5}, {5'000'000, 2'000, 5}, {300, 50, 6}, {1'300, 150, 6}},
                    4'001'000,
                    1'100},
        RestartCase{
            "NewIndexWithHigherCounters", {{1'000, 1'000, 5}, {2'000, 1'500, 5}, {900'000, 9'000, 7}}, 1'000, 500},
        RestartCase{"CountersStartAgainWithoutAnIndex",
                    {{1'000'000, 1'000, 0}, {5'000'000, 2'000, 0}, {300, 50, 0}, {1'300, 150, 0}},
                    4'001'000,
                    1'100},
        // One counter going back is enough: both take the new baseline.
        RestartCase{
            "OneDirectionStartsAgain",
            {{1'000'000, 900'000'000, 3}, {5'000'000, 900'001'000, 3}, {6'000'000, 100, 3}, {7'000'000, 200, 3}},
            5'000'000,
            1'100},
        RestartCase{
            "AWrapNearTheTopStaysAWrap", {{4'294'000'000u, 0, 3}, {4'294'967'000u, 0, 3}, {200, 0, 3}}, 967'496, 0},
        RestartCase{"AWrapOfTheLimitIsAWrap", {{0u - kWrapLimit, 7, 3}, {0, 7, 3}}, kWrapLimit, 0},
        RestartCase{"OneByteBeyondTheLimitIsARestart", {{0u - kWrapLimit - 1, 7, 3}, {0, 7, 3}, {10, 7, 3}}, 10, 0}),
    [](const auto& c) { return std::string(c.param.name); });

TEST_F(TrafficMeterTest, ShownTotalsRestartAfterAWrapWhileTheRecordKeepsCounting) {
    sample(0, 0);
    sample(2'000'000'000u, 1'000'000'000u);
    sample(4'000'000'000u, 2'000'000'000u);
    sample(static_cast<std::uint32_t>(4'300'000'000ull), 3'000'000'000u);
    EXPECT_EQ(running.Down1, 4'300'000'000.0);
    EXPECT_EQ(text(names::TForm1::Label24), "5,03 MB"); // 4 300 000 000 - 2^32 = 5 032 704
    EXPECT_EQ(meter.counters().downBytesPerSec, 300'000'000);
    // connMB adds the two totals in 32 bits: 5 032 704 + 3 000 000 000.
    EXPECT_EQ(text(names::TForm1::Label15), "3005,03 MB");
    sample(static_cast<std::uint32_t>(4'300'000'000ull), 4'294'000'000u);
    EXPECT_EQ(text(names::TForm1::Label15), "4,07 MB"); // 5 032 704 + 4 294 000 000 - 2^32
}

TEST_F(TrafficMeterTest, WithoutADialUpRowNothingIsCountedAndTheSpeedShowsZero) {
    table.rows.push_back({"eth0", "eth0", 0, 0, 0});
    sample(5'000);
    sample(105'000);
    table.noWan();
    table.rows[1].inOctets = 900'000; // other interfaces never count
    loop.advance(1000);
    EXPECT_EQ(text(names::TForm1::Label7), "0,0");
    EXPECT_EQ(text(names::TForm1::Label24), "0,10 MB");
    table.fails = true;
    sample(205'000);
    EXPECT_EQ(text(names::TForm1::Label7), "0,0");
    EXPECT_EQ(running.Down1, 100'000);
}

// The next connection's interface starts its counters afresh; the old baselines must not leak into it.
TEST_F(TrafficMeterTest, AfterADisconnectionTheNextConnectionTakesANewBaseline) {
    sample(10'000, 1'000);
    sample(4'010'000, 2'000);
    timer4->stop();
    meter.clearConnectionCounters();
    EXPECT_EQ(meter.counters().connMB, 0);
    running = {};
    connect();
    sample(300, 100);
    EXPECT_EQ(running, statistics::StatisticsRecord{});
    EXPECT_EQ(text(names::TForm1::Label24), "0,00 MB");
    sample(1'300, 100);
    EXPECT_EQ(running.Down1, 1'000);
}

struct WeekCase {
    const char* name;
    WeekTotalsMB week;
    double runningDown1Bytes;
    const char* shown;
    std::uint32_t color;
    friend void PrintTo(const WeekCase& c, std::ostream* os) { *os << c.name; }
};

class WeekTotalTest : public TrafficMeterTest, public testing::WithParamInterface<WeekCase> {};

TEST_P(WeekTotalTest, ShownInGBAndDarkRedWhenTheShownFigureIsAbove2Point8) {
    floatInUse = true;
    week = GetParam().week;
    running.Down1 = GetParam().runningDown1Bytes;
    loop.advance(1000);
    EXPECT_EQ(floating.get(names::TForm7::DRLabel10).text, GetParam().shown);
    EXPECT_EQ(floating.get(names::TForm7::DRLabel10).color, GetParam().color);
}

INSTANTIATE_TEST_SUITE_P(
    Totals, WeekTotalTest,
    testing::Values(WeekCase{"JustAbove", {2801, 0, 0, 0}, 0, "2,801 GB", TrafficMeter::kDarkRed},
                    WeekCase{"AtTheMark", {2800, 0, 0, 0}, 0, "2,800 GB", TrafficMeter::kBlack},
                    WeekCase{"AboveButShownAtTheMark", {2800.4, 0, 0, 0}, 0, "2,800 GB", TrafficMeter::kBlack},
                    WeekCase{"NightCountsOneFifth", {0, 0, 10'000, 4'005}, 0, "2,801 GB", TrafficMeter::kDarkRed},
                    WeekCase{"RunningRecordInBytes", {2000, 800, 0, 0}, 1'000'000, "2,801 GB", TrafficMeter::kDarkRed}),
    [](const auto& c) { return std::string(c.param.name); });

TEST_F(TrafficMeterTest, FailuresAreLoggedWithTheirTagsAndTheTickAlwaysEndsNotBusy) {
    table.throws = true;
    bool busyInside = false;
    meter.afterTick = [&] { busyInside = meter.timer4Busy(); };
    loop.advance(1000);
    EXPECT_EQ(errorLog(), "5.3.2026 12:00:01 : 357,1\r\n");
    EXPECT_EQ(text(names::TForm1::Label7), "0,0"); // the display ran after the failed sample
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(meter.timer4Busy());
    meter.afterTick = [] { throw std::runtime_error("data rule"); };
    table.throws = false;
    loop.advance(1000);
    EXPECT_EQ(errorLog().substr(errorLog().find('\n') + 1), "5.3.2026 12:00:02 : 937,1\r\n");
    EXPECT_FALSE(meter.timer4Busy());
}

// The data rule may wait with the message pump inside the tick, where the next tick can run.
TEST_F(TrafficMeterTest, ATickReEnteredInsideAWaitLeavesTheOuterOneBusy) {
    bool busyAfterInner = false;
    int depth = 0;
    meter.afterTick = [&] {
        if (++depth == 1) {
            loop.pumpWait(1500);
            busyAfterInner = meter.timer4Busy();
        }
        --depth;
    };
    loop.advance(1000);
    EXPECT_TRUE(busyAfterInner);
    EXPECT_FALSE(meter.timer4Busy());
}

} // namespace
} // namespace qv::metering
