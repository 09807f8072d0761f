#ifndef TESSARINCROSSTABITEMCELL_H
#define TESSARINCROSSTABITEMCELL_H

#include "tessarindata.h"
#include "tessaringlobal.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPen>
#include <QRectF>
#include <QString>
#include <QVariant>

class QPaintDevice;
class QPainter;
class TessarinOutput;
class TessarinXMLReader;
class TessarinXMLWriter;

// The appearance of one region of a cross table (corner, column titles,
// data cells, totals, ...) and the value last placed into it. The item keeps
// nine of them and paints every cell of a region through its style.
class TESSARIN2_EXPORT TessarinCrossTabItemCell
{
public:
    // Row region x column region; see TessarinCrossTabItem::TableRegion.
    enum CellType : int {
        HeaderCorner = 0,
        ColumnTitle = 1,
        SummaryTitle = 2,
        RowTitle = 3,
        DataCell = 4,
        RowTotal = 5,
        TotalTitle = 6,
        ColumnTotal = 7,
        GrandTotal = 8
    };
    enum BorderPos : int { Top = 0, Right = 1, Bottom = 2, Left = 3 };
    enum BGMode : int { Transparent = 0, Opaque = 1 };

    struct Border
    {
        bool enabled = false;
        QPen pen{Qt::black};
        double lineWidth = 0.1; // mm
    };

    explicit TessarinCrossTabItemCell(CellType type = DataCell);

    CellType cellType() const { return m_cellType; }
    void setCellType(CellType type) { m_cellType = type; }

    // The cell shows its fixed text instead of a value.
    bool showsFixedText() const;
    // The text painted for the current value.
    QString displayText() const;
    void paint(TessarinOutput *output, const QRectF &rect, double padding);
    QRectF sizeHint(const QRectF &rect, QPaintDevice *device) const;

    // Reads the attributes and the "border" and "text" children of a "cell"
    // element through its end element.
    void read(TessarinXMLReader *reader);
    // Writes a complete "cell" element.
    void write(TessarinXMLWriter *writer) const;

    QVariant value;
    Qt::Alignment alignment = Qt::AlignCenter;
    QFont font;
    QColor foreColor{Qt::black};
    QBrush backgroundBrush{Qt::white};
    BGMode backgroundMode = Transparent;
    TessarinData::DataType dataType = TessarinData::Text;
    bool wordbreak = false;
    bool formatting = false; // numeric formatting on
    char formatLetter = 'f';
    int fieldWidth = 0;
    int precision = -1;
    QChar fillChar{QLatin1Char(' ')};
    bool localized = false;
    bool blankIfZero = false;
    QString formatString;
    int rotation = 0; // degrees
    QString text;     // fixed text
    Border borders[4];

private:
    void paintBorder(QPainter *painter, const QRectF &rect, BorderPos pos, const TessarinOutput *output) const;

    CellType m_cellType;
};

#endif // TESSARINCROSSTABITEMCELL_H
