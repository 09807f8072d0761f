#ifndef TESSARINRECTITEM_H
#define TESSARINRECTITEM_H

#include "tessarinrectdata.h"
#include "tessarinshapeitem.h"

#include <QColor>

// A rectangle, optionally with rounded corners, that can stretch to the
// bottom of its section, zone or page body.
class TESSARIN2_EXPORT TessarinRectItem : public TessarinShapeItem
{
public:
    explicit TessarinRectItem(TessarinDef *reportDef = nullptr, QGraphicsItem *parent = nullptr);
    ~TessarinRectItem() override;

    TessarinRectData *rectData() const { return static_cast<TessarinRectData *>(d); }

    int roundX() const { return rectData()->roundX; }
    void setRoundX(int percent) { rectData()->roundX = percent; }
    int roundY() const { return rectData()->roundY; }
    void setRoundY(int percent) { rectData()->roundY = percent; }

    // The rectangle paint() draws, in output pixels: itemRect() with the
    // automatic height applied and, next to a split text, the geometry of
    // that text's last part.
    QRectF outputRect(TessarinOutput *output, const QPointF &origin);

    // The borderless background the layout paints behind alternate detail
    // rows: filled with color, pureWidthMM wide and heightMM high at the
    // section origin; with autoHeight it takes the height of its zone.
    // The caller owns it.
    static TessarinRectItem *createRowBackground(TessarinDef *reportDef, const QColor &color,
                                                 double pureWidthMM, double heightMM,
                                                 bool autoHeight);

    // Draws rect with the painter's pen and brush; rounded (in percent of
    // half the width and height) when either roundness is above 0.
    static void drawFrame(QPainter *painter, const QRectF &rect, int roundX, int roundY);

    // TessarinItem
    void paint(TessarinOutput *output, const QPointF &origin) override;
    bool read(TessarinXMLReader *reader) override;
    bool write(TessarinXMLWriter *writer) override;
    void setDefaultForEditor() override;

    // QGraphicsItem (designer)
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
};

#endif // TESSARINRECTITEM_H
