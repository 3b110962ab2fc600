#include "StatisticsFixture.h"

namespace qv::test {
namespace {

using statistics::UsageTotals;

struct UsageTotalsTest : StatisticsFixture {};

TEST_F(UsageTotalsTest, WorkedExampleOfFortyDays) {
    const double today = day(2026, 1, 20); // the windows reach back into December
    clock.set(today + tod(15, 0));
    std::vector<statistics::StatisticsRecord> list;
    for (int k = 0; k < 40; ++k)
        list.push_back(rec(today - k, 100, 10, 50, 5));
    put(list);

    const UsageTotals t = statistics::TodayTotals(list, "", static_cast<int>(today));
    UsageTotals week, month;
    usage.WeekTotals("alice", week);
    usage.MonthTotals("alice", month);
    EXPECT_DOUBLE_EQ(t.total(), 165);
    EXPECT_DOUBLE_EQ(t.recalculatedTotal(), 121);
    EXPECT_DOUBLE_EQ(week.total(), 1155);
    EXPECT_DOUBLE_EQ(week.recalculatedTotal(), 847);
    EXPECT_DOUBLE_EQ(month.total(), 5115);
    EXPECT_DOUBLE_EQ(month.recalculatedTotal(), 3751);
    EXPECT_DOUBLE_EQ((UsageTotals{0, 0, 600, 400}.recalculatedTotal()), 200);
}

struct WindowCase {
    double today;
    double recordDay;
    bool inToday, inWeek, inMonth;
};
struct WindowMembership : StatisticsFixture, ::testing::WithParamInterface<WindowCase> {};

TEST_P(WindowMembership, ARecordCountsOnlyOnTheCalendarDaysOfTheWindow) {
    const auto& c = GetParam();
    clock.set(c.today + tod(8, 0));
    put({rec(c.recordDay)});
    UsageTotals week, month;
    usage.WeekTotals("", week);
    usage.MonthTotals("", month);
    EXPECT_EQ(statistics::TodayTotals(records(), "", static_cast<int>(c.today)).Down1, c.inToday ? 1 : 0);
    EXPECT_EQ(week.Down1, c.inWeek ? 1 : 0);
    EXPECT_EQ(month.Down1, c.inMonth ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Calendar, WindowMembership,
    ::testing::Values(WindowCase{day(2027, 1, 3), day(2027, 1, 3), true, true, true},
                      WindowCase{day(2027, 1, 3), day(2026, 12, 28), false, true, true},
                      WindowCase{day(2027, 1, 3), day(2026, 12, 27), false, false, true},
                      WindowCase{day(2027, 1, 3), day(2026, 12, 4), false, false, true},
                      WindowCase{day(2027, 1, 3), day(2026, 12, 3), false, false, false},
                      WindowCase{day(2027, 1, 3), day(2027, 1, 4), false, false, false}, // clock set back
                      WindowCase{day(2024, 3, 2), day(2024, 2, 25), false, true, true},  // leap February
                      WindowCase{day(2024, 3, 2), day(2024, 2, 24), false, false, true},
                      WindowCase{day(2024, 3, 2), day(2024, 2, 1), false, false, true},
                      WindowCase{day(2024, 3, 2), day(2024, 1, 31), false, false, false},
                      WindowCase{day(2024, 3, 2), day(2024, 3, 1) + 0.5, false, false, false})); // not a day

struct UserFilterTable : ::testing::TestWithParam<std::tuple<const char*, const char*, bool>> {};

TEST_P(UserFilterTable, AllUsersOrExactlyOne) {
    const auto [filter, name, selected] = GetParam();
    EXPECT_EQ(statistics::UserFilter(filter).selects(rec(1, 1, 0, 0, 0, cp1250::fromUtf8(name))), selected);
}

INSTANTIATE_TEST_SUITE_P(Names, UserFilterTable,
                         ::testing::Values(std::tuple{"", "alice", true}, std::tuple{"Vše", "alice", true},
                                           std::tuple{"alice", "alice", true}, std::tuple{"Alice", "alice", false},
                                           std::tuple{"alice ", "alice", false}, std::tuple{"Jiří", "Jiří", true},
                                           std::tuple{"Jiri", "Jiří", false}, std::tuple{"日本", "??", false},
                                           std::tuple{"?", "?", true}));

TEST_F(UsageTotalsTest, AMissingFileLeavesTheTotalsAndAnUnreadableOneIsReported) {
    const UsageTotals kept{1, 2, 3, 4};
    UsageTotals week = kept, month = kept;
    usage.WeekTotals("", week);
    usage.MonthTotals("", month);
    EXPECT_EQ(week, kept);
    EXPECT_EQ(month, kept);

    put({rec(day(2026, 3, 5), 7)});
    fs.failReads = true;
    usage.WeekTotals("", week);
    usage.MonthTotals("", month);
    EXPECT_EQ(week, UsageTotals{});
    EXPECT_EQ(month, UsageTotals{});
    EXPECT_EQ(errors(), (std::vector<std::string>{"1,4039", "4,1635"}));
}

} // namespace
} // namespace qv::test
