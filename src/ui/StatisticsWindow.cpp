#include "ui/StatisticsWindow.h"

#include "statistics/StatisticsNames.h"
#include "ui/StatisticsGridModel.h"
#include "ui/UiShell.h"
#include "ui/UsageChartWindow.h"
#include "ui/WindowSupport.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace qv::ui {

namespace w = names::TForm4;

namespace {

constexpr int kClientWidth = 766;
constexpr int kClientHeight = 381;

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

QLabel* value(QWidget* parent, const shell::WidgetName& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(qtName(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(64);
    return label;
}

/// A caption that wraps onto a second line rather than widen the fixed window.
QLabel* caption(QWidget* parent, const char* text) {
    auto* label = new QLabel(u8(text), parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

StatisticsWindow::StatisticsWindow(shell::WindowView& view, shell::IntentSink& sink, statistics::StatisticsGrid& grid,
                                   QWidget* anchor)
    : SecondaryWindow(qtName(w::TForm4), anchor) {
    setWindowTitle(u8("Statistika"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 4, 6, 0);
    column->setSpacing(4);

    auto* bar = new QMenuBar(this);
    bar->setObjectName(qtName(w::MainMenu1));
    auto* exportMenu = new QMenu(u8("Export"), this);
    exportMenu->setObjectName(qtName(w::Export1));
    exportMenu->addAction(u8("*.xls"))->setObjectName(qtName(w::cls1));
    bar->addMenu(exportMenu);
    bar->addAction(u8("Graf"))->setObjectName(qtName(w::Graf1));
    column->setMenuBar(bar);

    auto* userRow = new QHBoxLayout;
    auto* caption = new QLabel(u8("Pro uživatele"), this);
    caption->setObjectName(qtName(w::Label1));
    userRow->addWidget(caption);
    auto* users = new QComboBox(this);
    users->setObjectName(qtName(w::ComboBox3));
    users->setMinimumWidth(180);
    userRow->addWidget(users);
    userRow->addStretch(1);
    column->addLayout(userRow);

    table_ = new QTableView(this);
    table_->setObjectName(qtName(w::StringGrid1));
    table_->setModel(new StatisticsGridModel(grid, table_));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    table_->setWordWrap(false);
    QHeaderView* rows = table_->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed); // rows are never measured one by one
    rows->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    for (int c = 0; c < statistics::kGridColumnCount; ++c)
        table_->setColumnWidth(c, statistics::kGridColumns[static_cast<std::size_t>(c)].width);
    connect(header, &QHeaderView::sectionClicked, this,
            [&sink](int section) { sink.indexChanged(w::StringGrid1, section); });
    column->addWidget(table_, 1);

    column->addWidget(buildTotals());

    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    auto* count = new QLabel(status);
    count->setObjectName(qtName(w::StatusBar1));
    status->addWidget(count, 1);
    column->addWidget(status);

    setFixedSize(kClientWidth, kClientHeight + bar->sizeHint().height());
    bind(view, sink);
}

StatisticsWindow::~StatisticsWindow() = default;

QWidget* StatisticsWindow::buildTotals() {
    auto* group = new QGroupBox(u8("Celkové statistiky"), this);
    group->setObjectName(qtName(w::GroupBox1));
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(8, 2, 8, 4);
    column->setSpacing(4);

    // Bands by window and direction: one row per band, one column per window and direction.
    auto* bands = new QGridLayout;
    bands->setHorizontalSpacing(10);
    bands->setVerticalSpacing(1);
    const char* headings[] = {
        "Down dnes:", "Up dnes:", "Down za min.6+dnes:", "Up za min.6+dnes:", "Down min. 30 dní:", "Up min. 30 dní:"};
    for (int c = 0; c < 6; ++c)
        bands->addWidget(new QLabel(u8(headings[c]), group), 0, c + 1, Qt::AlignRight);
    const std::array<std::array<shell::WidgetName, 6>, 2> values = {{
        {w::Label17, w::Label18, w::Label19, w::Label20, w::Label21, w::Label22},
        {w::Label24, w::Label26, w::Label27, w::Label30, w::Label31, w::Label34},
    }};
    for (int band = 0; band < 2; ++band) {
        bands->addWidget(new QLabel(u8(band == 0 ? "1. pásmo" : "2. pásmo"), group), band + 1, 0);
        for (int c = 0; c < 6; ++c)
            bands->addWidget(value(group, values[static_cast<std::size_t>(band)][static_cast<std::size_t>(c)]),
                             band + 1, c + 1);
    }
    column->addLayout(bands);

    // Totals and recalculated totals, one block per window.
    auto* totals = new QHBoxLayout;
    totals->setSpacing(16);
    const auto block = [&](const char* total, const shell::WidgetName& totalValue, const char* recalculated,
                           const shell::WidgetName& recalculatedValue) {
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(1);
        grid->addWidget(caption(group, total), 0, 0);
        grid->addWidget(value(group, totalValue), 0, 1, Qt::AlignRight | Qt::AlignTop);
        grid->addWidget(caption(group, recalculated), 1, 0);
        grid->addWidget(value(group, recalculatedValue), 1, 1, Qt::AlignRight | Qt::AlignTop);
        grid->setColumnStretch(0, 1);
        totals->addLayout(grid, 1);
    };
    block("Celkem přenesená data dnes", w::Label38, "Celkem přenesená data dnes s přepočtem", w::Label41);
    block("Celkem přenesená data za min. 6 + dnes", w::Label39, "Celkem přenesená data s přepočtem za min. 6 + dnes",
          w::Label43);
    block("Celkem přenesená data za min. 30 dní", w::Label40, "Celkem přenesená data za min. 30 dní s přepočtem",
          w::Label45);
    column->addLayout(totals);
    return group;
}

void addStatisticsWindows(UiShell& shell, app::Views& views, statistics::StatisticsForm& form) {
    shell.addWindow(views.statistics, [&form](shell::WindowView& view, shell::IntentSink& sink, QWidget* mainWindow) {
        return std::make_unique<StatisticsWindow>(view, sink, form.grid(), mainWindow);
    });
    shell.addWindow(views.usageChart, [&form, &shell](shell::WindowView& view, shell::IntentSink& sink, QWidget*) {
        // Centred over the statistics window it was opened from.
        return std::make_unique<UsageChartWindow>(view, sink, form.chart(), shell.window(w::TForm4.window));
    });
}

} // namespace qv::ui
