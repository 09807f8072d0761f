#ifndef TESSARINCROSSTABITEM_H
#define TESSARINCROSSTABITEM_H

#include "tessarincrosstabindex.h"
#include "tessarincrosstabitemcell.h"
#include "tessarincrosstabitemdata.h"
#include "tessarinitem.h"

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <QVector>

class TessarinDataSource;

// Prints a data source transposed: every record becomes a column and every
// shown data source column a row, with optional column titles, row titles
// (the column names), a total column at the side and a total row at the
// bottom. A grid wider than the page continues in blocks below; a grid
// taller than the page continues on the next page unless breaking is off.
// Optionally the data source is first turned into a pivot table.
//
// The table lays out its own rows, so it moves the run's print position to
// its bottom after painting.
class TESSARIN2_EXPORT TessarinCrossTabItem : public TessarinItem
{
public:
    enum TableRegion : int {
        HeaderColumn = 0,
        DataColumn = 1,
        TotalColumn = 2,
        HeaderRow = 3,
        DataRow = 4,
        TotalRow = 5
    };
    static constexpr int CellTypeCount = 9;
    static constexpr int RegionCount = 6;
    // More records than this are not read into a table.
    static constexpr int MaxRecords = 100000;

    explicit TessarinCrossTabItem(TessarinDef *reportDef = nullptr, QGraphicsItem *parent = nullptr);
    ~TessarinCrossTabItem() override;

    TessarinCrossTabItemData *crossTabData() const { return static_cast<TessarinCrossTabItemData *>(d); }

    TessarinCrossTabItemCell &cell(TessarinCrossTabItemCell::CellType type) { return m_cells[type]; }
    const TessarinCrossTabItemCell &cell(TessarinCrossTabItemCell::CellType type) const { return m_cells[type]; }

    // -1 (or any value not above 0) means "use the column width / row height".
    double regionSize(TableRegion region) const { return m_regionSizes[region]; }
    void setRegionSize(TableRegion region, double mm) { m_regionSizes[region] = mm; }
    // The size of a cell of the given type in millimetres.
    QSizeF cellSize(TessarinCrossTabItemCell::CellType type) const;

    // The data source printed: set directly, or looked up by id in the
    // definition when first needed.
    TessarinDataSource *dataSource() const;
    void setDataSource(TessarinDataSource *dataSource);
    QString dataSourceId() const { return crossTabData()->dataSourceId; }
    void setDataSourceId(const QString &id) { crossTabData()->dataSourceId = id; }

    // Builds the pivot model and its data source from dataSource; false (and
    // nothing built) unless the item is a pivot table with row, column and
    // value columns named.
    bool createPivotTable(TessarinDataSource *dataSource);
    void deletePivotTable();

    // State of the last paint.
    bool isStopped() const { return m_stopped; }
    bool hadNoRoomToRight() const { return m_noRoomToRight; }
    int blockCount() const { return m_blockCount; }
    TessarinCrossTabIndex lastIndex() const { return m_lastIndex; }

    // TessarinItem
    void paint(TessarinOutput *output, const QPointF &origin) override;
    void dummyPaint(TessarinOutput *output, const QPointF &origin) override;
    bool read(TessarinXMLReader *reader) override;
    bool write(TessarinXMLWriter *writer) override;
    void setDefaultForEditor() override;

    // QGraphicsItem (designer)
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    struct Table;
    struct Block;

    bool loadTable(TessarinDataSource *ds, Table &table) const;
    QVector<Block> planBlocks(const Table &table, double left, double right);
    void layout(TessarinOutput *output, const QPointF &origin, bool draw);

    TessarinCrossTabItemCell m_cells[CellTypeCount];
    double m_regionSizes[RegionCount] = {-1, -1, -1, -1, -1, -1};
    bool m_stopped = false;
    bool m_noRoomToRight = false;
    int m_blockCount = 0;
    TessarinCrossTabIndex m_lastIndex;
};

#endif // TESSARINCROSSTABITEM_H
