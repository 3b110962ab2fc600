// A real spreadsheet program opens the export: LibreOffice Calc converts it to CSV, and the names with their
// diacritics and the numbers come back as the statistics window shows them. Calc reads a SYLK file in the
// system's code page, as Excel does on Windows, so it runs in a Czech Windows-1250 locale built for the test.
#include "StatsCli.h"
#include "common/Cp1250.h"
#include "common/OleDate.h"

namespace qv::test {
namespace {

/// Runs a command line through the shell; its exit status.
int shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct CalcReadsExport : StatsCli {};

TEST_F(CalcReadsExport, NamesWithDiacriticsAndNumbersSurviveTheRoundTrip) {
    put({{120, cp1250::fromUtf8("Žluťoučký;kůň"), oleFromDate(2026, 3, 5), oleTimeOfDay(10, 0, 0),
          oleTimeOfDay(11, 30, 0), 12.5, 1.25, 0, 1234.56}, // Up2 before Down2
         {120, cp1250::fromUtf8("Šárka Ťuhýková"), oleFromDate(2025, 12, 31), oleTimeOfDay(23, 59, 59),
          oleTimeOfDay(0, 0, 2), 0.04, 99999999, 7, 0.5}});
    const Run exported = run({"--home", home(), "--export-xls", home() + "/stat.xls"});
    ASSERT_EQ(exported.status, 0) << exported.err;

    const std::string d = home();
    ASSERT_EQ(shell("mkdir -p '" + d + "/locale' && localedef -i cs_CZ -f CP1250 '" + d + "/locale/cs_CZ.CP1250' >'" +
                    d + "/localedef.log' 2>&1"),
              0)
        << read("localedef.log");
    ASSERT_EQ(shell("cd '" + d + "' && LOCPATH='" + d + "/locale' LC_ALL=cs_CZ.CP1250 HOME='" + d +
                    "' timeout 150 soffice -env:UserInstallation=file://" + d +
                    "/profile --headless --norestore --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' "
                    "--outdir out stat.xls >soffice.log 2>&1"),
              0)
        << read("soffice.log");
    EXPECT_EQ(read("out/stat.csv"),
              "Uživatel,Datum,Od,Do,1. Download MB,1. Upload MB,2. Download MB,2. Upload MB\n"
              "Žluťoučký;kůň,5.3.2026,10:00:00,11:30:00,\"12,5\",\"1,3\",\"1234,6\",\"0,0\"\n"
              "Šárka Ťuhýková,31.12.2025,23:59:59,0:00:02,\"0,0\",\"99999999,0\",\"0,5\",\"7,0\"\n")
        << read("soffice.log");
}

} // namespace
} // namespace qv::test
