#include "settings/ProfileFile.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::settings {
namespace {

using namespace std::string_literals;

/// A file as a text editor saves it in UTF-16LE: the byte order mark, then each unit low byte first.
std::string utf16File(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

struct ReadCase {
    const char* name;
    std::string bytes;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
    friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
};

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
                    ReadCase{"Cp1250ValueAsUtf8", "[Email]\r\nPath=C:\\Po\x9Ata\r\n", "Email", "Path", "C:\\Pošta"},
                    ReadCase{"Utf8BomKeyOtherCase", "\xEF\xBB\xBF[Download]\r\nPřipojit=Žluťoučký\r\n", "DOWNLOAD",
                             "PŘIPOJIT", "Žluťoučký"},
                    ReadCase{"Utf8BomKeyOutsideCodePage", "\xEF\xBB\xBF[S]\r\n日本=1\r\n", "S", "日本", "1"},
                    ReadCase{"Utf16UnpairedSurrogates",
                             utf16File(u"[S]\r\nk=") + "\x00\xD8"
                                                       "a\x00"
                                                       "\x00\xDC"
                                                       "\x3D\xD8"s,
                             "S", "k", "\uFFFDa\uFFFD\uFFFD"},
                    ReadCase{"Utf16OddByteCount", utf16File(u"[S]\r\nk=1") + "\x0A", "S", "k", "1"},
                    ReadCase{"CrCrLf", "[A]\r\r\nx=1\r\r\n[B]\r\r\nk=2\r\r\n", "B", "k", "2"},
                    ReadCase{"CrOnly", "[A]\rx=1\r[B]\rk=2\r", "B", "k", "2"},
                    ReadCase{"VtFfCtrlZAroundValue", "[S]\r\nk=\v 1\f\x1A\r\n", "S", "k", "1"},
                    ReadCase{"CtrlZEndOfFileBeforeQuotesGo", "[S]\r\nk=\"7\"\x1A\x1A", "S", "k", "7"}),
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
    for (const std::string& bytes : {kHandWritten, "\xEF\xBB\xBF; Nastavení\r\n[Download]\r\nPřipojit=1\r\n"s,
                                     utf16File(u"; Nastavení\r\n[Email]\r\nPath=C:\\日本\\😀.exe"),
                                     "[S]\r\r\nk=1\r\r\n"s, "[A]\rx=1\r\r[B]\n\rk=2"s, "[S]\nk=1\r\n\x1A"s}) {
        EXPECT_EQ(ProfileFile::parse(bytes).serialize(), bytes);
    }
}

TEST(ProfileFile, ReplaceKeepsPositionAndEveryOtherLine) {
    auto file = ProfileFile::parse(kHandWritten);
    file.writeString("OKNO", "Left", "120");
    std::string expected = kHandWritten;
    expected.replace(expected.find("  left =  5 "), 12, "Left=120");
    EXPECT_EQ(file.serialize(), expected);
}

struct Write {
    const char* section;
    const char* key;
    const char* value;
};

struct WriteCase {
    const char* name;
    std::string before;
    std::vector<Write> writes;
    std::string after;
    friend void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }
};

class ProfileWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, Serializes) {
    const auto& c = GetParam();
    auto file = ProfileFile::parse(c.before);
    for (const auto& w : c.writes)
        file.writeString(w.section, w.key, w.value);
    EXPECT_EQ(file.serialize(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ProfileWrite,
    testing::Values(
        WriteCase{"NewKeyAfterLastKeyLineOfFirstSection",
                  "[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\nz=3\r\n[A]\r\nq=4\r\n",
                  {{"a", "y", "2"}},
                  "[A]\r\nx=1\r\ny=2\r\n; note\r\n\r\n[B]\r\nz=3\r\n[A]\r\nq=4\r\n"},
        WriteCase{"NewKeyRightAfterAnEmptySectionsHeader",
                  "[A]\r\n\r\n[B]\r\n",
                  {{"A", "k", "v"}},
                  "[A]\r\nk=v\r\n\r\n[B]\r\n"},
        WriteCase{"NewSectionsIntoEmptyFile",
                  "",
                  {{"Okno", "Left", "1"}, {"Okno", "Top", "2"}, {"Ucet", "Hodnota", "3"}},
                  "[Okno]\r\nLeft=1\r\nTop=2\r\n\r\n[Ucet]\r\nHodnota=3\r\n"},
        WriteCase{"Cp1250KeyReplacedInOtherCaseAndForeignTextAsQuestionMark",
                  "[Download]\r\nP\xD8IPOJIT=0\r\n",
                  {{"Download", "Připojit", "1"}, {"Email", "Path", "C:\\Pošta日"}},
                  "[Download]\r\nP\xF8ipojit=1\r\n\r\n[Email]\r\nPath=C:\\Po\x9Ata?\r\n"},
        WriteCase{
            "LineBreakInValueCut", "\xEF\xBB\xBF[S]\nk=1\n", {{"S", "k", "2\r\n[Evil]"}}, "\xEF\xBB\xBF[S]\nk=2\n"},
        WriteCase{"LfFileGetsLfLines", "[A]\nx=1", {{"Pripojit", "Ano", "0"}}, "[A]\nx=1\n\n[Pripojit]\nAno=0\n"},
        WriteCase{"ReplacedLastLineKeepsHavingNoEnd", "[S]\r\nk=1", {{"S", "k", "2"}}, "[S]\r\nk=2"},
        WriteCase{"CrCrLfLinesKeptNewLineGetsCrLf",
                  "[S]\r\r\nk=1\r\r\nj=2\r\r\n",
                  {{"S", "k", "5"}, {"S", "n", "6"}},
                  "[S]\r\r\nk=5\r\r\nj=2\r\r\nn=6\r\n"},
        WriteCase{"CrOnlyLinesKept",
                  "[A]\rx=1\r[B]\rk=2",
                  {{"B", "k", "3"}, {"C", "n", "1"}},
                  "[A]\rx=1\r[B]\rk=3\r\r[C]\rn=1\r"},
        WriteCase{"CtrlZStaysLast",
                  "[S]\r\nk=1\r\n\x1A",
                  {{"S", "j", "2"}, {"T", "n", "1"}},
                  "[S]\r\nk=1\r\nj=2\r\n\r\n[T]\r\nn=1\r\n\x1A"}),
    [](const auto& c) { return std::string(c.param.name); });

} // namespace
} // namespace qv::settings
