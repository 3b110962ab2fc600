#include "modem/ModemReplies.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <ostream>
#include <string>

namespace qv::modem {
namespace {

struct SignalCase {
    std::string line;
    std::optional<int> percent; ///< nothing: no reading
    bool modemOff;
    friend std::ostream& operator<<(std::ostream& out, const SignalCase& c) { return out << '"' << c.line << '"'; }
};

class SignalReadingTest : public ::testing::TestWithParam<SignalCase> {};

TEST_P(SignalReadingTest, NumberAtPositionsNineToTwelveScaledAndRoundedToEightBits) {
    const auto& c = GetParam();
    const auto r = signalReading(c.line);
    ASSERT_EQ(r.has_value(), c.percent.has_value());
    if (!r)
        return;
    EXPECT_EQ(r->percent, *c.percent);
    EXPECT_EQ(r->modemOff, c.modemOff);
}

INSTANTIATE_TEST_SUITE_P(Lines, SignalReadingTest,
                         ::testing::Values(SignalCase{"+GTSTAT: 75,1\r\n", 40, false}, // a space, 7, 5 and a comma
                                           SignalCase{"+GTSTAT: 0\r\n", 100, false},   // the line end reads as spaces
                                           SignalCase{"+GTSTAT: 125,1\r\n", 0, true},  // exactly 0: the modem is off
                                           SignalCase{"+GTSTAT: 1\r\n", 99, false},    // 99.2
                                           SignalCase{"+GTSTAT: 3\r\n", 98, false},    // 97.6
                                           SignalCase{"+GTSTAT: 124\r\n", 1, false},   // 0.8 is not 0
                                           SignalCase{"+GTSTAT: 126\r\n", 255, false}, // −0.8 → −1, kept to 8 bits
                                           SignalCase{"+GTSTAT:9999\r\n", 37, false},  // −7899.2 → −7899 → 37
                                           SignalCase{"+GTSTAT:0075\r\n", 40, false},  // leading zeros
                                           SignalCase{"+GTSTAT: 5,1\r\n", std::nullopt,
                                                      false}, // "5 1": digits apart are no number
                                           SignalCase{"+GTSTAT: ,,\r\n", std::nullopt, false},
                                           SignalCase{"+GTSTAT\r\n", std::nullopt, false}, // shorter than position 9
                                           SignalCase{"", std::nullopt, false}));          // nothing ever arrived

struct BatteryCase {
    std::string line;
    std::optional<int> percent;
    friend std::ostream& operator<<(std::ostream& out, const BatteryCase& c) { return out << '"' << c.line << '"'; }
};

class BatteryPercentTest : public ::testing::TestWithParam<BatteryCase> {};

TEST_P(BatteryPercentTest, NumberAtPositionsNineToElevenUnscaled) {
    const auto& c = GetParam();
    const auto p = batteryPercent(c.line);
    ASSERT_EQ(p.has_value(), c.percent.has_value());
    if (p) {
        EXPECT_EQ(*p, *c.percent);
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, BatteryPercentTest,
                         ::testing::Values(BatteryCase{"+CBC: 0,100\r\n", 100}, BatteryCase{"+CBC: 0,80\r\n", 80},
                                           BatteryCase{"+CBC: 0,80", 80}, BatteryCase{"+CBC: 0,5\r\n", 5},
                                           BatteryCase{"+CBC: 1,999\r\n", 231}, // kept to 8 bits
                                           BatteryCase{"+CBC: 0,\r\n", std::nullopt},
                                           BatteryCase{"+CBC: 0,1 0\r\n", std::nullopt},
                                           BatteryCase{"", std::nullopt}));

TEST(ComPortDigitsTest, FourthCharacterAndTheFifthWhenItIsADigit) {
    EXPECT_EQ(comPortDigits("COM3"), "3");
    EXPECT_EQ(comPortDigits("COM12"), "12");
    EXPECT_EQ(comPortDigits("COM123"), "12"); // numbers above 99 are not supported
    EXPECT_EQ(comPortDigits("COM1x"), "1");
    EXPECT_EQ(comPortDigits("COMX"), "X"); // not a number: the poll fails on it
    EXPECT_EQ(comPortDigits("COM"), "");
}

TEST(ReplyWaitTest, SecondsToWholeMilliseconds) {
    EXPECT_EQ(replyWaitMs(1.5), 1500);
    EXPECT_EQ(replyWaitMs(5), 5000);
    EXPECT_EQ(replyWaitMs(0.1234), 123);
    EXPECT_EQ(replyWaitMs(0.0016), 2);
    EXPECT_EQ(replyWaitMs(0.0004), 0);
    EXPECT_EQ(replyWaitMs(-1), 0);
    EXPECT_EQ(replyWaitMs(1e12), std::numeric_limits<int>::max());
}

} // namespace
} // namespace qv::modem
