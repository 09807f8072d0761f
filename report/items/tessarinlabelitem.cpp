#include "tessarinlabelitem.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinoutput.h"
#include "tessarinscale.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

const QString defaultLanguage = QStringLiteral("00");

const bool labelRegistered = TessarinXMLRegistry::registerItem(
    QStringLiteral("label"), [](TessarinDef *def) -> TessarinItem * { return new TessarinLabelItem(def); });


// The device on which text is measured for an output.
QFontMetricsF metricsFor(const QFont &font, TessarinOutput *output)
{
    QPaintDevice *device = output->device();
    if (!device && output->painter())
        device = output->painter()->device();
    return device ? QFontMetricsF(font, device) : QFontMetricsF(font);
}

} // namespace

TessarinLabelItem::TessarinLabelItem(TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinLabelItem(new TessarinLabelData, reportDef, parent)
{
    d->objectType = LabelObject;
    d->tagname = QStringLiteral("label");
    d->sourceType = Static;
}

TessarinLabelItem::TessarinLabelItem(TessarinLabelData *data, TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinItem(data, reportDef, parent)
{
    Q_UNUSED(labelRegistered)
}

TessarinLabelItem::~TessarinLabelItem() = default;

QString TessarinLabelItem::currentLanguage() const
{
    return d->reportDef ? d->reportDef->option().currentLanguage() : defaultLanguage;
}

QString TessarinLabelItem::text() const
{
    QString t = ld()->translations.value(currentLanguage());
    if (t.isEmpty() && (!d->reportDef || d->reportDef->option().languageRole() == 0))
        t = ld()->translations.value(defaultLanguage);
    return t;
}

void TessarinLabelItem::setText(const QString &text, const QString &language)
{
    d->text = text;
    ld()->translations.insert(language.isEmpty() ? currentLanguage() : language, text);
}

QString TessarinLabelItem::printableText() const
{
    return text();
}

bool TessarinLabelItem::isEmpty()
{
    return text().isEmpty();
}

void TessarinLabelItem::setConditionalFormatCode(const QString &code)
{
    ld()->conditionalFormatCode = code;
    ld()->hasConditionalFormat = !code.isEmpty();
}

void TessarinLabelItem::updateValue(TessarinOutput *output, TessarinEvaluator *evaluator)
{
    if (ld()->hasConditionalFormat && !ld()->conditionalFormatCode.isEmpty())
        applyConditionalFormat(evaluator);
    TessarinItem::updateValue(output, evaluator);
}

bool TessarinLabelItem::applyConditionalFormat(TessarinEvaluator *evaluator)
{
    TessarinLabelData *ld = this->ld();
    QFont font = ld->font;
    QColor fore;
    QColor back;
    bool fontChanged = false;
    bool foreSet = false;
    bool backSet = false;
    bool failed = false;
    m_cfError.clear();

    const QStringList lines = ld->conditionalFormatCode.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("$V{")))
            continue;
        const int colon = line.indexOf(QLatin1Char(':'));
        const QString tag = colon < 0 ? QString() : line.left(colon).trimmed().toLower();
        if (tag.isEmpty()) {
            m_cfError = tr("Invalid tag or missing colon at line %1").arg(lineNo);
            failed = true;
            continue;
        }
        const QString raw = line.mid(colon + 1).trimmed();
        const bool isScript = raw.startsWith(QLatin1Char('{'));
        QString text = raw;
        if (evaluator)
            evaluator->substituteTokens(text, isScript);
        if (text.isEmpty())
            continue;
        QVariant value = text;
        if (isScript) {
            QVariant result;
            if (!evaluator || !evaluator->evaluateScript(text, result)) {
                m_cfError = tr("Error in script expression at line %1: %2").arg(lineNo).arg(result.toString());
                failed = true;
                continue;
            }
            value = result;
        }

        if (tag == QLatin1String("color") || tag == QLatin1String("background-color")) {
            const QColor color(value.toString());
            if (color.isValid()) {
                if (tag == QLatin1String("color")) {
                    fore = color;
                    foreSet = true;
                } else {
                    back = color;
                    backSet = true;
                }
            }
        } else if (tag == QLatin1String("font-family")) {
            font.setFamily(value.toString());
            fontChanged = true;
        } else if (tag == QLatin1String("font-bold")) {
            font.setWeight(value.toBool() ? QFont::Bold : QFont::Normal);
            fontChanged = true;
        } else if (tag == QLatin1String("font-italic")) {
            font.setItalic(value.toBool());
            fontChanged = true;
        } else if (tag == QLatin1String("font-underline")) {
            font.setUnderline(value.toBool());
            fontChanged = true;
        } else if (tag == QLatin1String("font-size")) {
            const int size = value.toInt();
            if (size >= 1) {
                font.setPointSize(size);
                fontChanged = true;
            }
        } else if (tag == QLatin1String("font-weight")) {
            const int weight = value.toInt();
            if (weight >= 1) {
                font.setWeight(qMin(weight, 99)); // QFont takes 0..99
                fontChanged = true;
            }
        } else if (tag == QLatin1String("font-strikeout")) {
            font.setStrikeOut(value.toBool());
            fontChanged = true;
        } else if (tag == QLatin1String("letter-spacing")) {
            font.setLetterSpacing(QFont::PercentageSpacing, value.toDouble());
            fontChanged = true;
        } else if (tag == QLatin1String("capitalization")) {
            font.setCapitalization(QFont::Capitalization(qBound(0, value.toInt(), int(QFont::Capitalize))));
            fontChanged = true;
        } else {
            m_cfError = tr("Invalid tag: %1").arg(tag);
            failed = true;
        }
    }

    if (failed) {
        ld->restoreTextStyle();
        return false;
    }
    if (fontChanged)
        ld->font = font;
    if (foreSet)
        ld->foreColor = fore;
    if (backSet)
        ld->backColor = back;
    return true;
}

void TessarinLabelItem::printWhenTrueAction(TessarinEvaluator *evaluator)
{
    if (evaluator && !ld()->conditionalFormatCode.isEmpty())
        evaluator->evaluatePrintWhenTrueAction(ld()->conditionalFormatCode);
}

QRectF TessarinLabelItem::outputRect(TessarinOutput *output)
{
    const QFontMetricsF metrics = metricsFor(ld()->font, output);
    int flags = int(ld()->alignment);
    if (ld()->wordbreak)
        flags |= Qt::TextWordWrap;
    const TessarinScale &scale = output->scale();
    QRectF frame(scale.mmToPoint(d->metricPos), scale.mmToSize(d->metricSize));
    if (d->reportDef) {
        const TessarinPageOption &option = d->reportDef->option();
        if (d->pinToLeft)
            frame.setLeft(scale.mmToRealPixel(option.leftMarginMM()));
        if (d->pinToRight)
            frame.setWidth(scale.mmToRealPixel(option.pageWidthMM() - option.rightMarginMM() - option.leftMarginMM()
                                               - d->metricPos.x()));
    }
    QRectF rect = metrics.boundingRect(frame, flags, printableText());
    rect.setWidth(frame.width());
    rect.setHeight(rect.height() + scale.mmToPixel(0.7));
    return rect;
}

void TessarinLabelItem::adjustSize(TessarinOutput *output)
{
    if (!output || !(d->autoHeight || d->pinToLeft || d->pinToRight) || d->adjusted)
        return;
    d->realMetricSize = output->scale().sizeToMM(outputRect(output).size());
    d->adjusted = output->outputType() != TessarinOutput::NullOutput;
}

void TessarinLabelItem::adjustSize()
{
    const QFontMetricsF metrics(ld()->font);
    const QRectF needed = metrics.boundingRect(QRectF(QPointF(0, 0), d->currentSize),
                                               int(ld()->alignment) | (ld()->wordbreak ? Qt::TextWordWrap : 0),
                                               printableText());
    resize(QSizeF(qMax(d->currentSize.width(), needed.width()), qMax(d->currentSize.height(), needed.height())));
}

void TessarinLabelItem::rotateText(QPainter *painter, QPointF topLeft, const QSizeF &size)
{
    const int angle = ld()->rotation;
    const double w = size.width();
    const double h = size.height();
    const float s = std::sin(float(angle) * 3.14159f / 180.0f);
    topLeft.rx() += double(s) * h * 0.5;
    topLeft.ry() += double(s) * h * 0.5;
    painter->translate(topLeft);
    painter->rotate(angle);
    painter->translate(-topLeft);
    switch (angle) {
    case 180:
        painter->translate(-w, -h);
        break;
    case 270:
        painter->translate(-w, 0);
        break;
    case 315:
        painter->translate(-0.5 * w, 2 * h);
        break;
    default: // 90 and every other angle: no further shift
        break;
    }
}

void TessarinLabelItem::adjustFont(QFont &, TessarinOutput *)
{
}

void TessarinLabelItem::paint(TessarinOutput *output, const QPointF &origin)
{
    if (!output)
        return;
    const QRectF rect = itemRect(output, origin);
    if (drawsOn(output) && output->painter()) {
        QPainter *painter = output->painter();
        painter->save();
        QFont font = ld()->font;
        adjustFont(font, output);
        painter->setFont(font);
        if (ld()->rotation != 0)
            rotateText(painter, rect.topLeft(), outputRect(output).size());
        if (ld()->backgroundMode == Opaque)
            painter->fillRect(rect, ld()->backColor);
        painter->setPen(ld()->foreColor);
        int flags = int(ld()->alignment);
        if (ld()->wordbreak)
            flags |= Qt::TextWordWrap;
        painter->drawText(rect, flags, printableText());
        painter->restore();
    }
    d->paintRect = rect;
    output->renderItem(this, rect);
}

void TessarinLabelItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF rect(QPointF(0, 0), d->currentSize);
    painter->save();
    if (ld()->backgroundMode == Opaque || ld()->backgroundToDesign)
        painter->fillRect(rect, ld()->backColor);
    painter->setFont(ld()->font);
    painter->setPen(ld()->foreColor);
    painter->drawText(rect, int(ld()->alignment) | (ld()->wordbreak ? Qt::TextWordWrap : 0), printableText());
    painter->restore();
    paintSelection(painter);
}

bool TessarinLabelItem::read(TessarinXMLReader *r)
{
    TessarinItem::read(r);
    TessarinLabelData *ld = this->ld();
    r->readFont(ld->font);
    // Without any alignment attribute the designed default (left, top) stays.
    if (r->isAttrib(QStringLiteral("alignment")) || r->isAttrib(QStringLiteral("alignmentH"))
        || r->isAttrib(QStringLiteral("alignmentV")))
        ld->alignment = r->readAlignment();
    ld->rotation = r->attribToInt(QStringLiteral("rotation"));
    ld->wordbreak = r->attribToBool(QStringLiteral("wordbreak"));
    r->readColor(QStringLiteral("forecolor"), ld->foreColor);
    r->readColor(QStringLiteral("backcolor"), ld->backColor);
    if (r->isAttrib(QStringLiteral("bgMode")))
        ld->backgroundMode = r->attrib(QStringLiteral("bgMode")) == QLatin1String("tr") ? Transparent : Opaque;
    ld->backgroundToDesign = r->attribToBool(QStringLiteral("bgDesign"));
    ld->hideRepeated = r->attribToBool(QStringLiteral("hideRepeated"));
    ld->hasTranslation = r->attribToBool(QStringLiteral("tr"));
    ld->hasConditionalFormat = r->attribToBool(QStringLiteral("cf"));
    readProps(r);
    readContent(r, r->attribToBool(QStringLiteral("hasParameters")));
    saveTextStyle();
    return true;
}

// Reads the element's content through its end element: the text itself, or
// "tr" and "cf" sub-elements, and the item parameters.
void TessarinLabelItem::readContent(TessarinXMLReader *r, bool withParameters)
{
    TessarinLabelData *ld = this->ld();
    QXmlStreamReader &xml = r->xml();
    QString text;
    bool sawChild = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement())
            break;
        if (xml.isCharacters()) {
            if (!sawChild)
                text += xml.text();
            continue;
        }
        if (!xml.isStartElement())
            continue;
        sawChild = true;
        const QStringRef name = xml.name();
        if (name == QLatin1String("tr")) {
            const QString lang = r->attrib(QStringLiteral("lang"));
            ld->translations.insert(lang.isEmpty() ? defaultLanguage : lang, r->elementText());
        } else if (name == QLatin1String("cf")) {
            ld->conditionalFormatCode = r->elementText();
        } else if (withParameters && (name == QLatin1String("par") || name == QLatin1String("parameter"))) {
            r->readParameter(d->parameters);
        } else {
            r->readUnknownElement();
        }
    }
    if (!ld->hasTranslation && !ld->hasConditionalFormat) {
        // Indentation before a parameter list is not part of the text.
        if (sawChild && text.trimmed().isEmpty())
            text.clear();
        setText(text);
    } else {
        d->text = TessarinLabelItem::text(); // the translation, also for a field
    }
    ld->hasConditionalFormat = !ld->conditionalFormatCode.isEmpty();
}

bool TessarinLabelItem::readProps(TessarinXMLReader *)
{
    return true;
}

bool TessarinLabelItem::writeProps(TessarinXMLWriter *)
{
    return true;
}

bool TessarinLabelItem::write(TessarinXMLWriter *w)
{
    const TessarinLabelData *ld = this->ld();
    QXmlStreamWriter &xml = w->xml();
    xml.writeStartElement(d->tagname);
    TessarinItem::write(w);
    w->writeFont(ld->font);
    w->writeAlignment(ld->alignment);
    if (ld->rotation != 0)
        w->writeInt(QStringLiteral("rotation"), ld->rotation);
    if (ld->wordbreak)
        xml.writeAttribute(QStringLiteral("wordbreak"), QStringLiteral("true"));
    if (ld->foreColor != QColor(Qt::black))
        xml.writeAttribute(QStringLiteral("forecolor"), ld->foreColor.name());
    if (ld->backgroundMode == Opaque || ld->backgroundToDesign)
        xml.writeAttribute(QStringLiteral("backcolor"), ld->backColor.name());
    if (ld->backgroundMode == Opaque)
        xml.writeAttribute(QStringLiteral("bgMode"), QStringLiteral("fb"));
    if (ld->backgroundToDesign)
        xml.writeAttribute(QStringLiteral("bgDesign"), QStringLiteral("true"));
    if (ld->hideRepeated)
        xml.writeAttribute(QStringLiteral("hideRepeated"), QStringLiteral("true"));
    // A label without any text is written as plain empty content too.
    const bool plainText = ld->translations.isEmpty()
        || (ld->translations.size() == 1 && ld->translations.contains(defaultLanguage));
    const bool withCf = !ld->conditionalFormatCode.isEmpty();
    if (!plainText)
        xml.writeAttribute(QStringLiteral("tr"), QStringLiteral("true"));
    if (withCf)
        xml.writeAttribute(QStringLiteral("cf"), QStringLiteral("true"));
    writeProps(w);
    if (d->hasParameter())
        xml.writeAttribute(QStringLiteral("hasParameters"), QStringLiteral("true"));

    if (plainText && !withCf) {
        xml.writeCharacters(ld->translations.value(defaultLanguage));
    } else {
        // Sorted by language, so that a saved document does not change by
        // itself from one save to the next.
        QStringList languages = ld->translations.keys();
        languages.sort();
        for (const QString &lang : qAsConst(languages)) {
            const QString text = ld->translations.value(lang);
            if (text.isEmpty())
                continue;
            xml.writeStartElement(QStringLiteral("tr"));
            if (lang != defaultLanguage)
                xml.writeAttribute(QStringLiteral("lang"), lang);
            xml.writeCharacters(text);
            xml.writeEndElement();
        }
        if (withCf)
            xml.writeTextElement(QStringLiteral("cf"), ld->conditionalFormatCode);
    }
    if (d->hasParameter())
        w->writeParameters(d->parameters);
    xml.writeEndElement();
    return true;
}

void TessarinLabelItem::setDefaultForEditor()
{
    resize(QSizeF(120, 18));
    setText(tr("Text label"));
}

QList<TessarinItem::SourceType> TessarinLabelItem::availableSourceTypes() const
{
    return {Static};
}
