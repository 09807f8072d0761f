#include "tessarinlineitem.h"

#include "tessarindef.h"
#include "tessarinoutput.h"
#include "tessarinscale.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
const bool lineRegistered = TessarinXMLRegistry::registerItem(
    QStringLiteral("line"), [](TessarinDef *def) -> TessarinItem * { return new TessarinLineItem(def); });

constexpr double endHandleSize = 6.0; // designer, scene pixels
}

TessarinLineItem::TessarinLineItem(TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinShapeItem(new TessarinLineData, reportDef, parent)
{
    Q_UNUSED(lineRegistered)
}

TessarinLineItem::~TessarinLineItem() = default;

bool TessarinLineItem::isLine() const
{
    return true;
}

bool TessarinLineItem::hasSizeAndPosition() const
{
    return false;
}

void TessarinLineItem::setLine(const QLineF &line)
{
    if (line == lineData()->line)
        return;
    prepareGeometryChange();
    lineData()->line = line;
    lineData()->boundingRectCache = QRectF();
    update();
}

QLineF TessarinLineItem::outputLine(TessarinOutput *output, const QPointF &origin) const
{
    const TessarinScale scale = output ? output->scale() : TessarinScale();
    QPointF p1 = scale.mmToPoint(origin + d->metricPos);
    QPointF p2 = scale.mmToPoint(origin + lineData()->endPos);

    if (d->autoHeight) {
        // On equal heights the "from" point is the top end.
        const bool fromIsTop = p1.y() <= p2.y();
        QPointF &top = fromIsTop ? p1 : p2;
        QPointF &bottom = fromIsTop ? p2 : p1;
        const QRectF last = d->boundingRectOfLastPart;
        if (last.isValid()) {
            top.setY(last.top());
            bottom.setY(last.bottom());
        } else {
            const double topMM = fromIsTop ? d->metricPos.y() : lineData()->endPos.y();
            switch (fitRole()) {
            case FitToSection:
                // Measured from the upper end, so the order of the ends does not matter.
                bottom.setY(top.y() + scale.mmToPixel(sectionMetricSize().height() - topMM));
                break;
            case FitToZone:
                bottom.setY(top.y() + scale.mmToPixel(zoneMetricSize().height()));
                break;
            case FitToPageFooter: {
                const double body = pageBodyBottomMM(output);
                if (body >= 0)
                    bottom.setY(scale.mmToPixel(body));
                break;
            }
            default:
                break;
            }
        }
    }

    if (d->pinToRight && d->reportDef) {
        const TessarinPageOption &o = d->reportDef->option();
        // On equal x the "to" point moves.
        QPointF &right = p1.x() > p2.x() ? p1 : p2;
        right.setX(scale.mmToRealPixel(o.pageWidthMM() - o.rightMarginMM()));
    }
    return QLineF(p1, p2);
}

void TessarinLineItem::paint(TessarinOutput *output, const QPointF &origin)
{
    if (!output)
        return;
    const QLineF line = outputLine(output, origin);
    QPainter *painter = output->painter();
    if (painter && drawsOn(output)) {
        painter->save();
        painter->setPen(outputPen(output->scale(), true));
        painter->drawLine(line);
        painter->restore();
    }
    output->renderItem(this, QRectF(line.p1(), line.p2()));
}

bool TessarinLineItem::read(TessarinXMLReader *reader)
{
    readShapeAttributes(reader);
    d->metricPos = reader->readPosFrom();
    lineData()->endPos = reader->readPosTo();
    reader->elementText();
    return true;
}

bool TessarinLineItem::write(TessarinXMLWriter *writer)
{
    writer->xml().writeStartElement(d->tagname);
    writeShapeAttributes(writer);
    writer->writePosFrom(d->metricPos);
    writer->writePosTo(lineData()->endPos);
    writer->xml().writeEndElement();
    return true;
}

void TessarinLineItem::enableOffsetPosition()
{
    d->metricPos -= d->metricOffset;
    lineData()->endPos -= d->metricOffset;
}

void TessarinLineItem::disableOffsetPosition()
{
    d->metricPos += d->metricOffset;
    lineData()->endPos += d->metricOffset;
}

void TessarinLineItem::setDefaultForEditor()
{
    setLine(QLineF(0, 0, 100, 0));
}

void TessarinLineItem::updatePosition()
{
    const TessarinScale screen;
    const QPointF from = screen.mmToPoint(d->metricPos);
    setPos(from);
    setLine(QLineF(QPointF(0, 0), screen.mmToPoint(lineData()->endPos) - from));
}

void TessarinLineItem::updateForEditor()
{
    updatePosition();
}

void TessarinLineItem::updateForSave()
{
    const TessarinScale screen;
    const QLineF l = lineData()->line;
    d->metricPos = screen.pointToMM(scenePos() + l.p1());
    lineData()->endPos = screen.pointToMM(scenePos() + l.p2());
}

void TessarinLineItem::saveSelectState()
{
    TessarinShapeItem::saveSelectState();
    m_selectLine = lineData()->line;
}

void TessarinLineItem::itemPositionChange(const QPointF &position)
{
    // The end points follow the item; they are stored in mm only on saving.
    Q_UNUSED(position)
}

QRectF TessarinLineItem::selectionRect(SelectionDirection direction, const QSizeF &) const
{
    const QLineF l = lineData()->line;
    QPointF c;
    if (direction == LineStart)
        c = l.p1();
    else if (direction == LineEnd)
        c = l.p2();
    else
        return QRectF();
    return QRectF(c.x() - endHandleSize / 2, c.y() - endHandleSize / 2, endHandleSize, endHandleSize);
}

void TessarinLineItem::paintSelection(QPainter *painter)
{
    if (!isSelected())
        return;
    painter->save();
    preparePaintSelection(painter);
    painter->setBrush(Qt::blue);
    painter->drawRect(selectionRect(LineStart, QSizeF()));
    painter->drawRect(selectionRect(LineEnd, QSizeF()));
    painter->restore();
}

QRectF TessarinLineItem::boundingRect() const
{
    TessarinLineData *l = lineData();
    if (l->boundingRectCache.isNull()) {
        const double extra = std::max(screenPen().widthF(), endHandleSize) / 2.0;
        l->boundingRectCache = QRectF(l->line.p1(), l->line.p2())
                                   .normalized()
                                   .adjusted(-extra, -extra, extra, extra);
    }
    return l->boundingRectCache;
}

QPainterPath TessarinLineItem::shape() const
{
    QPainterPath path;
    const QLineF l = lineData()->line;
    if (l == QLineF())
        return path;
    path.moveTo(l.p1());
    path.lineTo(l.p2());
    return shapeFromPath(path, screenPen());
}

void TessarinLineItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->save();
    painter->setPen(screenPen());
    painter->drawLine(lineData()->line);
    painter->restore();
    paintSelection(painter);
}

void TessarinLineItem::hoverMoveEvent(QGraphicsSceneHoverEvent *event)
{
    m_endHandle = NoDirection;
    if (isSelected() && !d->locked) {
        if (selectionRect(LineStart, QSizeF()).contains(event->pos()))
            m_endHandle = LineStart;
        else if (selectionRect(LineEnd, QSizeF()).contains(event->pos()))
            m_endHandle = LineEnd;
    }
    updateCursor(m_endHandle);
    QGraphicsItem::hoverMoveEvent(event);
}

void TessarinLineItem::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_endHandle == NoDirection || d->locked) {
        QGraphicsItem::mouseMoveEvent(event);
        return;
    }
    QLineF l = lineData()->line;
    if (m_endHandle == LineStart)
        l.setP1(event->pos());
    else
        l.setP2(event->pos());
    setLine(l);
}
