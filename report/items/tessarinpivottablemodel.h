#ifndef TESSARINPIVOTTABLEMODEL_H
#define TESSARINPIVOTTABLEMODEL_H

#include "tessaringlobal.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QPair>
#include <QStringList>
#include <QVariant>

// A pivot table built in memory: one row per row key, one column per column
// key, each cell aggregating the values added under its key pair. Keys keep
// the order of their first occurrence. The cross-table item prints it
// through an item model data source.
class TESSARIN2_EXPORT TessarinPivotTableModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    // Aggregation codes. Sum is also what any unknown code gives.
    enum Aggregation : int {
        Count = 0,
        Sum = 1,
        Average = 2,
        StdDeviation = 3,
        Minimum = 4,
        Maximum = 5
    };

    explicit TessarinPivotTableModel(QObject *parent = nullptr);
    ~TessarinPivotTableModel() override;

    int aggregation() const { return m_aggregation; }
    void setAggregation(int mode) { m_aggregation = mode; }

    void add(const QString &rowKey, const QString &columnKey, double value);
    // Appends keys not yet known without adding a value, so that an order
    // can be set before the values arrive.
    void addKeys(const QStringList &rowKeys, const QStringList &columnKeys);
    void clear();

    QStringList rowKeys() const { return m_rowKeys; }
    QStringList columnKeys() const { return m_columnKeys; }

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Cell
    {
        double value = 0;      // sum, minimum or maximum
        double sumSquares = 0; // for the standard deviation
        double sum = 0;        // for the standard deviation under any mode
        int count = 0;
    };
    using Key = QPair<int, int>;

    int m_aggregation = Sum;
    QStringList m_rowKeys;
    QStringList m_columnKeys;
    QHash<Key, Cell> m_cells;
};

#endif // TESSARINPIVOTTABLEMODEL_H
