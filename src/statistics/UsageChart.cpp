#include "statistics/UsageChart.h"

#include "common/Formats.h"
#include "common/OleDate.h"
#include "statistics/StatisticsNames.h"

#include <cmath>

namespace qv::statistics {

namespace {

constexpr int kDays = UsageWindows::kMonthDaysBack + 1;

std::string megabytes(double value, const LocaleFormats& locale) {
    return formatFixed(value, 8, 1, locale) + " MB";
}

} // namespace

std::vector<DayUsage> lastMonthByDay(const std::vector<StatisticsRecord>& records, const UserFilter& filter, int today,
                                     const LocaleFormats& locale) {
    const int first = today - UsageWindows::kMonthDaysBack;
    std::vector<DayUsage> days(kDays);
    for (int i = 0; i < kDays; ++i) {
        DayUsage& d = days[static_cast<std::size_t>(i)];
        d.day = first + i;
        d.dayOfMonth = civilFromOle(d.day).day;
        d.inWeek = d.day >= today - UsageWindows::kWeekDaysBack;
        d.dateText = formatShortDate(d.day, locale);
    }
    for (const StatisticsRecord& r : records) {
        const double day = r.Datum;
        if (day >= first && day <= today && day == std::trunc(day) && filter.selects(r))
            days[static_cast<std::size_t>(static_cast<int>(day) - first)].totals.add(r);
    }
    for (DayUsage& d : days)
        d.valueText = d.dateText + "\n1. pásmo: " + megabytes(d.band1(), locale) +
                      "\n2. pásmo: " + megabytes(d.band2(), locale) +
                      "\nCelkem: " + megabytes(d.totals.total(), locale) +
                      "\nS přepočtem: " + megabytes(d.totals.recalculatedTotal(), locale);
    return days;
}

UsageChartForm::UsageChartForm(shell::WindowView& view) : window_(view) {}

void UsageChartForm::open(std::vector<DayUsage> days, const std::string& user, std::optional<std::uint32_t> mainColor) {
    window_.ensureCreated(mainColor);
    set(std::move(days), user);
    window_.show();
}

void UsageChartForm::update(std::vector<DayUsage> days, const std::string& user) {
    if (window_.exists())
        set(std::move(days), user);
}

void UsageChartForm::free() {
    window_.free();
    set({}, {});
}

void UsageChartForm::set(std::vector<DayUsage> days, const std::string& user) {
    days_ = std::move(days);
    user_ = user;
    window_.view().setText(names::TFormChart::TFormChart, user.empty() ? "Graf" : "Graf za min. 30 dní pro: " + user);
    if (changed_)
        changed_();
}

} // namespace qv::statistics
