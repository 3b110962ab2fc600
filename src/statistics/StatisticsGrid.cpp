#include "statistics/StatisticsGrid.h"

#include "common/Cp1250.h"
#include "common/Formats.h"

namespace qv::statistics {

const std::array<GridColumn, kGridColumnCount> kGridColumns = {{
    {"Uživatel", 137},
    {"Datum", 83},
    {"Od", 83},
    {"Do", 82},
    {"1. Down [MB]", 85},
    {"1. Up [MB]", 82},
    {"2. Down [MB]", 83},
    {"2. Up [MB]", 86},
}};

namespace {
constexpr int kMegabytePrecision = 8;
constexpr int kMegabyteDecimals = 1;
} // namespace

std::string cellText(const StatisticsRecord& r, int column, const LocaleFormats& locale) {
    const auto megabytes = [&](double v) { return formatFixed(v, kMegabytePrecision, kMegabyteDecimals, locale); };
    switch (column) {
    case 0:
        return cp1250::toUtf8(r.Jmeno);
    case 1:
        return formatShortDate(r.Datum, locale);
    case 2:
        return formatLongTime(r.Od, locale);
    case 3:
        return formatLongTime(r.Do, locale);
    case 4:
        return megabytes(r.Down1);
    case 5:
        return megabytes(r.Up1);
    case 6:
        return megabytes(r.Down2);
    case 7:
        return megabytes(r.Up2);
    default:
        return {};
    }
}

StatisticsGrid::StatisticsGrid(const LocaleFormats& locale) : locale_(locale) {}

std::string StatisticsGrid::cell(std::size_t row, int column) const {
    return row < rows_.size() ? cellText(record(row), column, locale_) : std::string();
}

template <typename Fill>
void StatisticsGrid::refill(Records records, Fill fill) {
    if (listener_.aboutToChange)
        listener_.aboutToChange();
    records_ = std::move(records);
    rows_.clear();
    if (records_)
        fill(*records_);
    if (listener_.changed)
        listener_.changed();
}

void StatisticsGrid::showAll(Records records) {
    refill(std::move(records), [this](const std::vector<StatisticsRecord>& all) {
        rows_.resize(all.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            rows_[i] = static_cast<std::uint32_t>(i);
    });
}

void StatisticsGrid::showSelected(Records records, const UserFilter& filter) {
    refill(std::move(records), [&](const std::vector<StatisticsRecord>& all) {
        for (std::size_t i = 0; i < all.size(); ++i)
            if (filter.selects(all[i]))
                rows_.push_back(static_cast<std::uint32_t>(i));
    });
}

void StatisticsGrid::clear() {
    refill(nullptr, [](const std::vector<StatisticsRecord>&) {});
}

} // namespace qv::statistics
