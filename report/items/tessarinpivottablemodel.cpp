#include "tessarinpivottablemodel.h"

#include <QtMath>

#include <algorithm>

TessarinPivotTableModel::TessarinPivotTableModel(QObject *parent)
    : QAbstractItemModel(parent)
{
}

TessarinPivotTableModel::~TessarinPivotTableModel() = default;

void TessarinPivotTableModel::add(const QString &rowKey, const QString &columnKey, double value)
{
    int row = m_rowKeys.indexOf(rowKey);
    int column = m_columnKeys.indexOf(columnKey);
    const bool grows = row < 0 || column < 0;
    if (grows)
        beginResetModel();
    if (row < 0) {
        row = m_rowKeys.size();
        m_rowKeys.append(rowKey);
    }
    if (column < 0) {
        column = m_columnKeys.size();
        m_columnKeys.append(columnKey);
    }
    Cell &cell = m_cells[Key(row, column)];
    if (cell.count == 0) {
        cell.value = value;
    } else if (m_aggregation == Minimum) {
        cell.value = std::min(cell.value, value);
    } else if (m_aggregation == Maximum) {
        cell.value = std::max(cell.value, value);
    } else {
        cell.value += value;
    }
    cell.sum += value;
    cell.sumSquares += value * value;
    ++cell.count;
    if (grows)
        endResetModel();
}

void TessarinPivotTableModel::addKeys(const QStringList &rowKeys, const QStringList &columnKeys)
{
    beginResetModel();
    for (const QString &key : rowKeys)
        if (!m_rowKeys.contains(key))
            m_rowKeys.append(key);
    for (const QString &key : columnKeys)
        if (!m_columnKeys.contains(key))
            m_columnKeys.append(key);
    endResetModel();
}

void TessarinPivotTableModel::clear()
{
    beginResetModel();
    m_rowKeys.clear();
    m_columnKeys.clear();
    m_cells.clear();
    endResetModel();
}

QModelIndex TessarinPivotTableModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= m_rowKeys.size() || column >= m_columnKeys.size())
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex TessarinPivotTableModel::parent(const QModelIndex &) const
{
    return QModelIndex();
}

int TessarinPivotTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowKeys.size();
}

int TessarinPivotTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columnKeys.size();
}

QVariant TessarinPivotTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole) || index.row() >= m_rowKeys.size()
        || index.column() >= m_columnKeys.size())
        return QVariant();
    const Cell cell = m_cells.value(Key(index.row(), index.column()));
    switch (m_aggregation) {
    case Count:
        return cell.count;
    case Average:
        return cell.count > 0 ? cell.sum / cell.count : 0.0;
    case StdDeviation: {
        // Population standard deviation, from the sums kept per cell.
        if (cell.count == 0)
            return 0.0;
        const double mean = cell.sum / cell.count;
        return qSqrt(std::max(0.0, cell.sumSquares / cell.count - mean * mean));
    }
    default:
        return cell.value;
    }
}

QVariant TessarinPivotTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const QStringList &keys = orientation == Qt::Horizontal ? m_columnKeys : m_rowKeys;
    if (section < 0 || section >= keys.size())
        return QVariant();
    return keys.at(section);
}
