#pragma once

#include "app/Views.h"
#include "shell/Intents.h"
#include "shell/ViewState.h"
#include "statistics/StatisticsForm.h"
#include "ui/SecondaryWindow.h"

class QTableView;

namespace qv::ui {

class UiShell;

/// The statistics window "Statistika" (TForm4): the user selector, the grid of records, the group of totals per
/// band and usage window, the record count in the status bar, and the menus "Export" (*.xls) and "Graf". The grid
/// is a table view over the logic's rows; a click on its header sends the column to the logic as the grid's
/// index. Everything else comes from the view.
class StatisticsWindow final : public SecondaryWindow {
    Q_OBJECT
public:
    StatisticsWindow(shell::WindowView& view, shell::IntentSink& sink, statistics::StatisticsGrid& grid,
                     QWidget* anchor = nullptr);
    ~StatisticsWindow() override;

    QTableView& table() { return *table_; }

private:
    QWidget* buildTotals();

    QTableView* table_ = nullptr;
};

/// Registers the statistics subsystem's windows (the statistics window and its usage chart) with the shell.
void addStatisticsWindows(UiShell& shell, app::Views& views, statistics::StatisticsForm& form);

} // namespace qv::ui
