#include "statistics/UsageTotals.h"

#include "common/Cp1250.h"
#include "statistics/LocalMoment.h"
#include "statistics/StatisticsTags.h"

#include <cmath>

namespace qv::statistics {

void UsageTotals::add(const StatisticsRecord& r) {
    Down1 += r.Down1;
    Up1 += r.Up1;
    Down2 += r.Down2;
    Up2 += r.Up2;
}

UserFilter::UserFilter(std::string_view utf8) {
    if (utf8.empty() || utf8 == kAllUsers) {
        all_ = true;
        return;
    }
    name_ = cp1250::fromUtf8(utf8);
    // A character the code page lacks became '?', which must not match a name that really has a '?'.
    impossible_ = cp1250::toUtf8(name_) != utf8;
}

UsageTotals windowTotals(const std::vector<StatisticsRecord>& records, const UserFilter& filter, int today,
                         int daysBack) {
    const double first = today - daysBack;
    const double last = today;
    UsageTotals sums;
    for (const StatisticsRecord& r : records) {
        const double day = r.Datum;
        if (day >= first && day <= last && day == std::trunc(day) && filter.selects(r))
            sums.add(r);
    }
    return sums;
}

UsageTotals TodayTotals(const std::vector<StatisticsRecord>& records, std::string_view filter, int today) {
    return windowTotals(records, UserFilter(filter), today, 0);
}

UsageWindows::UsageWindows(const StatisticsFile& file, const Clock& clock, shell::Logs& logs)
    : file_(file), clock_(clock), logs_(logs) {}

void UsageWindows::windowFromFile(const char* tag, int daysBack, std::string_view filter, UsageTotals& totals) {
    logs_.guarded(tag, [&] {
        if (!file_.exists())
            return;
        totals = {};
        const std::vector<StatisticsRecord> records = file_.LoadStatistics();
        totals = windowTotals(records, UserFilter(filter), localMoment(clock_.now()).day, daysBack);
    });
}

void UsageWindows::WeekTotals(std::string_view filter, UsageTotals& totals) {
    windowFromFile(tags::kWeekTotals, kWeekDaysBack, filter, totals);
}

void UsageWindows::MonthTotals(std::string_view filter, UsageTotals& totals) {
    windowFromFile(tags::kMonthTotals, kMonthDaysBack, filter, totals);
}

void UsageWindows::RecomputeWeekTotals() {
    WeekTotals({}, weekTotals_);
}

} // namespace qv::statistics
