#ifndef TESSARINTABLEITEM_H
#define TESSARINTABLEITEM_H

#include "tessarinitem.h"
#include "tessarintableitemdata.h"

#include <QPointF>
#include <QRectF>

class QPainter;
class QTableView;
class TessarinEvaluatorContext;

// Prints an application's item model as a grid, taking column widths, row
// heights, header sizes and hidden rows and columns from the application's
// table view. The table grows downwards row by row, continues on the next
// page when a row does not fit (repeating the horizontal header) and leaves
// the print position below its last row.
class TESSARIN2_EXPORT TessarinTableItem : public TessarinItem
{
public:
    // What painting a cell's decoration did.
    enum ImageType : int { NoImage = 0, PixmapImage = 1, IconImage = 2 };

    explicit TessarinTableItem(TessarinDef *reportDef = nullptr, QGraphicsItem *parent = nullptr);
    ~TessarinTableItem() override;

    TessarinTableItemData *tableData() const { return static_cast<TessarinTableItemData *>(d); }

    int rowCount() const;
    int columnCount() const;
    // View sizes scaled to output pixels by the current factor; column -1
    // is the vertical header, row -1 the horizontal header.
    double columnWidthPixel(int column) const;
    double rowHeightPixel(int row) const;

    double tableSpacing() const { return tableData()->tableSpacing; }
    void setTableSpacing(double mm) { tableData()->tableSpacing = mm; }
    double cellSpacing() const { return tableData()->cellSpacing; }
    void setCellSpacing(double mm) { tableData()->cellSpacing = mm; }
    TessarinDataSource *dataSource() const { return tableData()->dataSource; }
    void setDataSource(TessarinDataSource *source) { tableData()->dataSource = source; }
    void setDataSourceByID(const QString &id);
    QAbstractItemModel *model() const { return tableData()->model; }
    void setModel(QAbstractItemModel *model) { tableData()->model = model; }
    QString modelName() const { return tableData()->modelName; }
    void setModelName(const QString &name) { tableData()->modelName = name; }
    QTableView *view() const { return tableData()->view; }
    void setView(QTableView *view) { tableData()->view = view; }
    QString viewName() const { return tableData()->viewName; }
    void setViewName(const QString &name) { tableData()->viewName = name; }
    bool showHeaderH() const { return tableData()->showHeaderH; }
    void setShowHeaderH(bool on) { tableData()->showHeaderH = on; }
    bool showHeaderV() const { return tableData()->showHeaderV; }
    void setShowHeaderV(bool on) { tableData()->showHeaderV = on; }
    bool elidedMode() const { return tableData()->elidedMode; }
    void setElidedMode(bool on) { tableData()->elidedMode = on; }
    bool showBorder() const { return tableData()->showBorder; }
    void setShowBorder(bool on) { tableData()->showBorder = on; }
    QList<int> hiddenRows() const { return tableData()->hiddenRows; }
    void setHiddenRows(const QList<int> &rows) { tableData()->hiddenRows = rows; }
    QList<int> hiddenColumns() const { return tableData()->hiddenColumns; }
    void setHiddenColumns(const QList<int> &columns) { tableData()->hiddenColumns = columns; }

    // State of the last paint: table rectangle (output pixels) and the
    // factor from view pixels to output pixels.
    QRectF tableRect() const { return m_tableRect; }
    double scaleFactor() const { return m_factor; }

    // TessarinItem
    using TessarinItem::paint;
    QRectF boundingRect() const override;
    void paint(TessarinOutput *output, const QPointF &origin) override;
    void dummyPaint(TessarinOutput *output, const QPointF &origin) override;
    bool read(TessarinXMLReader *reader) override;
    bool write(TessarinXMLWriter *writer) override;
    void setDefaultForEditor() override;

    // QGraphicsItem (designer)
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    // Source width in view pixels: visible columns plus the row header.
    double sourceWidth() const;
    void paintRow(int row);
    void paintCell(int row, int column, const QRectF &rect);
    ImageType paintDecoration(QPainter *painter, const QVariant &decoration, const QRectF &inner);
    bool isColumnShown(int column) const;
    bool isRowShown(int row) const;

    // Run-time state of one paint.
    TessarinOutput *m_output = nullptr;
    TessarinEvaluatorContext *m_director = nullptr;
    QRectF m_tableRect;
    QPointF m_pos;
    double m_factor = 1;
    double m_cellSpacingPx = 0;
    double m_iconSize = 16;
    // Set by a page break of this table until a data row lands on the new
    // page: a row too tall for a whole page is then printed rather than
    // pushed onto page after page.
    bool m_freshPage = false;
};

#endif // TESSARINTABLEITEM_H
