#ifndef TESSARINCROSSTABITEMDATA_H
#define TESSARINCROSSTABITEMDATA_H

#include "tessarinitemdata.h"

#include <QSet>
#include <QString>

class TessarinDataSource;
class TessarinItemModelDataSource;
class TessarinPivotTableModel;

// Properties of a cross table: its data source, spacing and margins, the
// default cell size, which headers and summaries are shown, the hidden data
// source columns and the pivot settings. Lengths are millimetres.
class TESSARIN2_EXPORT TessarinCrossTabItemData : public TessarinItemData
{
public:
    static constexpr double DefaultColumnWidth = 24;
    static constexpr double DefaultRowHeight = 7;

    TessarinCrossTabItemData();
    TessarinCrossTabItemData(const TessarinCrossTabItemData &) = default;
    TessarinCrossTabItemData &operator=(const TessarinCrossTabItemData &) = default;
    ~TessarinCrossTabItemData() override;

    // Column indexes as text: "1,3" (blanks and duplicates are ignored).
    void setHiddenDataSourceColumns(const QString &text);
    QString hiddenDataSourceColumns() const;
    bool isHiddenDataColumn(int column) const { return hiddenColumns.contains(column); }

    TessarinDataSource *dataSource = nullptr; // not owned
    QString dataSourceId;

    double tableSpacing = 0;
    double cellSpacing = 0;
    double cellPadding = 0;
    double leftMargin = 0;
    double rightMargin = 0;
    double topMargin = 0;
    double bottomMargin = 0;
    double columnWidth = DefaultColumnWidth;
    double rowHeight = DefaultRowHeight;

    bool showColumnHeader = true;
    bool showRowHeader = true;
    bool showBottomSummary = true;
    bool showSideSummary = true;
    bool breakTable = true;

    QString columnTitleSource;
    QSet<int> hiddenColumns;

    bool isPivotTable = false;
    bool pivotSort = false;
    quint16 pivotAggregation = 1;
    QString pivotTableRowSource;
    QString pivotTableColumnSource;
    QString pivotTableValueSource;

    // While printing a pivot table; owned by the item.
    TessarinPivotTableModel *pivotModel = nullptr;
    TessarinItemModelDataSource *pivotDataSource = nullptr;
};

#endif // TESSARINCROSSTABITEMDATA_H
