#include "settings/ProfileFile.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qv::settings {
namespace {

struct ReadCase {
    const char* name;
    std::string bytes;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileRead : public testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, FindsValue) {
    const auto& c = GetParam();
    EXPECT_EQ(ProfileFile::parse(c.bytes).readString(c.section, c.key), c.expected);
}

const auto none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Lookup, ProfileRead,
    testing::Values(ReadCase{"TrimsKeyAndValue", "[S]\r\n \tKey \t=  a b \t\r\n", "S", "Key", "a b"},
                    ReadCase{"OtherLetterCase", "[okno]\r\nPRUHLED=10\r\n", "Okno", "Pruhled", "10"},
                    ReadCase{"SectionNameTrimmedTextAfterIgnored", "  [ Okno ] ; note\r\nShow=1\r\n", "Okno", "Show",
                             "1"},
                    ReadCase{"DoubleQuotesRemoved", "[S]\r\nk=\" a \"\r\n", "S", "k", " a "},
                    ReadCase{"SingleQuotesRemoved", "[S]\r\nk='x'\r\n", "S", "k", "x"},
                    ReadCase{"UnmatchedQuotesKept", "[S]\r\nk=\"x'\r\n", "S", "k", "\"x'"},
                    ReadCase{"LoneQuoteKept", "[S]\r\nk=\"\r\n", "S", "k", "\""},
                    ReadCase{"EqualsInValue", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
                    ReadCase{"EmptyValueIsPresent", "[S]\r\nk=\r\n", "S", "k", ""},
                    ReadCase{"FirstKeyWins", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "1"},
                    ReadCase{"OnlyFirstSectionConsulted", "[S]\r\na=1\r\n[s]\r\nb=2\r\n", "S", "b", none},
                    ReadCase{"FirstOfDuplicateSections", "[S]\r\nk=1\r\n[S]\r\nk=2\r\n", "S", "k", "1"},
                    ReadCase{"CommentIgnored", "[S]\r\n;k=1\r\n", "S", "k", none},
                    ReadCase{"LineWithoutEqualsSkipped", "[S]\r\njunk\r\nk=1\r\n", "S", "k", "1"},
                    ReadCase{"LineWithoutEqualsIsNoKey", "[S]\r\njunk\r\n", "S", "junk", none},
                    ReadCase{"BracketWithoutCloseIsNoHeader", "[S]\r\n[broken\r\nk=1\r\n", "S", "k", "1"},
                    ReadCase{"KeyBeforeAnySection", "k=1\r\n[S]\r\n", "S", "k", none},
                    ReadCase{"KeyOfNextSection", "[A]\r\n[B]\r\nk=1\r\n", "A", "k", none},
                    ReadCase{"LfOnly", "[A]\nx=1\n[B]\nk=2\n", "B", "k", "2"},
                    ReadCase{"NoFinalLineEnd", "[A]\r\nk=7", "A", "k", "7"},
                    ReadCase{"Utf8BomBeforeFirstHeader", "\xEF\xBB\xBF[Okno]\r\nShow=0\r\n", "Okno", "Show", "0"},
                    ReadCase{"Cp1250KeyOtherCase", "[Download]\r\nP\xF8ipojit=1\r\n", "DOWNLOAD", "PŘIPOJIT", "1"},
                    ReadCase{"Cp1250KeyNotAscii", "[Download]\r\nP\xF8ipojit=1\r\n", "Download", "Pripojit", none},
                    ReadCase{"Cp1250ValueAsUtf8", "[Email]\r\nPath=C:\\Po\x9Ata\r\n", "Email", "Path", "C:\\Pošta"}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(ProfileFile, HugeLineReadAndReplaced) {
    const std::string huge(300000, 'x');
    auto file = ProfileFile::parse("[S]\r\nbig=" + huge + "\r\nk=1\r\n");
    EXPECT_EQ(file.readString("S", "big"), huge);
    EXPECT_EQ(file.readString("S", "k"), "1");
    file.writeString("S", "big", "y");
    EXPECT_EQ(file.serialize(), "[S]\r\nbig=y\r\nk=1\r\n");
}

const std::string kHandWritten = "; settings\r\n"
                                 "[Okno]\r\n"
                                 "Show = 1\r\n"
                                 "  left =  5 \r\n"
                                 "a stray line\r\n"
                                 "Top=7\r\n"
                                 "\r\n"
                                 "[Email]\r\n"
                                 "Path=\"C:\\x.exe\"\r\n";

TEST(ProfileFile, UnchangedFileSerializesByteForByte) {
    EXPECT_EQ(ProfileFile::parse(kHandWritten).serialize(), kHandWritten);
}

TEST(ProfileFile, ReplaceKeepsPositionAndEveryOtherLine) {
    auto file = ProfileFile::parse(kHandWritten);
    file.writeString("OKNO", "Left", "120");
    std::string expected = kHandWritten;
    expected.replace(expected.find("  left =  5 "), 12, "Left=120");
    EXPECT_EQ(file.serialize(), expected);
}

TEST(ProfileFile, NewKeyGoesAfterLastKeyLineOfFirstSectionOrRightAfterAnEmptySectionsHeader) {
    auto file = ProfileFile::parse("[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\nz=3\r\n[A]\r\nq=4\r\n");
    file.writeString("a", "y", "2");
    EXPECT_EQ(file.serialize(), "[A]\r\nx=1\r\ny=2\r\n; note\r\n\r\n[B]\r\nz=3\r\n[A]\r\nq=4\r\n");
    auto empty = ProfileFile::parse("[A]\r\n\r\n[B]\r\n");
    empty.writeString("A", "k", "v");
    EXPECT_EQ(empty.serialize(), "[A]\r\nk=v\r\n\r\n[B]\r\n");
}

TEST(ProfileFile, NewSectionAppendedAfterBlankLine) {
    auto file = ProfileFile::parse("[A]\nx=1"); // LF only, no final line end
    file.writeString("Pripojit", "Ano", "0");
    EXPECT_EQ(file.serialize(), "[A]\r\nx=1\r\n\r\n[Pripojit]\r\nAno=0\r\n");

    auto empty = ProfileFile::parse("");
    empty.writeString("Okno", "Left", "1");
    empty.writeString("Okno", "Top", "2");
    EXPECT_EQ(empty.serialize(), "[Okno]\r\nLeft=1\r\nTop=2\r\n");
}

TEST(ProfileFile, WritesCp1250AndReplacesOtherCaseSpelling) {
    auto file = ProfileFile::parse("[Download]\r\nP\xD8IPOJIT=0\r\n");
    file.writeString("Download", "Připojit", "1");
    file.writeString("Email", "Path", "C:\\Pošta");
    EXPECT_EQ(file.serialize(), "[Download]\r\nP\xF8ipojit=1\r\n\r\n[Email]\r\nPath=C:\\Po\x9Ata\r\n");
}

TEST(ProfileFile, BomKeptAndLineBreakInValueCut) {
    auto file = ProfileFile::parse("\xEF\xBB\xBF[S]\nk=1\n");
    file.writeString("S", "k", "2\r\n[Evil]");
    EXPECT_EQ(file.serialize(), "\xEF\xBB\xBF[S]\r\nk=2\r\n");
}

} // namespace
} // namespace qv::settings
