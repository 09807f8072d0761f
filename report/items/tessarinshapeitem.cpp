#include "tessarinshapeitem.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinoutput.h"
#include "tessarinscale.h"
#include "tessarinsection.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlwriter.h"

#include <QPainterPathStroker>

namespace {
const char *const fitToNames[] = {"none", "section", "zone", "pfooter"};
}

TessarinShapeItem::TessarinShapeItem(TessarinShapeData *data, TessarinDef *reportDef,
                                     QGraphicsItem *parent)
    : TessarinItem(data, reportDef, parent)
{
}

TessarinShapeItem::~TessarinShapeItem() = default;

bool TessarinShapeItem::isLine() const
{
    return false;
}

void TessarinShapeItem::setBrush(const QBrush &brush)
{
    shapeData()->brush = brush;
    if (d->editorMode)
        update();
}

void TessarinShapeItem::setPen(const QPen &pen)
{
    prepareGeometryChange();
    shapeData()->pen = pen;
    shapeData()->boundingRectCache = QRectF();
    if (d->editorMode)
        update();
}

QPainterPath TessarinShapeItem::shapeFromPath(const QPainterPath &path, const QPen &pen)
{
    if (path == QPainterPath())
        return path;
    // A zero width would give an empty stroke; a hair keeps the line hittable.
    const double penWidthZero = 0.00000001;
    QPainterPathStroker stroker;
    stroker.setCapStyle(pen.capStyle());
    stroker.setWidth(pen.widthF() <= 0.0 ? penWidthZero : pen.widthF());
    stroker.setJoinStyle(pen.joinStyle());
    stroker.setMiterLimit(pen.miterLimit());
    QPainterPath result = stroker.createStroke(path);
    result.addPath(path);
    return result;
}

double TessarinShapeItem::pageBodyBottomMM(const TessarinOutput *output) const
{
    if (output && output->isSuccessive())
        return -1;
    const TessarinPageOption &o = d->reportDef ? d->reportDef->option()
                                               : (output ? output->option() : TessarinPageOption());
    double footer = 0;
    if (d->reportDef) {
        const TessarinSection *pageFooter = d->reportDef->pageFooter();
        if (pageFooter && pageFooter->isShown())
            footer = pageFooter->metricHeight();
    }
    return o.pageHeightMM() - o.bottomMarginMM() - footer;
}

void TessarinShapeItem::readShapeAttributes(TessarinXMLReader *reader)
{
    TessarinItem::read(reader);
    TessarinShapeData *s = shapeData();
    reader->readPen(s->pen);
    if (!isLine())
        reader->readBrush(s->brush);
    // A missing width keeps the default rather than becoming a hairline.
    if (reader->isAttrib(QStringLiteral("lineWidth")))
        s->lineWidth = reader->readLineWidth();
    const QString fitTo = reader->attrib(QStringLiteral("fitTo"));
    if (fitTo == QLatin1String("section"))
        d->fitRole = FitToSection;
    else if (fitTo == QLatin1String("zone"))
        d->fitRole = FitToZone;
    else if (fitTo == QLatin1String("pfooter"))
        d->fitRole = FitToPageFooter;
    s->dynFillColor = reader->attrib(QStringLiteral("dynFillColor"));
    s->dynLineColor = reader->attrib(QStringLiteral("dynLineColor"));
    s->dynLineWidth = reader->attrib(QStringLiteral("dynLineWidth"));
}

bool TessarinShapeItem::read(TessarinXMLReader *reader)
{
    readShapeAttributes(reader);
    // Shapes have no content; whatever text is there is dropped.
    reader->elementText();
    return true;
}

void TessarinShapeItem::writeShapeAttributes(TessarinXMLWriter *writer)
{
    TessarinItem::write(writer);
    const TessarinShapeData *s = shapeData();
    writer->writePen(s->pen);
    if (!isLine())
        writer->writeBrush(s->brush);
    writer->writeLineWidth(s->lineWidth);
    QXmlStreamWriter &xml = writer->xml();
    if (d->autoHeight && d->fitRole >= NoFit && d->fitRole <= FitToPageFooter)
        xml.writeAttribute(QStringLiteral("fitTo"), QLatin1String(fitToNames[d->fitRole]));
    if (!s->dynFillColor.isEmpty())
        xml.writeAttribute(QStringLiteral("dynFillColor"), s->dynFillColor);
    if (!s->dynLineColor.isEmpty())
        xml.writeAttribute(QStringLiteral("dynLineColor"), s->dynLineColor);
    if (!s->dynLineWidth.isEmpty())
        xml.writeAttribute(QStringLiteral("dynLineWidth"), s->dynLineWidth);
}

bool TessarinShapeItem::write(TessarinXMLWriter *writer)
{
    writer->xml().writeStartElement(d->tagname);
    writeShapeAttributes(writer);
    writer->xml().writeEndElement();
    return true;
}

void TessarinShapeItem::updateValue(TessarinOutput *output, TessarinEvaluator *evaluator)
{
    TessarinItem::updateValue(output, evaluator);
    if (!evaluator)
        return;
    TessarinShapeData *s = shapeData();
    QString result;
    if (evaluateProperty(evaluator, s->dynLineColor, result))
        s->pen.setColor(QColor(result.trimmed()));
    if (evaluateProperty(evaluator, s->dynFillColor, result))
        s->brush.setColor(QColor(result.trimmed()));
    if (evaluateProperty(evaluator, s->dynLineWidth, result))
        s->lineWidth = result.trimmed().toDouble();
}

QPen TessarinShapeItem::outputPen(const TessarinScale &scale, bool cosmeticBelowOne) const
{
    QPen pen = shapeData()->pen;
    const int width = scale.mmToPixel(shapeData()->lineWidth);
    // Qt leaves negative widths undefined; treat them as hairlines too.
    pen.setWidth(width < 1 && (cosmeticBelowOne || width < 0) ? 0 : width);
    return pen;
}

QPen TessarinShapeItem::screenPen() const
{
    return outputPen(TessarinScale(), true);
}


QPainterPath TessarinShapeItem::opaqueArea() const
{
    if (shapeData()->brush.isOpaque())
        return isClipped() ? clipPath() : shape();
    return QGraphicsItem::opaqueArea();
}

bool TessarinShapeItem::isObscuredBy(const QGraphicsItem *item) const
{
    return QGraphicsItem::isObscuredBy(item);
}
