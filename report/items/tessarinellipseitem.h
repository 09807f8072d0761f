#ifndef TESSARINELLIPSEITEM_H
#define TESSARINELLIPSEITEM_H

#include "tessarinellipsedata.h"
#include "tessarinshapeitem.h"

// An ellipse inscribed in the item's rectangle. It keeps its designed height.
class TESSARIN2_EXPORT TessarinEllipseItem : public TessarinShapeItem
{
public:
    explicit TessarinEllipseItem(TessarinDef *reportDef = nullptr, QGraphicsItem *parent = nullptr);
    ~TessarinEllipseItem() override;

    TessarinEllipseData *ellipseData() const { return static_cast<TessarinEllipseData *>(d); }

    // TessarinItem
    void paint(TessarinOutput *output, const QPointF &origin) override;
    void setDefaultForEditor() override;

    // QGraphicsItem (designer)
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
};

#endif // TESSARINELLIPSEITEM_H
