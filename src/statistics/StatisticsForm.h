#pragma once

#include "common/Clock.h"
#include "common/LocaleFormats.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "shell/Logs.h"
#include "shell/SecondaryForm.h"
#include "shell/ViewState.h"
#include "statistics/StatisticsFile.h"
#include "statistics/StatisticsGrid.h"
#include "statistics/UsageChart.h"
#include "statistics/UsageTotals.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qv::statistics {

/// What the statistics window needs.
struct StatisticsWindowServices {
    shell::WindowView& view;      ///< "TForm4"
    shell::WindowView& chartView; ///< "TFormChart"
    const StatisticsFile& file;
    UsageWindows& usage;
    const Clock& clock;
    const LocaleFormats& locale;
    shell::Logs& logs;
    platform::Dialogs& dialogs;
    platform::FileSystem& fs;
    std::string appDir; ///< where the export's save dialog opens
};

/// The statistics window "Statistika" (TForm4): a copy of the statistics file's records, loaded anew at every show
/// and activation, listed in the grid; a user selector with the totals of the usage windows for the selected user;
/// sorting by any column; the spreadsheet export; and the usage chart of the selected user.
///
/// The selector lists the distinct names in order of first appearance, at most 20 of them, then "Vše". Names past
/// the twentieth are not offered: their records still show, and count, under "Vše".
///
/// The grid's rows reach the grid widget through grid() rather than through the view, so that 100 000 records
/// cost nothing until they are on screen. The sort direction of each column lasts as long as this object, that is
/// the whole run, across closing and reopening the window. UI thread only.
class StatisticsForm final {
public:
    static constexpr std::size_t kMaxUserEntries = 20;

    explicit StatisticsForm(StatisticsWindowServices services);

    /// "Statistika" in the main menu: creates the window when missing (with the main window's colour) and shows it.
    void open(std::optional<std::uint32_t> mainColor);
    /// The window was shown or activated: reload the copy, list it all, select "Vše", write the totals.
    void ShowStatistics();
    /// A user picked in the selector (an index into its entries).
    void SelectUser(int index);
    /// A click on the grid's header: sorts the copy by that column, ascending and descending in turn.
    void SortByColumn(int column);
    /// "*.xls" in the "Export" menu: the copy in its current order, all users, as a spreadsheet file.
    void ExportSpreadsheet();
    /// "Graf": the chart of the user the selector shows.
    void OpenChart();
    /// The window was closed: the copy is released and the next open starts afresh; the chart closes with it.
    void close();

    const StatisticsGrid& grid() const { return grid_; }
    StatisticsGrid& grid() { return grid_; }
    UsageChartForm& chart() { return chart_; }
    /// The window's copy in its current order.
    const std::vector<StatisticsRecord>& records() const { return *records_; }

private:
    int today() const;
    void initialView();
    void fillUserList();
    /// The entry the selector shows, or "Vše" when it shows none.
    std::string selectedEntry() const;
    void writeValues(const UsageTotals& today, const UsageTotals& week, const UsageTotals& month);
    void showTotals(const std::string& user, const UsageTotals& todaySums);
    void refreshChart();

    StatisticsWindowServices s_;
    shell::SecondaryForm window_;
    StatisticsGrid grid_;
    UsageChartForm chart_;
    std::shared_ptr<std::vector<StatisticsRecord>> records_;
    std::array<bool, kGridColumnCount> sortedAscending_{};
    bool saveDialogOpen_ = false;
};

} // namespace qv::statistics
