#include "common/Unicode.h"

#include <gtest/gtest.h>

#include <string>

namespace qv::unicode {
namespace {

using namespace std::string_literals;

enum class Way { Both, ToUtf8Only, ToUtf16Only };

struct Utf16Case {
    const char* name;
    std::string utf16le;
    std::string utf8;
    Way way = Way::Both;
    friend void PrintTo(const Utf16Case& c, std::ostream* os) { *os << c.name; }
};

class Utf16Le : public testing::TestWithParam<Utf16Case> {};

TEST_P(Utf16Le, Converts) {
    const auto& c = GetParam();
    if (c.way != Way::ToUtf16Only) {
        EXPECT_EQ(utf16leToUtf8(c.utf16le), c.utf8);
    }
    if (c.way != Way::ToUtf8Only) {
        EXPECT_EQ(utf8ToUtf16le(c.utf8), c.utf16le);
    }
}

const std::string kReplacement = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(
    Units, Utf16Le,
    testing::Values(
        Utf16Case{"AsciiNulCaronAndSurrogatePair", "A\0\0\0\x59\x01\x3D\xD8\x00\xDE"s, "A\0ř\xF0\x9F\x98\x80"s},
        Utf16Case{"LoneHighBeforeLetter", "\x00\xD8\x41\x00"s, kReplacement + "A", Way::ToUtf8Only},
        Utf16Case{"LowBeforeHigh", "\x00\xDC\x00\xD8"s, kReplacement + kReplacement, Way::ToUtf8Only},
        Utf16Case{"HighCutByEndAndOddByteDropped", "\x41\x00\x3D\xD8\x42"s, "A" + kReplacement, Way::ToUtf8Only},
        Utf16Case{"MalformedUtf8", "\x61\x00\xFD\xFF\xFD\xFF\xFD\xFF\xFD\xFF"s, "a\xED\xA0\x80\xC5", Way::ToUtf16Only}),
    [](const auto& c) { return std::string(c.param.name); });

} // namespace
} // namespace qv::unicode
