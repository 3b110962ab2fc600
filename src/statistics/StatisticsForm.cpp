#include "statistics/StatisticsForm.h"

#include "common/Cp1250.h"
#include "common/Formats.h"
#include "statistics/LocalMoment.h"
#include "statistics/SpreadsheetExport.h"
#include "statistics/StatisticsNames.h"
#include "statistics/StatisticsSort.h"
#include "statistics/StatisticsTags.h"

#include <unordered_set>

namespace qv::statistics {

namespace w = names::TForm4;

namespace {

constexpr std::string_view kAllUsers = UserFilter::kAllUsers;
constexpr std::string_view kGroupCaption = "Celkové statistiky pro: ";

/// The value labels of one usage window, top to bottom.
struct ValueColumn {
    shell::WidgetName down1, up1, down2, up2, total, recalculated;
};
constexpr ValueColumn kToday{w::Label17, w::Label18, w::Label24, w::Label26, w::Label38, w::Label41};
constexpr ValueColumn kWeek{w::Label19, w::Label20, w::Label27, w::Label30, w::Label39, w::Label43};
constexpr ValueColumn kMonth{w::Label21, w::Label22, w::Label31, w::Label34, w::Label40, w::Label45};

/// Clears a flag however the scope ends.
struct Raised {
    bool& flag;
    explicit Raised(bool& f) : flag(f) { flag = true; }
    ~Raised() { flag = false; }
    Raised(const Raised&) = delete;
    Raised& operator=(const Raised&) = delete;
};

} // namespace

StatisticsForm::StatisticsForm(StatisticsWindowServices services)
    : s_(std::move(services)), window_(s_.view), grid_(s_.locale), chart_(s_.chartView),
      records_(std::make_shared<std::vector<StatisticsRecord>>()) {
    initialView();
}

void StatisticsForm::initialView() {
    shell::WindowView& v = s_.view;
    v.setText(w::TForm4, "Statistika");
    v.setText(w::Label1, "Pro uživatele");
    v.setText(w::GroupBox1, "Celkové statistiky");
    v.setItems(w::ComboBox3, {});
    v.setIndex(w::ComboBox3, -1);
    for (const ValueColumn& c : {kToday, kWeek, kMonth})
        for (const auto& name : {c.down1, c.up1, c.down2, c.up2, c.total, c.recalculated})
            v.setText(name, "");
    v.setText(w::StatusBar1, "");
}

int StatisticsForm::today() const {
    return localMoment(s_.clock.now()).day;
}

void StatisticsForm::open(std::optional<std::uint32_t> mainColor) {
    window_.ensureCreated(mainColor);
    window_.show();
}

void StatisticsForm::ShowStatistics() {
    // The save dialog's return activates the window; the copy being exported must not change under it.
    if (saveDialogOpen_ || !window_.exists())
        return;
    s_.logs.guarded(tags::kShowStatistics, [&] {
        records_ = std::make_shared<std::vector<StatisticsRecord>>(s_.file.LoadStatistics());
        if (!records_->empty()) {
            s_.logs.guarded(tags::kUserList, [&] { fillUserList(); });
            s_.logs.guarded(tags::kShowGrid, [&] {
                grid_.showAll(records_);
                showTotals(std::string(kAllUsers), TodayTotals(*records_, {}, today()));
            });
            refreshChart();
        }
        s_.view.setText(w::StatusBar1, "Počet záznamů: " + std::to_string(records_->size()));
    });
}

void StatisticsForm::fillUserList() {
    std::vector<std::string> entries;
    std::unordered_set<std::string_view> seen;
    for (const StatisticsRecord& r : *records_) {
        if (entries.size() == kMaxUserEntries)
            break;
        if (seen.insert(r.Jmeno).second)
            entries.push_back(cp1250::toUtf8(r.Jmeno));
    }
    entries.emplace_back(kAllUsers);
    const int all = static_cast<int>(entries.size()) - 1;
    s_.view.setItems(w::ComboBox3, std::move(entries));
    s_.view.setIndex(w::ComboBox3, all);
}

std::string StatisticsForm::selectedEntry() const {
    const shell::WidgetState& combo = s_.view.get(w::ComboBox3);
    if (combo.index < 0 || static_cast<std::size_t>(combo.index) >= combo.items.size())
        return std::string(kAllUsers);
    return combo.items[static_cast<std::size_t>(combo.index)];
}

void StatisticsForm::SelectUser(int index) {
    if (records_->empty())
        return;
    s_.logs.guarded(tags::kSelectUser, [&] {
        const std::vector<std::string>& items = s_.view.get(w::ComboBox3).items;
        if (index < 0 || static_cast<std::size_t>(index) >= items.size())
            return;
        const std::string user = items[static_cast<std::size_t>(index)];
        const UserFilter filter(user);
        if (user == kAllUsers)
            grid_.showAll(records_);
        else
            grid_.showSelected(records_, filter);
        showTotals(user, TodayTotals(*records_, user, today()));
        refreshChart();
    });
}

void StatisticsForm::showTotals(const std::string& user, const UsageTotals& todaySums) {
    s_.view.setText(w::GroupBox1, std::string(kGroupCaption) + user);
    UsageTotals week, month;
    s_.usage.MonthTotals(user, month);
    s_.usage.WeekTotals(user, week);
    writeValues(todaySums, week, month);
}

void StatisticsForm::writeValues(const UsageTotals& todaySums, const UsageTotals& week, const UsageTotals& month) {
    const auto text = [&](double megabytes) { return formatFixed(megabytes, 8, 1, s_.locale) + " MB"; };
    const auto column = [&](const ValueColumn& c, const UsageTotals& t) {
        s_.view.setText(c.down1, text(t.Down1));
        s_.view.setText(c.up1, text(t.Up1));
        s_.view.setText(c.down2, text(t.Down2));
        s_.view.setText(c.up2, text(t.Up2));
        s_.view.setText(c.total, text(t.total()));
        s_.view.setText(c.recalculated, text(t.recalculatedTotal()));
    };
    column(kToday, todaySums);
    column(kWeek, week);
    column(kMonth, month);
}

void StatisticsForm::SortByColumn(int column) {
    if (column < 0 || column >= kGridColumnCount)
        return;
    bool& flag = sortedAscending_[static_cast<std::size_t>(column)];
    flag = !flag;
    const bool ascending = flag;
    if (records_->empty())
        return;
    records_ = std::make_shared<std::vector<StatisticsRecord>>(sortedByColumn(*records_, column, ascending));
    grid_.showAll(records_);
    // "Vše" is shown without selecting it: the group and its values stay with the user they were for.
    const auto& items = s_.view.get(w::ComboBox3).items;
    s_.view.setIndex(w::ComboBox3, static_cast<int>(items.size()) - 1);
    refreshChart();
}

void StatisticsForm::ExportSpreadsheet() {
    s_.logs.guarded(tags::kExport, [&] {
        std::optional<std::string> target;
        {
            Raised open(saveDialogOpen_);
            target = s_.dialogs.askSaveFileName({s_.appDir, "xls", "Excel", "*.xls"});
        }
        if (!target)
            return;
        writeSpreadsheetFile(s_.fs, *target, statisticsSpreadsheet(*records_, s_.locale));
    });
}

void StatisticsForm::OpenChart() {
    const std::string user = selectedEntry();
    chart_.open(lastMonthByDay(*records_, UserFilter(user), today(), s_.locale), user, s_.view.window().color);
}

void StatisticsForm::refreshChart() {
    if (!chart_.exists())
        return;
    const std::string user = selectedEntry();
    chart_.update(lastMonthByDay(*records_, UserFilter(user), today(), s_.locale), user);
}

void StatisticsForm::close() {
    window_.free();
    chart_.free();
    records_ = std::make_shared<std::vector<StatisticsRecord>>();
    grid_.clear();
    initialView();
}

} // namespace qv::statistics
