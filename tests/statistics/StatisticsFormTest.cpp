#include "statistics/StatisticsForm.h"
#include "StatisticsFixture.h"
#include "statistics/SpreadsheetExport.h"
#include "statistics/StatisticsNames.h"
#include "support/FakeServices.h"

#include <cmath>
#include <limits>
#include <random>

namespace qv::test {
namespace {

using statistics::StatisticsRecord;
namespace w = names::TForm4;

StatisticsRecord named(const char* utf8Name, double datum, double down1, double up1 = 0, double down2 = 0,
                       double up2 = 0) {
    return rec(datum, down1, up1, down2, up2, cp1250::fromUtf8(utf8Name));
}

struct StatisticsFormTest : StatisticsFixture {
    const double today = day(2026, 3, 5);
    shell::WindowView view{w::kAll};
    shell::WindowView chartView{names::TFormChart::kAll};
    RecordingDialogs dialogs;
    statistics::StatisticsForm form{{view, chartView, file, usage, clock, locale, logs, dialogs, fs, "/app/"}};

    /// "Statistika" from the menu, and the activation that follows.
    void show() {
        form.open(std::nullopt);
        form.ShowStatistics();
    }
    void select(const std::string& entry) {
        const auto& items = view.get(w::ComboBox3).items;
        const auto at = std::find(items.begin(), items.end(), entry);
        ASSERT_NE(at, items.end()) << entry;
        view.setIndex(w::ComboBox3, static_cast<int>(at - items.begin())); // as the selector does
        form.SelectUser(static_cast<int>(at - items.begin()));
    }
    std::vector<std::string> column(int c) const {
        std::vector<std::string> out;
        for (std::size_t r = 0; r < form.grid().rowCount(); ++r)
            out.push_back(form.grid().cell(r, c));
        return out;
    }
    std::string text(const shell::WidgetName& n) const { return view.get(n).text; }
    /// The selector's entries, the selected one in brackets.
    std::string selector() const {
        const auto& s = view.get(w::ComboBox3);
        std::string out;
        for (std::size_t i = 0; i < s.items.size(); ++i)
            out += (i ? "|" : "") + (static_cast<int>(i) == s.index ? "[" + s.items[i] + "]" : s.items[i]);
        return out;
    }
    /// Today, week and month, each as "down1 up1 down2 up2 total recalculated".
    std::string values() const {
        std::string out;
        for (const auto& col : {std::array{w::Label17, w::Label18, w::Label24, w::Label26, w::Label38, w::Label41},
                                std::array{w::Label19, w::Label20, w::Label27, w::Label30, w::Label39, w::Label43},
                                std::array{w::Label21, w::Label22, w::Label31, w::Label34, w::Label40, w::Label45}}) {
            out += out.empty() ? "" : " / ";
            for (std::size_t i = 0; i < col.size(); ++i)
                out += (i ? " " : "") + text(col[i]);
        }
        return out;
    }
    /// The names of the rows of an exported file, header first.
    std::vector<std::string> exportedNames(const std::string& path) {
        std::vector<std::string> names;
        const std::string bytes = fs.mem.readAll(path).value_or("");
        for (std::size_t at = 0; (at = bytes.find(";X1;K\"", at)) != std::string::npos; at += 6)
            names.push_back(cp1250::toUtf8(bytes.substr(at + 6, bytes.find('"', at + 6) - at - 6)));
        return names;
    }

    // Anna today, Božena yesterday, Anna ten days ago.
    std::vector<StatisticsRecord> threeRecords() const {
        return {named("Anna", today, 100, 10, 50, 5), named("Božena", today - 1, 1, 2, 3, 4),
                named("Anna", today - 10, 1000)};
    }
    void showThreeRecords() {
        put(threeRecords());
        show();
    }
};

TEST_F(StatisticsFormTest, ShowListsEveryRecordWithTheUsersInOrderOfFirstAppearanceAndAllTotals) {
    showThreeRecords();
    EXPECT_TRUE(view.window().visible);
    EXPECT_EQ(selector(), "Anna|Božena|[Vše]");
    EXPECT_EQ(column(0), (std::vector<std::string>{"Anna", "Božena", "Anna"}));
    EXPECT_EQ(column(1), (std::vector<std::string>{"5.3.2026", "4.3.2026", "23.2.2026"}));
    EXPECT_EQ(column(2), (std::vector<std::string>{"10:00:00", "10:00:00", "10:00:00"}));
    EXPECT_EQ(column(3), (std::vector<std::string>{"11:00:00", "11:00:00", "11:00:00"}));
    EXPECT_EQ(column(4), (std::vector<std::string>{"100,0", "1,0", "1000,0"}));
    EXPECT_EQ(column(7), (std::vector<std::string>{"5,0", "4,0", "0,0"}));
    EXPECT_EQ(text(w::GroupBox1), "Celkové statistiky pro: Vše");
    EXPECT_EQ(values(), "100,0 MB 10,0 MB 50,0 MB 5,0 MB 165,0 MB 121,0 MB / "
                        "101,0 MB 12,0 MB 53,0 MB 9,0 MB 175,0 MB 125,4 MB / "
                        "1101,0 MB 12,0 MB 53,0 MB 9,0 MB 1175,0 MB 1125,4 MB");
    EXPECT_EQ(text(w::StatusBar1), "Počet záznamů: 3");
    EXPECT_TRUE(errors().empty());
}

TEST_F(StatisticsFormTest, ASelectedUserLastsUntilTheNextActivation) {
    showThreeRecords();
    select("Božena");
    EXPECT_EQ(column(0), std::vector<std::string>{"Božena"});
    EXPECT_EQ(text(w::GroupBox1), "Celkové statistiky pro: Božena");
    EXPECT_EQ(values(), "0,0 MB 0,0 MB 0,0 MB 0,0 MB 0,0 MB 0,0 MB / "
                        "1,0 MB 2,0 MB 3,0 MB 4,0 MB 10,0 MB 4,4 MB / "
                        "1,0 MB 2,0 MB 3,0 MB 4,0 MB 10,0 MB 4,4 MB");
    EXPECT_EQ(text(w::StatusBar1), "Počet záznamů: 3");

    select("Vše");
    EXPECT_EQ(column(0).size(), 3u);
    select("Božena");
    form.ShowStatistics(); // switching to another window and back
    EXPECT_EQ(column(0), (std::vector<std::string>{"Anna", "Božena", "Anna"}));
    EXPECT_EQ(selector(), "Anna|Božena|[Vše]");
    EXPECT_EQ(text(w::GroupBox1), "Celkové statistiky pro: Vše");
}

TEST_F(StatisticsFormTest, SortingWhileAUserIsSelectedListsEveryoneButKeepsTheirTotals) {
    showThreeRecords();
    select("Božena");
    const std::string bozena = values();
    form.SortByColumn(4);
    EXPECT_EQ(column(0), (std::vector<std::string>{"Božena", "Anna", "Anna"}));
    EXPECT_EQ(selector(), "Anna|Božena|[Vše]");
    EXPECT_EQ(text(w::GroupBox1), "Celkové statistiky pro: Božena");
    EXPECT_EQ(values(), bozena);
}

TEST_F(StatisticsFormTest, SortDirectionsOutliveTheWindow) {
    showThreeRecords();
    form.SortByColumn(4); // ascending
    form.close();
    show();
    form.SortByColumn(4); // the flag is set: descending
    EXPECT_EQ(column(4), (std::vector<std::string>{"1000,0", "100,0", "1,0"}));
}

/// The window's sort as it was first written: N - 1 passes of adjacent swaps of pairs strictly out of order.
void adjacentSwapSort(std::vector<StatisticsRecord>& a, int column, bool ascending) {
    const auto key = [column](const StatisticsRecord& r) {
        const double keys[] = {0, r.Datum, r.Od, r.Do, r.Down1, r.Up1, r.Down2, r.Up2};
        return keys[column];
    };
    const auto greater = [&](const StatisticsRecord& x, const StatisticsRecord& y) {
        if (column == 0) {
            for (std::size_t i = 0; i < std::min(x.Jmeno.size(), y.Jmeno.size()); ++i)
                if (x.Jmeno[i] != y.Jmeno[i])
                    return static_cast<unsigned char>(x.Jmeno[i]) > static_cast<unsigned char>(y.Jmeno[i]);
            return x.Jmeno.size() > y.Jmeno.size();
        }
        return key(x) > key(y);
    };
    for (std::size_t pass = 0; pass + 1 < a.size(); ++pass)
        for (std::size_t i = 0; i + 1 < a.size(); ++i)
            if (ascending ? greater(a[i], a[i + 1]) : greater(a[i + 1], a[i]))
                std::swap(a[i], a[i + 1]);
}

TEST_F(StatisticsFormTest, SortGivesTheOrderOfTheAdjacentSwapSortOnRandomDataWithDuplicates) {
    std::mt19937 rng(20260305);
    const std::vector<std::string> names = {"alice",
                                            "Alice",
                                            "al",
                                            "alice ",
                                            "\x8A\xE1rka",
                                            "\xC8"
                                            "enek",
                                            "",
                                            "zz"};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> values = {0.0, -0.0, 1.5, 2.0, 1e9, -3.0, 0.25, nan};
    const auto pick = [&](const auto& pool) {
        // NaN (from a damaged file) rarely, the rest often enough for many equal keys.
        const std::size_t i = std::uniform_int_distribution<std::size_t>(0, pool.size() * 8 - 1)(rng) % pool.size();
        return pool[i];
    };
    std::vector<StatisticsRecord> list;
    for (int i = 0; i < 160; ++i)
        list.push_back({120, pick(names), pick(values), pick(values), pick(values), pick(values), pick(values),
                        pick(values), pick(values)});
    put(list);
    show();
    std::vector<StatisticsRecord> expected = records();
    bool ascending[8] = {};
    for (int click = 0; click < 48; ++click) {
        const int c = click < 16 ? click / 2 : std::uniform_int_distribution<int>(0, 7)(rng);
        ascending[c] = !ascending[c];
        adjacentSwapSort(expected, c, ascending[c]);
        form.SortByColumn(c);
        ASSERT_EQ(statistics::encodeFile(form.records()), statistics::encodeFile(expected))
            << "click " << click << " on column " << c;
    }
    EXPECT_EQ(bytes(), statistics::encodeFile(list)); // the file keeps its order
}

TEST_F(StatisticsFormTest, ExportWritesTheCopyInItsOrderForAllUsersThroughATemporaryFile) {
    fs.mem.addDir("/out");
    fs.mem.put("/out/stat.xls", "older export");
    showThreeRecords();
    select("Božena");
    form.SortByColumn(1);
    form.SortByColumn(1); // descending by date
    dialogs.saveAnswers = {"/out/stat.xls"};
    form.ExportSpreadsheet();

    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    const auto& asked = dialogs.saveRequests[0];
    EXPECT_EQ(asked.initialDirectory + "|" + asked.defaultExtension + "|" + asked.filterName + "|" +
                  asked.filterPattern,
              "/app/|xls|Excel|*.xls");
    EXPECT_EQ(exportedNames("/out/stat.xls"), (std::vector<std::string>{"Uživatel", "Anna", "Božena", "Anna"}));
    EXPECT_EQ(*fs.mem.readAll("/out/stat.xls"), statistics::statisticsSpreadsheet(form.records(), locale));
    EXPECT_FALSE(fs.mem.exists("/out/stat.$$$"));
    EXPECT_TRUE(errors().empty());

    dialogs.saveAnswers = {std::nullopt}; // cancelled: nothing is written
    fs.mem.put("/out/stat.xls", "kept");
    form.ExportSpreadsheet();
    EXPECT_EQ(fs.mem.readAll("/out/stat.xls"), "kept");

    dialogs.saveAnswers = {"/nowhere/stat.xls"};
    form.ExportSpreadsheet();
    EXPECT_EQ(errors(), std::vector<std::string>{"4,1004"});
}

/// A save dialog during which the window is activated again and the file changes.
class ReactivatingDialogs final : public platform::Dialogs {
public:
    std::function<void()> whileOpen;
    void showMessage(const std::string&) override {}
    std::optional<std::string> askSaveFileName(const platform::SaveFileRequest&) override {
        whileOpen();
        return "/app/stat.xls";
    }
};

TEST_F(StatisticsFormTest, TheSaveDialogsReturnDoesNotReloadTheCopyBeingExported) {
    ReactivatingDialogs reactivating;
    statistics::StatisticsForm other{{view, chartView, file, usage, clock, locale, logs, reactivating, fs, "/app/"}};
    put(threeRecords());
    other.open(std::nullopt);
    other.ShowStatistics();
    other.SortByColumn(4);
    reactivating.whileOpen = [&] {
        put({named("Cyril", today, 1)});
        other.ShowStatistics();
    };
    other.ExportSpreadsheet();
    EXPECT_EQ(exportedNames("/app/stat.xls"), (std::vector<std::string>{"Uživatel", "Božena", "Anna", "Anna"}));
}

TEST_F(StatisticsFormTest, AMissingFileShowsNoRecordsAndAVanishedOneLeavesTheWindowAsItWas) {
    show();
    EXPECT_EQ(text(w::StatusBar1), "Počet záznamů: 0");
    EXPECT_EQ(form.grid().rowCount(), 0u);
    EXPECT_EQ(selector(), "");

    put(threeRecords());
    form.ShowStatistics();
    select("Božena");
    fs.mem.remove(kFile);
    form.ShowStatistics();
    EXPECT_EQ(text(w::StatusBar1), "Počet záznamů: 0");
    EXPECT_EQ(column(0), std::vector<std::string>{"Božena"});
    EXPECT_EQ(selector(), "Anna|[Božena]|Vše");
    EXPECT_EQ(text(w::GroupBox1), "Celkové statistiky pro: Božena");
    select("Anna"); // nothing to select from
    EXPECT_EQ(text(w::GroupBox1), "Celkové statistiky pro: Božena");
    EXPECT_TRUE(errors().empty());
}

TEST_F(StatisticsFormTest, TheSelectorOffersTheFirstTwentyNamesAndEveryRecordShowsUnderVse) {
    std::vector<StatisticsRecord> list;
    for (int i = 1; i <= 25; ++i)
        list.push_back(named(("u" + std::to_string(100 + i)).c_str(), today, i));
    list.push_back(named("u101", today, 1));
    put(list);
    show();
    const auto& items = view.get(w::ComboBox3).items;
    ASSERT_EQ(items.size(), 21u);
    EXPECT_EQ(items[19], "u120");
    EXPECT_EQ(items[20], "Vše");
    EXPECT_EQ(form.grid().rowCount(), 26u);
    EXPECT_EQ(text(w::Label17), "326,0 MB"); // 1 + … + 25 + 1: the names past twenty count too
}

TEST_F(StatisticsFormTest, AFileThatCannotBeReadIsReportedWithTheShowingTag) {
    put(threeRecords());
    fs.failReads = true;
    show();
    EXPECT_EQ(errors(), std::vector<std::string>{"4,1030"});
    EXPECT_EQ(form.grid().rowCount(), 0u);
}

TEST_F(StatisticsFormTest, ClosingReleasesTheCopyAndTheChartAndTheNextWindowStartsAfresh) {
    showThreeRecords();
    form.OpenChart();
    form.close();
    EXPECT_FALSE(view.window().visible);
    EXPECT_FALSE(chartView.window().visible);
    EXPECT_EQ(form.records().size(), 0u);
    EXPECT_EQ(form.grid().rowCount(), 0u);
    EXPECT_EQ(selector(), "");
    EXPECT_EQ(text(w::GroupBox1), "Celkové statistiky");
    EXPECT_EQ(text(w::StatusBar1), "");
    fs.mem.remove(kFile);
    show();
    EXPECT_EQ(text(w::Label17), "");
}

TEST_F(StatisticsFormTest, TheChartShowsTheUserTheSelectorShows) {
    showThreeRecords();
    form.OpenChart();
    EXPECT_TRUE(chartView.window().visible);
    EXPECT_EQ(chartView.window().text, "Graf za min. 30 dní pro: Vše");
    ASSERT_EQ(form.chart().days().size(), 31u);
    EXPECT_EQ(form.chart().days()[30].band1(), 110);
    EXPECT_EQ(form.chart().days()[20].band1(), 1000);

    select("Božena");
    EXPECT_EQ(form.chart().user(), "Božena");
    EXPECT_EQ(form.chart().days()[30].band1(), 0);
    EXPECT_EQ(form.chart().days()[29].band2(), 7);
    form.SortByColumn(0);
    EXPECT_EQ(form.chart().user(), "Vše");
}

TEST(LastMonthByDay, ThirtyOneDaysOldestFirstCountedAsTheUsageWindowsCount) {
    const int today = static_cast<int>(day(2027, 1, 3));
    const std::vector<StatisticsRecord> list = {
        rec(today, 1, 2, 3, 4),
        rec(today, 10),
        rec(today - 6, 100),
        rec(today - 7, 1000),
        rec(today - 30, 10000),
        rec(today - 31, 1e5),
        rec(today + 1, 1e6),
        rec(today - 2 + 0.5, 1e7),
        rec(today - 3, 1e8, 0, 0, 0, "bob"),
    };
    const LocaleFormats locale;
    const statistics::UserFilter alice("alice");
    const auto days = statistics::lastMonthByDay(list, alice, today, locale);
    ASSERT_EQ(days.size(), 31u);
    EXPECT_EQ(days.front().dateText, "4.12.2026");
    EXPECT_EQ(days.back().day, today);
    EXPECT_EQ(days[29].dayOfMonth, 2);
    EXPECT_EQ(days[0].band1(), 10000);
    EXPECT_EQ(days[23].band1(), 1000);
    EXPECT_FALSE(days[23].inWeek);
    EXPECT_TRUE(days[24].inWeek);
    EXPECT_EQ(days[24].band1(), 100);
    statistics::UsageTotals week, month;
    for (const auto& d : days) {
        month.add({120, "", 0, 0, 0, d.totals.Down1, d.totals.Up1, d.totals.Up2, d.totals.Down2});
        if (d.inWeek)
            week.add({120, "", 0, 0, 0, d.totals.Down1, d.totals.Up1, d.totals.Up2, d.totals.Down2});
    }
    EXPECT_EQ(week, statistics::windowTotals(list, alice, today, 6));
    EXPECT_EQ(month, statistics::windowTotals(list, alice, today, 30));
    EXPECT_EQ(days.back().valueText, "3.1.2027\n1. pásmo: 13,0 MB\n2. pásmo: 7,0 MB\nCelkem: 20,0 MB\n"
                                     "S přepočtem: 14,4 MB");
}

} // namespace
} // namespace qv::test
