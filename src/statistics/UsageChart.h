#pragma once

#include "common/LocaleFormats.h"
#include "shell/SecondaryForm.h"
#include "shell/ViewState.h"
#include "statistics/StatisticsRecord.h"
#include "statistics/UsageTotals.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qv::statistics {

/// One day of the usage chart.
struct DayUsage {
    int day = 0;           ///< whole OLE day count
    int dayOfMonth = 0;    ///< 1 … 31, for the axis
    UsageTotals totals;    ///< megabytes of that day
    bool inWeek = false;   ///< today or one of the six days before it ("min. 6 + dnes")
    std::string dateText;  ///< the day in the short date format
    std::string valueText; ///< what hovering over the day shows: the date and its values in MB, one a line

    double band1() const { return totals.Down1 + totals.Up1; }
    double band2() const { return totals.Down2 + totals.Up2; }
};

/// The last 31 days (today and the thirty days before it), oldest first: the traffic of the records `filter`
/// selects, summed by day exactly as the usage windows count (a record counts on the whole day it names).
std::vector<DayUsage> lastMonthByDay(const std::vector<StatisticsRecord>& records, const UserFilter& filter, int today,
                                     const LocaleFormats& locale);

/// The usage chart window "TFormChart": the last 31 days of the user the statistics window has selected, as
/// stacked daily bars of band 1 and band 2 with the recalculated total as a line. The chart widget reads the days
/// from here and is told when they change. UI thread only.
class UsageChartForm final {
public:
    explicit UsageChartForm(shell::WindowView& view);

    /// Creates the window when missing (with the main window's colour) and shows it with these days.
    void open(std::vector<DayUsage> days, const std::string& user, std::optional<std::uint32_t> mainColor);
    /// New days for a window that exists; nothing otherwise.
    void update(std::vector<DayUsage> days, const std::string& user);
    void free();
    bool exists() const { return window_.exists(); }

    const std::vector<DayUsage>& days() const { return days_; }
    const std::string& user() const { return user_; }
    /// The one chart widget; an empty function detaches it.
    void setListener(std::function<void()> changed) { changed_ = std::move(changed); }
    /// Expires when the form goes, so a widget that outlives it knows not to detach.
    std::weak_ptr<const void> lifetime() const { return alive_; }

private:
    void set(std::vector<DayUsage> days, const std::string& user);

    shell::SecondaryForm window_;
    std::vector<DayUsage> days_;
    std::string user_;
    std::function<void()> changed_;
    std::shared_ptr<const int> alive_ = std::make_shared<const int>(0);
};

} // namespace qv::statistics
