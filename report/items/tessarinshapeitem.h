#ifndef TESSARINSHAPEITEM_H
#define TESSARINSHAPEITEM_H

#include "tessarinitem.h"
#include "tessarinshapedata.h"

#include <QBrush>
#include <QPainterPath>
#include <QPen>

class TessarinScale;

// Common base of lines, rectangles and ellipses: pen, brush and line width,
// their attributes in the definition, colours and width that expressions
// change per record, and the automatic height rule (fitTo) by which a frame
// or a rule stretches to the bottom of its section, its zone or the page
// body.
class TESSARIN2_EXPORT TessarinShapeItem : public TessarinItem
{
public:
    ~TessarinShapeItem() override;

    TessarinShapeData *shapeData() const { return static_cast<TessarinShapeData *>(d); }

    virtual bool isLine() const;
    virtual void setBrush(const QBrush &brush);
    virtual void setPen(const QPen &pen);

    QPen pen() const { return shapeData()->pen; }
    QBrush brush() const { return shapeData()->brush; }
    double lineWidth() const { return shapeData()->lineWidth; }
    void setLineWidth(double mm) { shapeData()->lineWidth = mm; }
    QString dynFillColor() const { return shapeData()->dynFillColor; }
    void setDynFillColor(const QString &expression) { shapeData()->dynFillColor = expression; }
    QString dynLineColor() const { return shapeData()->dynLineColor; }
    void setDynLineColor(const QString &expression) { shapeData()->dynLineColor = expression; }
    QString dynLineWidth() const { return shapeData()->dynLineWidth; }
    void setDynLineWidth(const QString &expression) { shapeData()->dynLineWidth = expression; }

    // The outline a pen draws along path, plus the path itself.
    static QPainterPath shapeFromPath(const QPainterPath &path, const QPen &pen);

    // The bottom of the page body in mm (page height less bottom margin and
    // page footer), or -1 for an output that has no pages.
    double pageBodyBottomMM(const TessarinOutput *output) const;

    // Starts the element, writes the common and the shape attributes and
    // ends it; subclasses with attributes of their own use the pieces below.
    bool write(TessarinXMLWriter *writer) override;
    // Common and shape attributes; discards the element's text.
    bool read(TessarinXMLReader *reader) override;
    // Base step first, then the dynamic line colour, fill colour and width.
    void updateValue(TessarinOutput *output, TessarinEvaluator *evaluator) override;

    // QGraphicsItem (designer)
    QPainterPath opaqueArea() const override;
    bool isObscuredBy(const QGraphicsItem *item) const override;

protected:
    TessarinShapeItem(TessarinShapeData *data, TessarinDef *reportDef, QGraphicsItem *parent);

    // Reads the common and shape attributes without touching the content.
    void readShapeAttributes(TessarinXMLReader *reader);
    // Writes the common and shape attributes into the started element.
    void writeShapeAttributes(TessarinXMLWriter *writer);

    // The item's pen for an output: the line width in whole output pixels;
    // with cosmeticBelowOne a width under one pixel becomes 0, which Qt
    // draws one device pixel wide.
    QPen outputPen(const TessarinScale &scale, bool cosmeticBelowOne) const;
    // The designer's pen: the line width in screen pixels.
    QPen screenPen() const;

};

#endif // TESSARINSHAPEITEM_H
