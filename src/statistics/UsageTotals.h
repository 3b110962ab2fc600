#pragma once

#include "common/Clock.h"
#include "shell/Logs.h"
#include "statistics/StatisticsFile.h"
#include "statistics/StatisticsRecord.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv::statistics {

/// Megabytes per tariff band and direction: the sums of the record fields of the same names.
struct UsageTotals {
    double Down1 = 0;
    double Up1 = 0;
    double Down2 = 0;
    double Up2 = 0;

    /// Band-2 (night) traffic counts one fifth in the recalculated total.
    static constexpr double kBand2Weight = 0.2;

    double total() const { return Down1 + Down2 + Up1 + Up2; }
    double recalculatedTotal() const { return Down1 + Up1 + kBand2Weight * (Down2 + Up2); }
    void add(const StatisticsRecord& r);

    bool operator==(const UsageTotals&) const = default;
};

/// Which user's records are summed. Empty or "Vše" selects everyone; any other text selects the records whose
/// name is exactly that text (letter case and accents count, nothing is trimmed). The text is UTF-8; record names
/// are Windows-1250, so the text is converted once and a text the code page cannot hold selects nothing.
class UserFilter {
public:
    explicit UserFilter(std::string_view utf8);
    bool selects(const StatisticsRecord& r) const { return all_ || (!impossible_ && r.Jmeno == name_); }

    static constexpr std::string_view kAllUsers = "Vše";

private:
    bool all_ = false;
    bool impossible_ = false;
    std::string name_;
};

/// The records of `filter` dated today or up to `daysBack` days before `today` (whole day counts; a record must
/// fall exactly on one of those days). Records dated after today count nowhere. One pass over the records.
UsageTotals windowTotals(const std::vector<StatisticsRecord>& records, const UserFilter& filter, int today,
                         int daysBack);

/// Today's records of `filter` among `records`.
UsageTotals TodayTotals(const std::vector<StatisticsRecord>& records, std::string_view filter, int today);

/// The rolling usage windows over the statistics file, and the main window's week totals of all users.
/// UI thread only.
class UsageWindows final {
public:
    static constexpr int kWeekDaysBack = 6;   ///< "min. 6 + dnes": 7 calendar days
    static constexpr int kMonthDaysBack = 30; ///< "min. 30 dní": 31 calendar days

    UsageWindows(const StatisticsFile& file, const Clock& clock, shell::Logs& logs);

    /// Today and the six days before it. With the file missing `totals` is left untouched; otherwise it is set
    /// to zero first, so after a read error (reported with its tag) it holds zeros.
    void WeekTotals(std::string_view filter, UsageTotals& totals);
    /// Today and the thirty days before it; as WeekTotals otherwise.
    void MonthTotals(std::string_view filter, UsageTotals& totals);

    /// weekTotals = WeekTotals(all users); kept when the file is missing.
    void RecomputeWeekTotals();
    /// The week totals of all users as last recomputed (zero at start); the floating window adds the running
    /// record to them.
    const UsageTotals& weekTotals() const { return weekTotals_; }

private:
    void windowFromFile(const char* tag, int daysBack, std::string_view filter, UsageTotals& totals);

    const StatisticsFile& file_;
    const Clock& clock_;
    shell::Logs& logs_;
    UsageTotals weekTotals_;
};

} // namespace qv::statistics
