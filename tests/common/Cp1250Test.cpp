#include "common/Cp1250.h"

#include <gtest/gtest.h>

#include <string>

namespace qv::cp1250 {
namespace {

std::string byte(unsigned b) {
    return std::string(1, static_cast<char>(b));
}

// Bytes 0x80 … 0xFF as UTF-8, generated with Python's cp1250 codec (the five unassigned bytes as U+0081 …).
const std::string kHighHalfUtf8 =
    "\xE2\x82\xAC\xC2\x81\xE2\x80\x9A\xC2\x83\xE2\x80\x9E\xE2\x80\xA6\xE2\x80\xA0\xE2\x80\xA1"     // 80
    "\xC2\x88\xE2\x80\xB0\xC5\xA0\xE2\x80\xB9\xC5\x9A\xC5\xA4\xC5\xBD\xC5\xB9"                     // 88
    "\xC2\x90\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D\xE2\x80\xA2\xE2\x80\x93\xE2\x80\x94" // 90
    "\xC2\x98\xE2\x84\xA2\xC5\xA1\xE2\x80\xBA\xC5\x9B\xC5\xA5\xC5\xBE\xC5\xBA"                     // 98
    "\xC2\xA0\xCB\x87\xCB\x98\xC5\x81\xC2\xA4\xC4\x84\xC2\xA6\xC2\xA7"                             // A0
    "\xC2\xA8\xC2\xA9\xC5\x9E\xC2\xAB\xC2\xAC\xC2\xAD\xC2\xAE\xC5\xBB"                             // A8
    "\xC2\xB0\xC2\xB1\xCB\x9B\xC5\x82\xC2\xB4\xC2\xB5\xC2\xB6\xC2\xB7"                             // B0
    "\xC2\xB8\xC4\x85\xC5\x9F\xC2\xBB\xC4\xBD\xCB\x9D\xC4\xBE\xC5\xBC"                             // B8
    "\xC5\x94\xC3\x81\xC3\x82\xC4\x82\xC3\x84\xC4\xB9\xC4\x86\xC3\x87"                             // C0
    "\xC4\x8C\xC3\x89\xC4\x98\xC3\x8B\xC4\x9A\xC3\x8D\xC3\x8E\xC4\x8E"                             // C8
    "\xC4\x90\xC5\x83\xC5\x87\xC3\x93\xC3\x94\xC5\x90\xC3\x96\xC3\x97"                             // D0
    "\xC5\x98\xC5\xAE\xC3\x9A\xC5\xB0\xC3\x9C\xC3\x9D\xC5\xA2\xC3\x9F"                             // D8
    "\xC5\x95\xC3\xA1\xC3\xA2\xC4\x83\xC3\xA4\xC4\xBA\xC4\x87\xC3\xA7"                             // E0
    "\xC4\x8D\xC3\xA9\xC4\x99\xC3\xAB\xC4\x9B\xC3\xAD\xC3\xAE\xC4\x8F"                             // E8
    "\xC4\x91\xC5\x84\xC5\x88\xC3\xB3\xC3\xB4\xC5\x91\xC3\xB6\xC3\xB7"                             // F0
    "\xC5\x99\xC5\xAF\xC3\xBA\xC5\xB1\xC3\xBC\xC3\xBD\xC5\xA3\xCB\x99";                            // F8

TEST(Cp1250Test, HighHalfDecodesAsTheCodePageDefinesAndEveryByteSurvivesTheTrip) {
    std::string all;
    for (unsigned b = 0; b <= 0xFF; ++b)
        all += byte(b);
    EXPECT_EQ(toUtf8(all.substr(0x80)), kHighHalfUtf8);
    EXPECT_EQ(fromUtf8(kHighHalfUtf8), all.substr(0x80));
    EXPECT_EQ(fromUtf8(toUtf8(all)), all);
    // The letters the program's own texts need, readable.
    EXPECT_EQ(fromUtf8("€Šř"), "\x80\x8A\xF8");
}

TEST(Cp1250Test, TextOutsideTheCodePageBecomesQuestionMarks) {
    EXPECT_EQ(fromUtf8("a中b"), "a?b");
    EXPECT_EQ(fromUtf8("\xF0\x9F\x98\x80!"), "?!"); // a four-byte character is one '?'
    EXPECT_EQ(fromUtf8("\xC2\x82"), "?");           // a C1 control other than the five unassigned bytes
    EXPECT_EQ(fromUtf8("Žluťoučký kůň"), "\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2");
}

struct Malformed {
    const char* input;
    const char* expected;
};

class Cp1250MalformedTest : public testing::TestWithParam<Malformed> {};

TEST_P(Cp1250MalformedTest, BecomesQuestionMarksWithoutEatingGoodText) {
    EXPECT_EQ(fromUtf8(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Sequences, Cp1250MalformedTest,
                         testing::Values(Malformed{"\x80", "?"},   // continuation without a lead
                                         Malformed{"a\xC5", "a?"}, // cut at the end
                                         Malformed{"\xF0\x9F\x98"
                                                   "A",
                                                   "?A"},                       // four-byte form cut short
                                         Malformed{"\xC0\xAF", "??"},           // overlong '/'
                                         Malformed{"\xED\xA0\x80", "???"},      // a surrogate
                                         Malformed{"\xF4\x90\x80\x80", "????"}, // past U+10FFFF
                                         Malformed{"\xFF\xC5\xA0", "?\x8A"}));  // a bad byte, then Š

TEST(Cp1250Test, FoldCaseLowersExactlyTheCapitals) {
    // The code page's accented capitals and their small letters, as Python's str.lower pairs them.
    const std::string upper = fromUtf8("ŠŚŤŽŹŁĄŞŻĽŔÁÂĂÄĹĆÇČÉĘËĚÍÎĎĐŃŇÓÔŐÖŘŮÚŰÜÝŢABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const std::string lower = fromUtf8("šśťžźłąşżľŕáâăäĺćçčéęëěíîďđńňóôőöřůúűüýţabcdefghijklmnopqrstuvwxyz");
    ASSERT_EQ(upper.size(), 66u);
    ASSERT_EQ(lower.size(), 66u);
    for (unsigned b = 0; b <= 0xFF; ++b) {
        const auto pos = upper.find(static_cast<char>(b));
        const auto expected = pos == std::string::npos ? b : static_cast<unsigned char>(lower[pos]);
        EXPECT_EQ(foldCase(static_cast<unsigned char>(b)), expected) << "byte " << b;
    }
}

TEST(Cp1250Test, EqualsIgnoreCaseInTheCodePageAndInUtf8) {
    EXPECT_TRUE(equalsIgnoreCase(fromUtf8("PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ"), fromUtf8("příliš žluťoučký kůň")));
    EXPECT_FALSE(equalsIgnoreCase("abc", "abcd"));
    EXPECT_FALSE(equalsIgnoreCase(fromUtf8("Ř"), fromUtf8("r")));

    EXPECT_TRUE(equalsIgnoreCaseUtf8("PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ", "příliš žluťoučký kůň"));
    EXPECT_TRUE(equalsIgnoreCaseUtf8("日本\xC5", "日本\xC5"));
    EXPECT_FALSE(equalsIgnoreCaseUtf8("abc", "abcd"));
    EXPECT_FALSE(equalsIgnoreCaseUtf8("Ř", "r"));
    EXPECT_FALSE(equalsIgnoreCaseUtf8("日", "本")); // both would be '?' in the code page
    EXPECT_FALSE(equalsIgnoreCaseUtf8("\xC5", "\xC4"));
}

} // namespace
} // namespace qv::cp1250
