#include "StatsCli.h"
#include "common/Cp1250.h"
#include "common/OleDate.h"

#include <nlohmann/json.hpp>

namespace qv::test {
namespace {

using statistics::StatisticsRecord;

double dayOf(int y, int m, int d) {
    return oleFromDate(y, m, d);
}

StatisticsRecord record(double datum, double down1, double up1 = 0, double down2 = 0, double up2 = 0,
                        const char* utf8Name = "alice") {
    return {120,  cp1250::fromUtf8(utf8Name), datum, oleTimeOfDay(10, 0, 0), oleTimeOfDay(11, 30, 0), down1, up1, up2,
            down2};
}

struct QuorvexStatsTest : StatsCli {
    /// The --json answer, parsed; fails the test unless the command ended well and the output is JSON.
    nlohmann::json json(std::vector<std::string> args) {
        args.insert(args.begin(), {"--home", home(), "--json"});
        const Run r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return nlohmann::json::parse(r.out);
    }
};

// The windows' calendar arithmetic is statistics::windowTotals (UsageTotalsTest); here: --today and --user reach
// it, and each figure lands in its own field.
TEST_F(QuorvexStatsTest, TheJsonTotalsCountTheWindowsEndingOnTheGivenDayForTheGivenUser) {
    put({record(dayOf(2027, 1, 3), 1), record(dayOf(2026, 12, 28), 2), record(dayOf(2026, 12, 27), 4),
         record(dayOf(2026, 12, 4), 8), record(dayOf(2026, 12, 3), 16), record(dayOf(2027, 1, 4), 32),
         record(dayOf(2027, 1, 3), 64, 8, 10, 5, "Alice")}); // another user, by letter case only
    const nlohmann::json j = json({"--today", "2027-01-03", "--user", "alice"});
    EXPECT_EQ(j.at("today").at("down1").get<double>(), 1);
    EXPECT_EQ(j.at("week").at("down1").get<double>(), 3);
    EXPECT_EQ(j.at("month").at("down1").get<double>(), 15);
    EXPECT_EQ(j.at("month").at("total").get<double>(), 15);
    // "Vše" and no user are everyone.
    EXPECT_EQ(json({"--today", "2027-01-03", "--user", "Vše"}), json({"--today", "2027-01-03"}));
    EXPECT_EQ(json({"--today", "2027-01-03"})["today"]["down1"].get<double>(), 65);
    EXPECT_EQ(json({"--today", "2027-01-03", "--user", "Alice"})["today"],
              nlohmann::json::parse(R"({"down1":64,"up1":8,"down2":10,"up2":5,"total":87,"recalculated":75})"));
}

TEST_F(QuorvexStatsTest, TheSummaryShowsEachBandAndDirectionWithTotalsForTheUser) {
    put({record(dayOf(2026, 3, 5), 100, 10, 50, 5, "Jiří"), record(dayOf(2026, 3, 1), 1000, 0, 0, 0, "bob")});
    const Run r = run({"--home", home(), "--today", "2026-03-05", "--user", "Jiří"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Statistika pro: Jiří (dnes 5.3.2026)\n"
                     "[MB]                           dnes  min. 6 + dnes    min. 30 dní\n"
                     "1. pásmo Down                 100,0          100,0          100,0\n"
                     "1. pásmo Up                    10,0           10,0           10,0\n"
                     "2. pásmo Down                  50,0           50,0           50,0\n"
                     "2. pásmo Up                     5,0            5,0            5,0\n"
                     "Celkem                        165,0          165,0          165,0\n"
                     "S přepočtem                   121,0          121,0          121,0\n");
}

TEST_F(QuorvexStatsTest, AMissingOrEmptyFileIsNoRecordsAndTheProgramsDirectoryIsTheDefault) {
    const nlohmann::json zero = nlohmann::json::parse(R"({"down1":0,"up1":0,"down2":0,"up2":0,"total":0,
                                                          "recalculated":0})");
    EXPECT_EQ(json({})["month"], zero);
    write("Statistiky/Pripojeni.sts", "");
    EXPECT_EQ(json({})["week"], zero);

    put({record(dayOf(2026, 3, 5), 7)});
    const Run r = run({"--json", "--today", "2026-03-05"}, {"QUORVEX_HOME=" + home()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["today"]["down1"].get<double>(), 7);
}

TEST_F(QuorvexStatsTest, AFileOfAnotherFormatIsReportedAndLeftAsItIs) {
    std::string foreign = statistics::encodeFile({record(dayOf(2026, 3, 5), 7), record(dayOf(2026, 3, 5), 7)});
    foreign[0] = 'y'; // tag 121
    write("Statistiky/Pripojeni.sts", foreign);
    Run r = run({"--home", home(), "--json"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Pripojeni.sts není soubor statistiky tohoto programu: první záznam má značku formátu 121"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(read("Statistiky/Pripojeni.sts"), foreign);

    write("Statistiky/Pripojeni.sts", foreign.substr(0, 40));
    r = run({"--home", home(), "--list"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("kratší než jeden záznam"), std::string::npos) << r.err;
    EXPECT_EQ(read("Statistiky/Pripojeni.sts").size(), 40u);
}

TEST_F(QuorvexStatsTest, ListAndCsvGiveTheRecordsInFileOrder) {
    StatisticsRecord night = record(dayOf(2025, 12, 31), 0.5, 0.25, 1234.5678, 0, "Novák, \"Jan\"");
    night.Od = oleTimeOfDay(23, 59, 59);
    night.Do = oleTimeOfDay(0, 0, 2);
    put({record(dayOf(2026, 1, 2), 12.5, 1.25, 0, 3), night, record(dayOf(2026, 1, 1), 1, 1, 1, 1, "bob")});

    Run r = run({"--home", home(), "--list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "alice\t2.1.2026\t10:00:00\t11:30:00\t12,5\t1,3\t0,0\t3,0\n"
                     "Novák, \"Jan\"\t31.12.2025\t23:59:59\t0:00:02\t0,5\t0,3\t1234,6\t0,0\n"
                     "bob\t1.1.2026\t10:00:00\t11:30:00\t1,0\t1,0\t1,0\t1,0\n");
    r = run({"--home", home(), "--list", "--user", "bob"});
    EXPECT_EQ(r.out, "bob\t1.1.2026\t10:00:00\t11:30:00\t1,0\t1,0\t1,0\t1,0\n");

    r = run({"--home", home(), "--export-csv", home() + "/out.csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read("out.csv"), "Uživatel,Datum,Od,Do,1. Download MB,1. Upload MB,2. Download MB,2. Upload MB\n"
                               "alice,2026-01-02,10:00:00,11:30:00,12.5,1.25,0,3\n"
                               "\"Novák, \"\"Jan\"\"\",2025-12-31,23:59:59,00:00:02,0.5,0.25,1234.5678,0\n"
                               "bob,2026-01-01,10:00:00,11:30:00,1,1,1,1\n");
}

TEST_F(QuorvexStatsTest, TheSpreadsheetExportIsWrittenBesideItsTemporaryFile) {
    put({record(dayOf(2026, 3, 5), 12.5, 0, 0, 0, "Žluťoučký;kůň")});
    const Run r = run({"--home", home(), "--export-xls=" + home() + "/stat.xls"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string file = read("stat.xls");
    EXPECT_EQ(file.rfind("ID;PWXL;N;E\r\nP;PGeneral\r\n", 0), 0u);
    EXPECT_NE(file.find("F;P0;FG0C;SM7;Y2;X1 \r\nC;Y2;X1;K\"\x8Elu\x9Dou\xE8k\xFD;;k\xF9\xF2\"\r\n"),
              std::string::npos);
    EXPECT_EQ(file.substr(file.size() - 3), "E\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "stat.$$$"));

    const Run failed = run({"--home", home(), "--export-xls", home() + "/missing/stat.xls"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("nelze zapsat"), std::string::npos);
}

TEST_F(QuorvexStatsTest, HelpVersionAndWrongOptions) {
    Run r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--user", "--home", "--json", "--list", "--export-xls", "--export-csv", "--today"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    r = run({"--version"});
    EXPECT_EQ(r.out, "quorvex-stats 1.32\n");
    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{{"--frobnicate"},
                                                                                       {"--json", "--list"},
                                                                                       {"--user"},
                                                                                       {"--today", "2026-02-30"},
                                                                                       {"--json=yes"},
                                                                                       {"--export-csv", ""}}) {
        r = run(wrong);
        EXPECT_EQ(r.status, 1) << wrong[0];
        EXPECT_EQ(r.out, "") << wrong[0];
        EXPECT_NE(r.err.find("quorvex-stats: "), std::string::npos) << wrong[0];
    }
}

} // namespace
} // namespace qv::test
