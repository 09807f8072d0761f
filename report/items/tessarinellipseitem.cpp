#include "tessarinellipseitem.h"

#include "tessarinoutput.h"
#include "tessarinxmlregistry.h"

#include <QPainter>

namespace {
const bool ellipseRegistered = TessarinXMLRegistry::registerItem(
    QStringLiteral("ellipse"), [](TessarinDef *def) -> TessarinItem * { return new TessarinEllipseItem(def); });
}

TessarinEllipseItem::TessarinEllipseItem(TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinShapeItem(new TessarinEllipseData, reportDef, parent)
{
    Q_UNUSED(ellipseRegistered)
}

TessarinEllipseItem::~TessarinEllipseItem() = default;

void TessarinEllipseItem::paint(TessarinOutput *output, const QPointF &origin)
{
    if (!output)
        return;
    const QRectF rect = itemRect(output, origin);
    QPainter *painter = output->painter();
    if (painter && drawsOn(output)) {
        painter->save();
        painter->setPen(outputPen(output->scale(), false));
        painter->setBrush(shapeData()->brush);
        painter->drawEllipse(rect);
        painter->restore();
    }
    output->renderItem(this, rect);
}

void TessarinEllipseItem::setDefaultForEditor()
{
    resize(QSizeF(100, 60));
}

void TessarinEllipseItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF box(QPointF(0, 0), d->currentSize);
    ellipseData()->rect = box;
    painter->save();
    painter->setPen(screenPen());
    painter->setBrush(shapeData()->brush);
    painter->drawEllipse(box);
    painter->restore();
    paintSelection(painter);
}
