#ifndef TESSARINLINEITEM_H
#define TESSARINLINEITEM_H

#include "tessarinlinedata.h"
#include "tessarinshapeitem.h"

#include <QLineF>

// A straight line between two points of the section ("from" is metricPos,
// "to" is endPos). It has no size of its own; with automatic height its
// lower end stretches down, and it can be pinned to the right margin.
class TESSARIN2_EXPORT TessarinLineItem : public TessarinShapeItem
{
public:
    explicit TessarinLineItem(TessarinDef *reportDef = nullptr, QGraphicsItem *parent = nullptr);
    ~TessarinLineItem() override;

    TessarinLineData *lineData() const { return static_cast<TessarinLineData *>(d); }

    QPointF endPos() const { return lineData()->endPos; }
    void setEndPos(const QPointF &pos) { lineData()->endPos = pos; }
    // Designer line in item coordinates (scene pixels).
    QLineF line() const { return lineData()->line; }
    void setLine(const QLineF &line);

    // The end points paint() draws between, in output pixels.
    QLineF outputLine(TessarinOutput *output, const QPointF &origin) const;

    bool isLine() const override;

    // TessarinItem
    void paint(TessarinOutput *output, const QPointF &origin) override;
    bool read(TessarinXMLReader *reader) override;
    bool write(TessarinXMLWriter *writer) override;
    bool hasSizeAndPosition() const override;
    void enableOffsetPosition() override;
    void disableOffsetPosition() override;
    void setDefaultForEditor() override;
    void updateForEditor() override;
    void updateForSave() override;
    void updatePosition() override;
    void saveSelectState() override;
    void itemPositionChange(const QPointF &position) override;
    void paintSelection(QPainter *painter) override;
    QRectF selectionRect(SelectionDirection direction, const QSizeF &size) const override;

    // QGraphicsItem (designer)
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

protected:
    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;

private:
    SelectionDirection m_endHandle = NoDirection;
    QLineF m_selectLine;
};

#endif // TESSARINLINEITEM_H
