#include "ui/StatisticsGridModel.h"

namespace qv::ui {

StatisticsGridModel::StatisticsGridModel(statistics::StatisticsGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), gridAlive_(grid.lifetime()) {
    grid_.setListener({[this] { beginResetModel(); }, [this] { endResetModel(); }});
}

StatisticsGridModel::~StatisticsGridModel() {
    if (!gridAlive_.expired())
        grid_.setListener({});
}

int StatisticsGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(grid_.rowCount());
}

int StatisticsGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : statistics::kGridColumnCount;
}

QVariant StatisticsGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return QString::fromStdString(grid_.cell(static_cast<std::size_t>(index.row()), index.column()));
}

QVariant StatisticsGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= statistics::kGridColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    const std::string_view header = statistics::kGridColumns[static_cast<std::size_t>(section)].header;
    return QString::fromUtf8(header.data(), static_cast<qsizetype>(header.size()));
}

} // namespace qv::ui
