#pragma once

#include "common/LocaleFormats.h"
#include "statistics/StatisticsRecord.h"
#include "statistics/UsageTotals.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv::statistics {

/// One column of the statistics grid: its header and its width in pixels.
struct GridColumn {
    std::string_view header;
    int width;
};

inline constexpr int kGridColumnCount = 8;
/// Uživatel, Datum, Od, Do, then download and upload of band 1 and band 2; the sort keys follow the same order.
extern const std::array<GridColumn, kGridColumnCount> kGridColumns;

/// A record's text in a grid column (UTF-8): the name, the day in the short date format, the start and end in
/// the long time format, the megabytes in fixed notation with 1 decimal (precision 8), without unit.
std::string cellText(const StatisticsRecord& record, int column, const LocaleFormats& locale);

/// The rows the statistics grid shows: positions in a copy of the records, in the order shown. The grid widget
/// reads its cells from here on demand, so only the rows on screen are ever formatted; it is told before and after
/// every refill. The grid keeps the copy it shows alive, so a window whose reload found no records still shows
/// what it showed. UI thread only.
class StatisticsGrid final {
public:
    using Records = std::shared_ptr<const std::vector<StatisticsRecord>>;
    struct Listener {
        std::function<void()> aboutToChange;
        std::function<void()> changed;
    };

    explicit StatisticsGrid(const LocaleFormats& locale);

    std::size_t rowCount() const { return rows_.size(); }
    std::string cell(std::size_t row, int column) const;
    const StatisticsRecord& record(std::size_t row) const { return (*records_)[rows_[row]]; }

    /// The one grid widget that shows the rows; an empty listener detaches it.
    void setListener(Listener listener) { listener_ = std::move(listener); }
    /// Expires when the grid goes, so a widget that outlives it knows not to detach.
    std::weak_ptr<const void> lifetime() const { return alive_; }

    /// Every record of `records`, in their order.
    void showAll(Records records);
    /// The records that `filter` selects, in their order.
    void showSelected(Records records, const UserFilter& filter);
    void clear();

private:
    template <typename Fill>
    void refill(Records records, Fill fill);

    const LocaleFormats& locale_;
    Records records_;
    std::vector<std::uint32_t> rows_;
    Listener listener_;
    std::shared_ptr<const int> alive_ = std::make_shared<const int>(0);
};

} // namespace qv::statistics
