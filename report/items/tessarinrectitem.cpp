#include "tessarinrectitem.h"

#include "tessarinoutput.h"
#include "tessarinscale.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QPainter>

namespace {
const bool rectRegistered = TessarinXMLRegistry::registerItem(
    QStringLiteral("rectangle"), [](TessarinDef *def) -> TessarinItem * { return new TessarinRectItem(def); });
}

TessarinRectItem::TessarinRectItem(TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinShapeItem(new TessarinRectData, reportDef, parent)
{
    Q_UNUSED(rectRegistered)
}

TessarinRectItem::~TessarinRectItem() = default;

void TessarinRectItem::drawFrame(QPainter *painter, const QRectF &rect, int roundX, int roundY)
{
    if (roundX <= 0 && roundY <= 0) {
        painter->drawRect(rect);
        return;
    }
    // Qt draws square corners as soon as one roundness is 0; a frame that
    // asks for roundness on one axis only gets it on both.
    const int x = roundX > 0 ? roundX : roundY;
    const int y = roundY > 0 ? roundY : roundX;
    painter->drawRoundedRect(rect, x, y, Qt::RelativeSize);
}

TessarinRectItem *TessarinRectItem::createRowBackground(TessarinDef *reportDef, const QColor &color,
                                                        double pureWidthMM, double heightMM,
                                                        bool autoHeight)
{
    auto *item = new TessarinRectItem(reportDef);
    item->setFitRole(FitToZone);
    item->setAutoHeight(autoHeight);
    item->setPen(QPen(Qt::NoPen));
    item->setBrush(QBrush(color, Qt::SolidPattern));
    item->setMetricPos(QPointF(0, 0));
    item->setMetricSize(QSizeF(pureWidthMM, heightMM));
    item->setRealMetricSize(QSizeF(pureWidthMM, heightMM));
    return item;
}

QRectF TessarinRectItem::outputRect(TessarinOutput *output, const QPointF &origin)
{
    QRectF rect = itemRect(output, origin);
    if (!d->autoHeight)
        return rect;
    const TessarinScale scale = output ? output->scale() : TessarinScale();
    switch (fitRole()) {
    case FitToSection:
        rect.setHeight(scale.mmToPixel(sectionMetricSize().height() - d->metricPos.y()));
        break;
    case FitToZone:
        rect.setHeight(scale.mmToPixel(zoneMetricSize().height()));
        break;
    case FitToPageFooter: {
        // Without pages there is no body bottom to reach.
        const double bottom = pageBodyBottomMM(output);
        if (bottom >= 0)
            rect.setBottom(scale.mmToPixel(bottom));
        break;
    }
    default:
        break;
    }
    // A split text next to the frame printed a part here: the frame follows it.
    const QRectF last = d->boundingRectOfLastPart;
    if (last.isValid())
        rect = QRectF(rect.x(), last.y(), rect.width(), last.height());
    return rect;
}

void TessarinRectItem::paint(TessarinOutput *output, const QPointF &origin)
{
    if (!output)
        return;
    const QRectF rect = outputRect(output, origin);
    QPainter *painter = output->painter();
    if (painter && drawsOn(output)) {
        painter->save();
        painter->setPen(outputPen(output->scale(), true));
        painter->setBrush(shapeData()->brush);
        drawFrame(painter, rect, roundX(), roundY());
        painter->restore();
    }
    output->renderItem(this, rect);
}

bool TessarinRectItem::read(TessarinXMLReader *reader)
{
    readShapeAttributes(reader);
    rectData()->roundX = reader->attribToInt(QStringLiteral("roundX"));
    rectData()->roundY = reader->attribToInt(QStringLiteral("roundY"));
    reader->elementText();
    return true;
}

bool TessarinRectItem::write(TessarinXMLWriter *writer)
{
    writer->xml().writeStartElement(d->tagname);
    writeShapeAttributes(writer);
    if (rectData()->roundX > 0)
        writer->writeInt(QStringLiteral("roundX"), rectData()->roundX);
    if (rectData()->roundY > 0)
        writer->writeInt(QStringLiteral("roundY"), rectData()->roundY);
    writer->xml().writeEndElement();
    return true;
}

void TessarinRectItem::setDefaultForEditor()
{
    resize(QSizeF(100, 60));
}

void TessarinRectItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF box(QPointF(0, 0), d->currentSize);
    rectData()->rect = box;
    painter->save();
    painter->setPen(screenPen());
    painter->setBrush(shapeData()->brush);
    drawFrame(painter, box, roundX(), roundY());
    painter->restore();
    paintSelection(painter);
}
