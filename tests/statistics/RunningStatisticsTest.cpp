#include "StatisticsFixture.h"

namespace qv::test {
namespace {

struct RunningStatisticsTest : StatisticsFixture {};

TEST_F(RunningStatisticsTest, AConnectionOverMidnightIsCutAtTheFirstTickOfTheNewDay) {
    settings.periodicSaveOn = false;
    clock.set(at(2026, 3, 5, 23, 0, 0));
    connect();
    meter(2 * 3600);
    disconnect();
    const auto r = records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].Datum, day(2026, 3, 5));
    EXPECT_EQ(r[0].Od, tod(23, 0));
    EXPECT_LT(r[0].Do, tod(0, 0, 1)); // smaller than Od: the piece ends just after midnight
    EXPECT_EQ(r[1].Datum, day(2026, 3, 6));
    EXPECT_EQ(r[1].Od, r[0].Do);
    EXPECT_EQ(r[1].Do, tod(1, 0));
    EXPECT_DOUBLE_EQ(r[0].Down1 + r[1].Down1, 7.2);
}

TEST_F(RunningStatisticsTest, PeriodicSavesCutPiecesThatMeetAndRefreshTheWeekTotals) {
    put({rec(day(2026, 3, 5), 5), rec(day(2026, 2, 26), 100)}); // the second is 7 days old
    clock.set(at(2026, 3, 5, 10, 0, 0));
    connect();
    EXPECT_EQ(usage.weekTotals().Down1, 5);
    meter(9000); // 2.5 hours, saved every 60 minutes
    disconnect();
    const auto r = records();
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[2].Od, tod(10, 0));
    EXPECT_EQ(r[2].Do, r[3].Od);
    EXPECT_EQ(r[3].Od, tod(11, 0));
    EXPECT_EQ(r[3].Do, r[4].Od);
    EXPECT_EQ(r[4].Do, tod(12, 30));
    EXPECT_DOUBLE_EQ(r[2].Down1 + r[3].Down1 + r[4].Down1, 9.0);
    EXPECT_DOUBLE_EQ(usage.weekTotals().Down1, 5 + r[2].Down1 + r[3].Down1); // not recomputed at disconnect
}

struct QuietCase {
    int h, m, s, ms;
    bool writes;
};
struct PeriodicSaveQuietWindow : StatisticsFixture, ::testing::WithParamInterface<QuietCase> {};

TEST_P(PeriodicSaveQuietWindow, TheMidnightSplitOwnsTheTenSecondsAroundMidnight) {
    const auto& c = GetParam();
    clock.set(at(2026, 3, 5, c.h, c.m, c.s, c.ms));
    connect();
    running.PeriodicSaveTick();
    EXPECT_EQ(fs.mem.exists(kFile), c.writes);
}

INSTANTIATE_TEST_SUITE_P(Times, PeriodicSaveQuietWindow,
                         ::testing::Values(QuietCase{23, 59, 54, 999, true}, QuietCase{23, 59, 55, 0, false},
                                           QuietCase{23, 59, 57, 0, false}, QuietCase{0, 0, 3, 0, false},
                                           QuietCase{0, 0, 5, 0, false}, QuietCase{0, 0, 5, 1, true},
                                           QuietCase{0, 0, 6, 0, true}));

TEST_F(RunningStatisticsTest, AtMostOneCutWorksOnTheRunningRecordAtATime) {
    // The date has changed and a save is due: whichever cut runs first, the other, re-entered from a message
    // wait before the write has returned, does nothing.
    for (const bool saveFirst : {true, false}) {
        fs.mem.remove(kFile);
        clock.set(at(2026, 3, 5, 10, 0, 0));
        connect();
        clock.set(at(2026, 3, 6, 0, 0, 10));
        fs.duringWrite = [&] { saveFirst ? running.MidnightTick() : running.PeriodicSaveTick(); };
        saveFirst ? running.PeriodicSaveTick() : running.MidnightTick();
        EXPECT_EQ(records().size(), 1u) << saveFirst;
        EXPECT_TRUE(timers.timer(15).enabled() && timers.timer(16).enabled());
        disconnect();
    }
    fs.mem.remove(kFile);
    connect();
    controller.disconnectBusy = true;
    running.MidnightTick();
    running.PeriodicSaveTick();
    controller.disconnectBusy = false;
    settings.periodicSaveOn = false;
    running.PeriodicSaveTick();
    EXPECT_FALSE(fs.mem.exists(kFile));
}

TEST_F(RunningStatisticsTest, AFullDiskLeavesTheFileWholeAndTheTrafficInTheRunningRecord) {
    put({rec(day(2026, 3, 1)), rec(day(2026, 3, 2))});
    const std::string old = bytes();
    connect();
    meter(600);
    fs.mem.failWritesAfter(0);
    running.PeriodicSaveTick();
    EXPECT_EQ(bytes(), old);
    EXPECT_FALSE(timers.timer(16).enabled() || running.periodicSaveBusy());

    fs.mem.failWritesAfter(-1);
    meter(600);
    disconnect();
    EXPECT_EQ(bytes().substr(0, old.size()), old);
    EXPECT_DOUBLE_EQ(records().at(2).Down1, 1.2); // every byte once
}

struct MissingDirectory : StatisticsFixture {
    void SetUp() override {} // Statistiky/ is not installed
};

TEST_F(MissingDirectory, EveryFailedWriteIsReportedAndConnectionsGoOn) {
    settings.periodicSaveMinutes = 60;
    clock.set(at(2026, 3, 5, 23, 30, 0));
    connect();
    meter(3 * 3600);
    // One failed midnight split, one failed save; their timers stay stopped until the next connection.
    EXPECT_EQ(errors(), (std::vector<std::string>{"3014,1", "3069,1"}));
    EXPECT_FALSE(timers.timer(15).enabled() || timers.timer(16).enabled() || running.midnightSplitBusy());
    disconnect();
    EXPECT_EQ(errors().back(), "1629,1");
    EXPECT_EQ(running.currentConnRecord(), nullptr);

    connect();
    EXPECT_TRUE(timers.timer(15).enabled());
    fs.mem.addDir("/app/Statistiky");
    meter(10);
    disconnect();
    EXPECT_EQ(records().size(), 1u);
    EXPECT_EQ(errors().size(), 3u);
}

} // namespace
} // namespace qv::test
