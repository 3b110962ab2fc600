#include "common/OleDate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

namespace qv {

void PrintTo(const CivilDateTime& t, std::ostream* os) {
    *os << t.year << '-' << t.month << '-' << t.day << ' ' << t.hour << ':' << t.minute << ':' << t.second << '.'
        << t.millisecond;
}

namespace {

struct KnownDay {
    int year, month, day;
    int ole; // from Python: (date(...) - date(1899, 12, 30)).days
};

class OleKnownDayTest : public testing::TestWithParam<KnownDay> {};

TEST_P(OleKnownDayTest, CountsDaysBothWays) {
    const auto& p = GetParam();
    EXPECT_EQ(oleFromDate(p.year, p.month, p.day), p.ole);
    const CivilDateTime expected{p.year, p.month, p.day};
    EXPECT_EQ(civilFromOle(p.ole), expected);
}

INSTANTIATE_TEST_SUITE_P(Calendar, OleKnownDayTest,
                         testing::Values(KnownDay{1899, 12, 30, 0}, KnownDay{1899, 12, 29, -1},
                                         KnownDay{1900, 2, 28, 60}, KnownDay{1900, 3, 1, 61}, // 1900: no leap year
                                         KnownDay{2000, 2, 29, 36585}, KnownDay{1600, 2, 29, -109512},
                                         KnownDay{100, 1, 1, -657434}, KnownDay{9999, 12, 31, 2958465}));

TEST(OleDateTest, MomentWithTimeOfDay) {
    const CivilDateTime t{2026, 3, 5, 14, 7, 9, 0};
    const double ole = oleFromCivil(t);
    EXPECT_NEAR(ole, 46086.58829861111, 1e-9); // its round trip: EverySecondOfADayRoundTrips
    EXPECT_EQ(oleDatePart(ole), 46086);
    const CivilDateTime lastMillisecond{2026, 3, 5, 23, 59, 59, 999};
    EXPECT_EQ(civilFromOle(oleFromCivil(lastMillisecond)), lastMillisecond);
}

struct NegativeMoment {
    double ole;
    CivilDateTime civil;
};

class OleNegativeTest : public testing::TestWithParam<NegativeMoment> {};

TEST_P(OleNegativeTest, DayCountsBackTimeCountsForward) {
    EXPECT_EQ(civilFromOle(GetParam().ole), GetParam().civil);
    EXPECT_DOUBLE_EQ(oleFromCivil(GetParam().civil), GetParam().ole);
}

INSTANTIATE_TEST_SUITE_P(BeforeTheEpoch, OleNegativeTest,
                         testing::Values(NegativeMoment{-1.25, {1899, 12, 29, 6, 0, 0, 0}},
                                         NegativeMoment{-2.5, {1899, 12, 28, 12, 0, 0, 0}}));

TEST(OleDateTest, NegativeValuesSplitIntoDayAndTimeAndHalfADayIsNoon) {
    EXPECT_EQ(oleDatePart(-1.25), -1);
    EXPECT_DOUBLE_EQ(oleTimePart(-1.25), 0.25);
    EXPECT_EQ(oleSecondOfDay(-1.25), 6 * 3600);
    EXPECT_EQ(civilFromOle(0.5), (CivilDateTime{1899, 12, 30, 12, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(oleTimeOfDay(12, 0, 0), 0.5);
}

TEST(OleDateTest, EverySecondOfADayRoundTrips) {
    // Both sides of the epoch, where the fraction is added or subtracted.
    for (int day : {46086, -2}) {
        const double date = day;
        for (int s = 0; s < 86400; ++s) {
            const CivilDateTime t = civilFromOle(date);
            const CivilDateTime moment{t.year, t.month, t.day, s / 3600, s / 60 % 60, s % 60, 0};
            const double ole = oleFromCivil(moment);
            ASSERT_EQ(civilFromOle(ole), moment) << "day " << day << " second " << s;
            ASSERT_EQ(oleSecondOfDay(ole), s) << "day " << day << " second " << s;
        }
    }
}

TEST(OleDateTest, JustBeforeMidnightRoundsIntoTheNextDay) {
    EXPECT_EQ(civilFromOle(46086.0 - 1e-10), (CivilDateTime{2026, 3, 5, 0, 0, 0, 0}));
    EXPECT_EQ(civilFromOle(46086.0 - 5e-9), (CivilDateTime{2026, 3, 5, 0, 0, 0, 0})); // under half a millisecond
    EXPECT_EQ(civilFromOle(46086.0 - 7e-9).millisecond, 999);
    // Day -1 at almost 24:00 is the epoch's midnight.
    EXPECT_EQ(civilFromOle(-1.9999999999), (CivilDateTime{1899, 12, 30, 0, 0, 0, 0}));
    EXPECT_EQ(oleSecondOfDay(oleFromCivil({2026, 3, 5, 23, 59, 59, 600})), 0);
    EXPECT_EQ(oleSecondOfDay(oleFromCivil({2026, 3, 5, 23, 59, 59, 400})), 86399);
}

TEST(OleDateTest, NonFiniteValuesGiveTheEpoch) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(civilFromOle(nan), CivilDateTime{});
    EXPECT_EQ(civilFromOle(-inf), CivilDateTime{});
    EXPECT_EQ(oleDatePart(inf), 0);
    EXPECT_EQ(oleSecondOfDay(nan), 0);
}

} // namespace
} // namespace qv
