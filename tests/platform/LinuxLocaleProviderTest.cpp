#include "platform/linux/LinuxLocaleProvider.h"

#include "common/Formats.h"
#include "common/OleDate.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace qv::platform {
namespace {

struct Conversion {
    const char* strftimePattern;
    const char* expected;
    friend void PrintTo(const Conversion& c, std::ostream* os) { *os << '"' << c.strftimePattern << '"'; }
};

class PatternFromStrftimeTest : public testing::TestWithParam<Conversion> {};

TEST_P(PatternFromStrftimeTest, Converts) {
    EXPECT_EQ(patternFromStrftime(GetParam().strftimePattern), GetParam().expected);
}

// Conversions the comparison with strftime below cannot make: padding flags, alternative forms, names.
INSTANTIATE_TEST_SUITE_P(LocalePatterns, PatternFromStrftimeTest,
                         testing::Values(Conversion{"%e.%m.%Y", "d.MM.yyyy"}, Conversion{"%k:%M", "H:mm"},
                                         Conversion{"%-H:%-M:%-S", "H:m:s"}, Conversion{"%l:%M %P", "h:mm tt"},
                                         Conversion{"%OH:%EY", "HH:yyyy"}, Conversion{"%_d/%02m", "d/MM"},
                                         Conversion{"%d de %B de %Y", "dd 'de'  'de' yyyy"}, // no month names
                                         Conversion{"%a %d", " dd"}, Conversion{"%H%", "HH%"}, Conversion{"", ""}));

// Our pattern must write what the C library writes for the pattern it came from.
TEST(PatternFromStrftimeTest, FormatsLikeStrftime) {
    const std::array patterns = {"%-d.%-m.%Y",   "%d/%m/%y", "%m/%d/%Y",   "%F",        "%D",
                                 "%T",           "%r",       "%R",         "%I:%M %p",  "%-I:%M:%S %p",
                                 "%Y年%m月%d日", "%d de %m", "it's %H:%M", "%%%H\"%M\""};
    const std::array moments = {CivilDateTime{2026, 3, 5, 14, 7, 9, 0}, CivilDateTime{2009, 11, 23, 0, 5, 0, 0},
                                CivilDateTime{2000, 1, 1, 12, 30, 45, 0}};
    for (const char* pattern : patterns) {
        for (const CivilDateTime& t : moments) {
            std::tm tm{};
            tm.tm_year = t.year - 1900;
            tm.tm_mon = t.month - 1;
            tm.tm_mday = t.day;
            tm.tm_hour = t.hour;
            tm.tm_min = t.minute;
            tm.tm_sec = t.second;
            std::array<char, 128> buf{};
            ASSERT_GT(std::strftime(buf.data(), buf.size(), pattern, &tm), 0u) << pattern;
            const LocaleFormats locale{',', patternFromStrftime(pattern), ""};
            EXPECT_EQ(formatShortDate(oleFromCivil(t), locale), buf.data()) << pattern;
        }
    }
}

TEST(LinuxLocaleProviderTest, PortableOrMissingLocaleGivesCzechDefaults) {
    const char* previous = std::getenv("LC_ALL");
    const std::optional<std::string> old = previous ? std::optional<std::string>(previous) : std::nullopt;
    for (const char* name : {"C.UTF-8", "xx_XX.UTF-8"}) {
        ::setenv("LC_ALL", name, 1);
        const LocaleFormats f = LinuxLocaleProvider().formats();
        EXPECT_EQ(f.decimalSeparator, ',') << name;
        EXPECT_EQ(f.shortDate, "d.M.yyyy") << name;
        EXPECT_EQ(f.longTime, "H:mm:ss") << name;
    }
    old ? ::setenv("LC_ALL", old->c_str(), 1) : ::unsetenv("LC_ALL"); // as the other tests expect it
}

} // namespace
} // namespace qv::platform
