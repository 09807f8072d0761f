#include "tessarincrosstabitemcell.h"
#include "tessarinitem.h"

#include "tessarinfielddata.h"
#include "tessarinfielditem.h"
#include "tessarinoutput.h"
#include "tessarinscale.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlwriter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

#include <algorithm>

namespace {


QString boolText(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

TessarinCrossTabItemCell::TessarinCrossTabItemCell(CellType type)
    : m_cellType(type)
{
}

bool TessarinCrossTabItemCell::showsFixedText() const
{
    return m_cellType == HeaderCorner || m_cellType == SummaryTitle || m_cellType == TotalTitle;
}

QString TessarinCrossTabItemCell::displayText() const
{
    if (showsFixedText())
        return text;
    if (dataType == TessarinData::Numeric && text == QLatin1String("NB") && value.toDouble() < 0)
        return QStringLiteral("N.B.");
    TessarinFieldData format;
    format.setDataType(dataType);
    format.numFormat = formatting;
    format.localized = localized;
    format.fieldWidth = fieldWidth;
    format.format = formatLetter;
    format.precision = precision;
    format.fillChar = fillChar;
    format.numBlankIfZero = blankIfZero;
    format.alignment = alignment;
    format.dateFormat = formatString;
    format.arg = formatString;
    return TessarinFieldItem::formatValue(value, format);
}

void TessarinCrossTabItemCell::paint(TessarinOutput *output, const QRectF &rect, double padding)
{
    QPainter *painter = output ? output->painter() : nullptr;
    if (!painter || !painter->isActive() || !TessarinItem::drawsOn(output))
        return;
    painter->save();
    painter->setFont(font);
    int flags = int(alignment);
    if (wordbreak)
        flags |= Qt::TextWordWrap;

    if (backgroundMode == Opaque) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(backgroundBrush);
        painter->drawRect(rect);
    }

    QRectF textRect = rect;
    if (padding > 0)
        textRect.adjust(padding, 0, -padding, 0);

    if (dataType == TessarinData::Boolean && text == QLatin1String(".")) {
        if (value.toBool()) {
            const double radius = output->scale().mmToPixel(0.75);
            painter->setPen(Qt::NoPen);
            painter->setBrush(foreColor);
            painter->drawEllipse(rect.center(), radius, radius);
        }
    } else {
        painter->setPen(foreColor);
        const QString shown = displayText();
        if (rotation != 0) {
            const double h = rect.height();
            const double shift = h * qSin(rotation * 3.141592653 / 180.0) * 0.5;
            const QPointF pivot = rect.bottomRight() - QPointF(shift, shift);
            painter->translate(pivot);
            painter->rotate(rotation);
            painter->translate(-pivot);
        }
        if (!shown.isEmpty())
            painter->drawText(textRect, flags, shown);
        if (rotation != 0)
            painter->resetTransform();
    }
    painter->restore();

    painter->save();
    for (int pos = Top; pos <= Left; ++pos)
        paintBorder(painter, rect, BorderPos(pos), output);
    painter->restore();
}

void TessarinCrossTabItemCell::paintBorder(QPainter *painter, const QRectF &rect, BorderPos pos,
                                           const TessarinOutput *output) const
{
    const Border &border = borders[pos];
    if (!border.enabled)
        return;
    QPen pen = border.pen;
    pen.setWidthF(std::max(1.0, output->scale().mmToRealPixel(border.lineWidth)));
    painter->setPen(pen);
    switch (pos) {
    case Top:
        painter->drawLine(rect.topLeft(), rect.topRight());
        break;
    case Right:
        painter->drawLine(rect.topRight(), rect.bottomRight());
        break;
    case Bottom:
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        break;
    case Left:
        painter->drawLine(rect.topLeft(), rect.bottomLeft());
        break;
    }
}

QRectF TessarinCrossTabItemCell::sizeHint(const QRectF &rect, QPaintDevice *device) const
{
    const QFontMetricsF metrics(font, device);
    int flags = int(alignment);
    if (wordbreak)
        flags |= Qt::TextWordWrap;
    return metrics.boundingRect(rect, flags, value.toString());
}

void TessarinCrossTabItemCell::read(TessarinXMLReader *r)
{
    if (r->isAttrib(QStringLiteral("dt"))) {
        TessarinData type;
        type.setDataType(dataType);
        type.setDataType(r->attrib(QStringLiteral("dt")));
        dataType = type.dataType();
    }
    if (r->isAttrib(QStringLiteral("alignment")) || r->isAttrib(QStringLiteral("alignmentH"))
        || r->isAttrib(QStringLiteral("alignmentV")))
        alignment = r->readAlignment();
    r->readFont(font);
    r->readColor(QStringLiteral("foreColor"), foreColor);
    r->readBrush(backgroundBrush);
    formatString = r->attrib(QStringLiteral("formatString"));
    wordbreak = r->attribToBool(QStringLiteral("wordbreak"));
    formatting = r->attribToBool(QStringLiteral("formatting"));
    if (r->isAttrib(QStringLiteral("formatNum")))
        formatting = r->attribToBool(QStringLiteral("formatNum"));
    fieldWidth = r->attribToInt(QStringLiteral("fieldWidth"));
    const QString letter = r->attrib(QStringLiteral("format"));
    if (!letter.isEmpty())
        formatLetter = letter.at(0).toLatin1();
    if (r->isAttrib(QStringLiteral("precision")))
        precision = r->attribToInt(QStringLiteral("precision"));
    const QString fill = r->attrib(QStringLiteral("fillChar"));
    if (!fill.isEmpty())
        fillChar = fill.at(0);
    localized = r->attribToBool(QStringLiteral("localized"));
    blankIfZero = r->attribToBool(QStringLiteral("blankIfZero"));
    backgroundMode = r->attribToInt(QStringLiteral("bgMode")) == Opaque ? Opaque : Transparent;
    rotation = r->attribToInt(QStringLiteral("rotation"));

    QXmlStreamReader &xml = r->xml();
    while (r->readNextChild()) {
        if (xml.name() == QLatin1String("border")) {
            const int pos = r->attribToInt(QStringLiteral("pos"));
            if (pos >= Top && pos <= Left) {
                Border &border = borders[pos];
                border.enabled = r->attribToBool(QStringLiteral("enabled"));
                r->readPen(border.pen);
                if (r->isAttrib(QStringLiteral("lineWidth")))
                    border.lineWidth = r->readLineWidth();
            }
            r->readUnknownElement();
        } else if (xml.name() == QLatin1String("text")) {
            text = r->elementText();
        } else {
            r->readUnknownElement();
        }
    }
}

void TessarinCrossTabItemCell::write(TessarinXMLWriter *w) const
{
    QXmlStreamWriter &xml = w->xml();
    xml.writeStartElement(QStringLiteral("cell"));
    w->writeInt(QStringLiteral("ct"), m_cellType);
    TessarinData type;
    type.setDataType(dataType);
    xml.writeAttribute(QStringLiteral("dt"), type.typeName());
    w->writeAlignment(alignment);
    w->writeFont(font);
    xml.writeAttribute(QStringLiteral("foreColor"), foreColor.name());
    w->writeBrush(backgroundBrush);
    if (!formatString.isEmpty())
        xml.writeAttribute(QStringLiteral("formatString"), formatString);
    w->writeBool(QStringLiteral("wordbreak"), wordbreak);
    w->writeBool(QStringLiteral("formatting"), formatting);
    w->writeBool(QStringLiteral("formatNum"), formatting);
    w->writeInt(QStringLiteral("fieldWidth"), fieldWidth);
    xml.writeAttribute(QStringLiteral("format"), QString(QLatin1Char(formatLetter)));
    w->writeInt(QStringLiteral("precision"), precision);
    xml.writeAttribute(QStringLiteral("fillChar"), QString(fillChar));
    w->writeBool(QStringLiteral("localized"), localized);
    w->writeBool(QStringLiteral("blankIfZero"), blankIfZero);
    w->writeInt(QStringLiteral("bgMode"), backgroundMode);
    w->writeInt(QStringLiteral("rotation"), rotation);
    for (int pos = Top; pos <= Left; ++pos) {
        const Border &border = borders[pos];
        xml.writeStartElement(QStringLiteral("border"));
        w->writeInt(QStringLiteral("pos"), pos);
        xml.writeAttribute(QStringLiteral("enabled"), boolText(border.enabled));
        w->writePen(border.pen);
        w->writeLineWidth(border.lineWidth);
        xml.writeEndElement();
    }
    if (!text.isEmpty())
        xml.writeTextElement(QStringLiteral("text"), text);
    xml.writeEndElement();
}
