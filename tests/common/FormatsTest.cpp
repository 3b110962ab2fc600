#include "common/Formats.h"

#include "common/OleDate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qv {
namespace {

const LocaleFormats kCzech{};
const LocaleFormats kEnglish{'.', "M/d/yyyy", "h:mm:ss tt"};

struct FixedCase {
    double value;
    int precision;
    int decimals;
    const char* expected;
};

void PrintTo(const FixedCase& c, std::ostream* os) {
    *os << c.value << " p" << c.precision << " d" << c.decimals;
}

class FormatFixedTest : public testing::TestWithParam<FixedCase> {};

TEST_P(FormatFixedTest, Czech) {
    const auto& c = GetParam();
    EXPECT_EQ(formatFixed(c.value, c.precision, c.decimals, kCzech), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rounding, FormatFixedTest,
                         testing::Values(FixedCase{123.45, 4, 1, "123,5"}, FixedCase{1.0, 4, 0, "1"},
                                         FixedCase{3.14159, 3, 4, "3,1400"}, // precision, then zeros
                                         // Halves go away from zero on the decimal digits, not on the binary value.
                                         FixedCase{0.125, 8, 2, "0,13"}, FixedCase{-0.125, 8, 2, "-0,13"},
                                         FixedCase{1.005, 8, 2, "1,01"},
                                         // One rounding, not two: 0.0449 must not become 0.045 and then 0.1.
                                         FixedCase{0.0449, 2, 1, "0,0"},
                                         // A carry that adds a digit.
                                         FixedCase{9.96, 8, 1, "10,0"}, FixedCase{999.96, 4, 1, "1000,0"},
                                         // Below half of the last decimal: zero, without a sign.
                                         FixedCase{-0.001, 8, 2, "0,00"}, FixedCase{-0.0, 8, 1, "0,0"},
                                         // More than `precision` digits before the point: exponent form.
                                         FixedCase{12345678, 8, 2, "12345678,00"}, FixedCase{12345.6, 4, 1, "1,235E+4"},
                                         FixedCase{9999.6, 4, 1, "1E+4"}, FixedCase{123456789, 8, 2, "1,2345679E+8"},
                                         FixedCase{-1e10, 8, 2, "-1E+10"}, FixedCase{1e300, 15, 2, "1E+300"},
                                         // A double has 15 reliable digits; more would write binary noise.
                                         FixedCase{0.1, 20, 18, "0,100000000000000000"}));

TEST(FormatsTest, FixedUsesTheLocaleSeparatorAndNamesNonNumbers) {
    EXPECT_EQ(formatFixed(1234.5, 8, 2, kEnglish), "1234.50");
    EXPECT_EQ(formatFixed(1.5e10, 8, 2, kEnglish), "1.5E+10");
    EXPECT_EQ(formatFixed(std::numeric_limits<double>::quiet_NaN(), 8, 2, kCzech), "NAN");
    EXPECT_EQ(formatFixed(std::numeric_limits<double>::infinity(), 8, 2, kCzech), "INF");
    EXPECT_EQ(formatFixed(-std::numeric_limits<double>::infinity(), 8, 2, kCzech), "-INF");
}

struct DurationCase {
    std::int64_t seconds;
    const char* expected;
};

class FormatDurationTest : public testing::TestWithParam<DurationCase> {};

TEST_P(FormatDurationTest, Writes) {
    EXPECT_EQ(formatDuration(GetParam().seconds), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Parts, FormatDurationTest,
                         testing::Values(DurationCase{0, "00:00:00"}, DurationCase{59, "00:00:59"},
                                         DurationCase{3725, "01:02:05"}, DurationCase{360000, "100:00:00"},
                                         DurationCase{-5, "00:00:-5"}, DurationCase{-60, "00:-1:00"},
                                         DurationCase{-3725, "-1:-2:-5"}));

const double kAfternoon = oleFromCivil({2026, 3, 5, 14, 7, 9, 0});

TEST(FormatsTest, CzechDateAndTime) {
    EXPECT_EQ(formatShortDate(kAfternoon, kCzech), "5.3.2026");
    EXPECT_EQ(formatLongTime(kAfternoon, kCzech), "14:07:09");
    EXPECT_EQ(formatDateTime(kAfternoon, kCzech), "5.3.2026 14:07:09");
    EXPECT_EQ(formatDateTime(oleFromCivil({2026, 11, 23, 9, 5, 0, 0}), kCzech), "23.11.2026 9:05:00");
}

TEST(FormatsTest, EnglishDateAndTwelveHourClock) {
    EXPECT_EQ(formatDateTime(kAfternoon, kEnglish), "3/5/2026 2:07:09 PM");
    EXPECT_EQ(formatLongTime(oleFromCivil({2026, 3, 5, 0, 30, 0, 0}), kEnglish), "12:30:00 AM");
    EXPECT_EQ(formatLongTime(oleFromCivil({2026, 3, 5, 12, 0, 1, 0}), kEnglish), "12:00:01 PM");
    EXPECT_EQ(formatLongTime(oleFromCivil({2026, 3, 5, 11, 59, 59, 0}), kEnglish), "11:59:59 AM");
}

TEST(FormatsTest, MidnightLeavesTheTimeOut) {
    EXPECT_EQ(formatDateTime(oleFromDate(2026, 3, 5), kCzech), "5.3.2026");
    EXPECT_EQ(formatDateTime(oleFromCivil({2026, 3, 5, 0, 0, 1, 0}), kCzech), "5.3.2026 0:00:01");
    EXPECT_EQ(formatDateTime(oleFromDate(2026, 3, 6) - 1e-10, kCzech), "6.3.2026"); // rounds to midnight
    EXPECT_EQ(formatDateTime(0, kEnglish), "12/30/1899");
}

TEST(FormatsTest, PaddedTokensAndQuotedText) {
    const double t = oleFromCivil({2009, 1, 2, 3, 4, 5, 0});
    EXPECT_EQ(formatShortDate(t, {',', "dd.MM.yy", ""}), "02.01.09");
    EXPECT_EQ(formatShortDate(t, {',', "yyyy-MM-dd", ""}), "2009-01-02");
    EXPECT_EQ(formatLongTime(t, {',', "", "HH:mm:ss"}), "03:04:05");
    EXPECT_EQ(formatLongTime(t, {',', "", "hh:mm tt"}), "03:04 AM");
    EXPECT_EQ(formatShortDate(t, {',', "d 'de' M \"day\" y", ""}), "2 de 1 day y");
    EXPECT_EQ(formatShortDate(t, {',', "d 'unclosed M", ""}), "2 unclosed M");
}

struct TimeCase {
    const char* text;
    int secondOfDay; // -1: rejected
    friend void PrintTo(const TimeCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class ParseTimeOfDayTest : public testing::TestWithParam<TimeCase> {};

TEST_P(ParseTimeOfDayTest, Czech) {
    const auto parsed = parseTimeOfDay(GetParam().text, kCzech);
    if (GetParam().secondOfDay < 0) {
        EXPECT_FALSE(parsed.has_value());
    } else {
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(std::lround(*parsed * 86400), GetParam().secondOfDay);
    }
}

INSTANTIATE_TEST_SUITE_P(Accepted, ParseTimeOfDayTest,
                         testing::Values(TimeCase{"7:30:00", 27000}, TimeCase{"07:30:00", 27000},
                                         TimeCase{"00:00:00", 0}, TimeCase{"7:30", 27000}, TimeCase{"23:59:59", 86399},
                                         TimeCase{"  7:30:15 ", 27015}, TimeCase{"7.30.15", 27015},
                                         TimeCase{"7:30pm", 70200}, TimeCase{"12:15:00am", 900},
                                         TimeCase{"12:00 PM", 43200}));

INSTANTIATE_TEST_SUITE_P(Rejected, ParseTimeOfDayTest,
                         testing::Values(TimeCase{"", -1}, TimeCase{"24:00:00", -1}, TimeCase{"7:60", -1},
                                         TimeCase{"7:30:60", -1}, TimeCase{"13:00 PM", -1}, TimeCase{"7:30:00x", -1},
                                         TimeCase{"7", -1}, TimeCase{"7:30:", -1}, TimeCase{"7:30.00", -1},
                                         TimeCase{"-1:00", -1}, TimeCase{"7:30:00:00", -1}));

struct DecimalCase {
    const char* text;
    std::optional<double> expected;
    friend void PrintTo(const DecimalCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class ParseDecimalTest : public testing::TestWithParam<DecimalCase> {};

TEST_P(ParseDecimalTest, Czech) {
    EXPECT_EQ(parseDecimal(GetParam().text, kCzech), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseDecimalTest,
                         testing::Values(DecimalCase{"1,5", 1.5}, DecimalCase{"1.5", 1.5},
                                         DecimalCase{" -2,25 ", -2.25}, DecimalCase{"+3", 3.0}, DecimalCase{",5", 0.5},
                                         DecimalCase{"7,", 7.0}, DecimalCase{"1,5E+10", 1.5e10},
                                         DecimalCase{"  ", std::nullopt}, DecimalCase{"1,5x", std::nullopt},
                                         DecimalCase{"1,5,6", std::nullopt}, DecimalCase{"1 000", std::nullopt},
                                         DecimalCase{",", std::nullopt}, DecimalCase{"1e", std::nullopt},
                                         DecimalCase{"inf", std::nullopt}, DecimalCase{"0x1A", std::nullopt},
                                         DecimalCase{"1e999", std::nullopt}, DecimalCase{"--1", std::nullopt}));

TEST(FormatsTest, FormatDecimalIsShortestAndReadsBack) {
    EXPECT_EQ(formatDecimal(1.5, kCzech), "1,5");
    EXPECT_EQ(formatDecimal(2, kCzech), "2");
    EXPECT_EQ(formatDecimal(-0.1, kCzech), "-0,1");
    EXPECT_EQ(formatDecimal(-0.0, kCzech), "0");
    EXPECT_EQ(formatDecimal(1e20, kCzech), "100000000000000000000");
    EXPECT_EQ(formatDecimal(1.5, kEnglish), "1.5");
    for (double v : {0.1 + 0.2, 1.0 / 3, -123456.789, 1e-7, 5e-324, 1.7976931348623157e308})
        EXPECT_EQ(parseDecimal(formatDecimal(v, kCzech), kCzech), v) << v;
}

} // namespace
} // namespace qv
