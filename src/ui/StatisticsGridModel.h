#pragma once

#include "statistics/StatisticsGrid.h"

#include <QAbstractTableModel>

#include <memory>

namespace qv::ui {

/// The statistics grid's rows as a table model: cells are read from the logic's grid when the view asks for them,
/// so a list of 100 000 records formats only the rows on screen. Headers and column order come from the logic.
class StatisticsGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    StatisticsGridModel(statistics::StatisticsGrid& grid, QObject* parent);
    ~StatisticsGridModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    statistics::StatisticsGrid& grid_;
    std::weak_ptr<const void> gridAlive_;
};

} // namespace qv::ui
