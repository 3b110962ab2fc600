#include "StatisticsFixture.h"
#include "statistics/SpreadsheetExport.h"
#include "statistics/SylkWriter.h"

namespace qv::test {
namespace {

using statistics::SylkWriter;

std::string lines(std::initializer_list<std::string_view> list) {
    std::string out;
    for (std::string_view l : list) {
        out += l;
        out += "\r\n";
    }
    return cp1250::fromUtf8(out);
}

const std::string kHead = lines({
    "ID;PWXL;N;E",
    "P;PGeneral",
    "P;P0",
    "P;P0.00",
    "P;P#,##0",
    "P;P#,##0.00",
    R"(P;P#,##0\ "Kč";;\-#,##0\ "Kč")",
    R"(P;P#,##0\ "Kč";;[Red]\-#,##0\ "Kč")",
    R"(P;P#,##0.00\ "Kč";;\-#,##0.00\ "Kč")",
    R"(P;P#,##0.00\ "Kč";;[Red]\-#,##0.00\ "Kč")",
    R"(P;P"$"#,##0_);;\("$"#,##0\))",
    R"(P;P"$"#,##0_);;[Red]\("$"#,##0\))",
    R"(P;P"$"#,##0.00_);;\("$"#,##0.00\))",
    R"(P;P"$"#,##0.00_);;[Red]\("$"#,##0.00\))",
    "P;P0%",
    "P;P0.00%",
    "P;P0.00E+00",
    "P;P##0.0E+0",
    R"(P;P#\ ?/?)",
    R"(P;P#\ ??/??)",
    "P;Pd.m.yyyy",
    R"(P;Pd\.mmmm\ yyyy)",
    R"(P;Pd\.mmm\.yy)",
    R"(P;Pd\.mmm)",
    R"(P;Pmmmm\ yy)",
    R"(P;Ph:mm\ AM/PM)",
    R"(P;Ph:mm:ss\ AM/PM)",
    "P;Ph:mm",
    "P;Ph:mm:ss",
    "P;Pd.m.yyyy h:mm",
    "P;Pmm:ss",
    "P;Pmm:ss.0",
    "P;P@",
    "P;P[h]:mm:ss",
    R"(P;P_-* #,##0\ "Kč"_-;;\-* #,##0\ "Kč"_-;;_-* "-"\ "Kč"_-;;_-@_-)",
    R"(P;P_-* #,##0.00\ "Kč"_-;;\-* #,##0.00\ "Kč"_-;;_-* "-"??\ "Kč"_-;;_-@_-)",
    "P;Pyyyy-mm-dd",
    "P;FArial CE;M200",
    "P;FArial CE;M200",
    "P;FArial CE;M200",
    "P;FArial CE;M200",
});

const std::string kSheet = lines({
    "F;P0;DG0G8;M255",
    "B;Y1;X1;D0 0 0 0",
    "O;D;V0;K47;G100 0.001",
    "F;W1 1 18",
    "F;W2 2 18",
    "F;W3 3 18",
    "F;W4 4 18",
    "F;W5 5 18",
    "F;W6 6 18",
    "F;W7 7 18",
    "F;W8 8 18",
});

// A cell's two lines side by side.
// clang-format off
const std::string kHeaderRow = lines({
    "F;P0;FG0C;SM6;Y1;X1 ", R"(C;Y1;X1;K"Uživatel")",
    "F;P0;FG0C;SM6;Y1;X2 ", R"(C;Y1;X2;K"Datum")",
    "F;P0;FG0C;SM6;Y1;X3 ", R"(C;Y1;X3;K"Od")",
    "F;P0;FG0C;SM6;Y1;X4 ", R"(C;Y1;X4;K"Do")",
    "F;P0;FG0C;SM6;Y1;X5 ", R"(C;Y1;X5;K"1. Download MB")",
    "F;P0;FG0C;SM6;Y1;X6 ", R"(C;Y1;X6;K"1. Upload MB")",
    "F;P0;FG0C;SM6;Y1;X7 ", R"(C;Y1;X7;K"2. Download MB")",
    "F;P0;FG0C;SM6;Y1;X8 ", R"(C;Y1;X8;K"2. Upload MB")",
});
// clang-format on

TEST(SylkExport, TheBytesOfASmallExport) {
    statistics::StatisticsRecord first =
        rec(day(2026, 3, 5), 12.5, 1.25, 0, 1234.56, cp1250::fromUtf8("Žluťoučký;kůň"));
    statistics::StatisticsRecord second = rec(day(2025, 12, 31), 0.04, 99999999, 0.05, 7, "bob  ");
    second.Od = tod(23, 59, 59);
    second.Do = tod(0, 0, 1);
    // clang-format off
    const std::string expected =
        kHead + lines({"P;ECourier New CE;M200;L9", "P;EArial CE;M200;SB;L9", "P;EArial CE;M200;L9"}) + kSheet +
        kHeaderRow +
        lines({
            "F;P0;FG0C;SM7;Y2;X1 ", R"(C;Y2;X1;K"Žluťoučký;;kůň")",
            "F;P0;FG0C;SM7;Y2;X2 ", R"(C;Y2;X2;K"5.3.2026")",
            "F;P0;FG0C;SM7;Y2;X3 ", R"(C;Y2;X3;K"10:00:00")",
            "F;P0;FG0C;SM7;Y2;X4 ", R"(C;Y2;X4;K"11:00:00")",
            "F;P0;FG0C;SM7;Y2;X5 ", R"(C;Y2;X5;K"12,5")",
            "F;P0;FG0C;SM7;Y2;X6 ", R"(C;Y2;X6;K"1,3")",
            "F;P0;FG0C;SM7;Y2;X7 ", R"(C;Y2;X7;K"0,0")",
            "F;P0;FG0C;SM7;Y2;X8 ", R"(C;Y2;X8;K"1234,6")",
            "F;P0;FG0C;SM7;Y3;X1 ", R"(C;Y3;X1;K"bob")",
            "F;P0;FG0C;SM7;Y3;X2 ", R"(C;Y3;X2;K"31.12.2025")",
            "F;P0;FG0C;SM7;Y3;X3 ", R"(C;Y3;X3;K"23:59:59")",
            "F;P0;FG0C;SM7;Y3;X4 ", R"(C;Y3;X4;K"0:00:01")",
            "F;P0;FG0C;SM7;Y3;X5 ", R"(C;Y3;X5;K"0,0")",
            "F;P0;FG0C;SM7;Y3;X6 ", R"(C;Y3;X6;K"99999999,0")",
            "F;P0;FG0C;SM7;Y3;X7 ", R"(C;Y3;X7;K"0,1")",
            "F;P0;FG0C;SM7;Y3;X8 ", R"(C;Y3;X8;K"7,0")",
            "E",
        });
    // clang-format on
    EXPECT_EQ(statistics::statisticsSpreadsheet({first, second}, LocaleFormats{}), expected);
}

TEST(SylkExport, WithoutRecordsOnlyTheHeaderRowAndItsFontAreWritten) {
    EXPECT_EQ(statistics::statisticsSpreadsheet({}, LocaleFormats{}),
              kHead + lines({"P;ECourier New CE;M200;L9", "P;EArial CE;M200;SB;L9"}) + kSheet + kHeaderRow +
                  lines({"E"}));
}

TEST(SylkWriter, FontsAreNumberedFromFiveInOrderOfFirstUseWithTheirStyleLetters) {
    SylkWriter sheet;
    const statistics::SylkFont all{"Arial CE", 12, true, true, true, true, 3};
    const statistics::SylkFont italic{.face = "Courier New CE", .points = 8, .italic = true};
    sheet.addCell(1, 1, "a", all);
    sheet.addCell(1, 2, "b", italic);
    sheet.addCell(2, 1, "c", all);
    const std::string file = sheet.finish();
    EXPECT_NE(file.find(lines({"P;ECourier New CE;M200;L9", "P;EArial CE;M240;SSBIU;L3", "P;ECourier New CE;M160;SI;L9",
                               "F;P0;DG0G8;M255"})),
              std::string::npos);
    EXPECT_NE(file.find(lines({"F;P0;FG0C;SM6;Y2;X1 ", "C;Y2;X1;K\"c\"", "E"})), std::string::npos);
}

struct EscapeCase {
    std::string in, out;
};
struct SylkValue : ::testing::TestWithParam<EscapeCase> {};

TEST_P(SylkValue, SemicolonsDoubledLineBreaksEscapedTrailingBlanksDropped) {
    EXPECT_EQ(SylkWriter::escapeValue(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Values, SylkValue,
                         ::testing::Values(EscapeCase{"a;b;;c", "a;;b;;;;c"}, EscapeCase{"  a b  ", "  a b"},
                                           EscapeCase{"one\r\ntwo", "one\x1B :two"},
                                           EscapeCase{"one\ntwo\rthree", "one\x1B :two\x1B :three"},
                                           EscapeCase{"end \r\n \n", "end"}, EscapeCase{"; ", ";;"},
                                           EscapeCase{"   ", ""}));

struct TemporaryName : ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(TemporaryName, TheExtensionIsReplacedByDollars) {
    EXPECT_EQ(statistics::temporaryExportPath(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Paths, TemporaryName,
                         ::testing::Values(std::pair{"/home/a/stat.xls", "/home/a/stat.$$$"},
                                           std::pair{"/home/a/stat.2026.xls", "/home/a/stat.2026.$$$"},
                                           std::pair{"/home/a.b/stat", "/home/a.b/stat.$$$"},
                                           std::pair{"/home/a/.xls", "/home/a/.xls.$$$"},
                                           std::pair{"stat.xls", "stat.$$$"}));

TEST(SpreadsheetFile, BuiltBesideTheTargetAndMovedOverIt) {
    ScriptedFileSystem fs; // the interface's rename: copy, then remove
    fs.mem.put("/x/stat.xls", "old");
    fs.mem.addDir("/x");
    statistics::writeSpreadsheetFile(fs, "/x/stat.xls", "new");
    EXPECT_EQ(fs.mem.files(), (std::map<std::string, std::string>{{"/x/stat.xls", "new"}}));

    fs.mem.remove("/x/stat.xls");
    fs.failRenames = true;
    EXPECT_THROW(statistics::writeSpreadsheetFile(fs, "/x/stat.xls", "new"), statistics::SpreadsheetWriteError);
    EXPECT_EQ(fs.mem.files(), (std::map<std::string, std::string>{{"/x/stat.$$$", "new"}}));
}

} // namespace
} // namespace qv::test
