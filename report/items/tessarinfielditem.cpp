#include "tessarinfielditem.h"

#include "tessarinevaluator.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

namespace {

const bool fieldRegistered = TessarinXMLRegistry::registerItem(
    QStringLiteral("field"), [](TessarinDef *def) -> TessarinItem * { return new TessarinFieldItem(def); });

struct FieldSourceName
{
    const char *name;
    TessarinItem::SourceType type;
};
// Written forms first; "sql" is an older name of "ds".
const FieldSourceName fieldSourceNames[] = {{"ds", TessarinItem::DataSource},
                                            {"par", TessarinItem::Parameter},
                                            {"var", TessarinItem::Variable},
                                            {"sys", TessarinItem::SystemVariable},
                                            {"exp", TessarinItem::Expression},
                                            {"tpl", TessarinItem::Template},
                                            {"sql", TessarinItem::DataSource}};

// A QString::arg place marker ("%1" to "%99", optionally "%L1").
bool hasPlaceMarker(const QString &pattern)
{
    static const QRegularExpression marker(QStringLiteral("%L?[0-9]"));
    return pattern.contains(marker);
}

QString formatTime(const QVariant &value, const QString &dateFormat)
{
    const int bar = dateFormat.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return value.toTime().toString(dateFormat);
    // "format | unit": the value is an amount of seconds, milliseconds,
    // minutes or hours since midnight.
    const QString outputFormat = dateFormat.left(bar).trimmed();
    const QString unit = dateFormat.mid(bar + 1).trimmed();
    const qint64 amount = value.toLongLong();
    qint64 ms = 0;
    if (unit.contains(QLatin1Char('s')))
        ms = amount * 1000;
    else if (unit.contains(QLatin1Char('z')))
        ms = amount;
    else if (unit.contains(QLatin1Char('m')))
        ms = amount * 60 * 1000;
    else if (unit.contains(QLatin1Char('h')))
        ms = amount * 3600 * 1000;
    // QTime::addMSecs takes an int and wraps around a day anyway.
    ms %= qint64(24) * 3600 * 1000;
    return QTime(0, 0).addMSecs(int(ms)).toString(outputFormat);
}

} // namespace

TessarinFieldItem::TessarinFieldItem(TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinLabelItem(new TessarinFieldData, reportDef, parent)
{
    Q_UNUSED(fieldRegistered)
    d->objectType = FieldObject;
    d->tagname = QStringLiteral("field");
    d->sourceType = DataSource;
    d->setDataType(TessarinData::Text);
    fd()->backColor = QColor(210, 210, 255);
    fd()->saveTextStyle();
}

TessarinFieldItem::~TessarinFieldItem() = default;

QString TessarinFieldItem::text() const
{
    return d->text;
}

QString TessarinFieldItem::printableText() const
{
    return fd()->displayValue;
}

bool TessarinFieldItem::isEmpty()
{
    bool empty = false;
    switch (dataType()) {
    case TessarinData::Text:
    case TessarinData::Numeric:
    case TessarinData::Date:
    case TessarinData::DateTime:
    case TessarinData::Time:
        empty = fd()->displayValue.isEmpty();
        break;
    case TessarinData::Boolean:
        empty = false;
        break;
    default:
        empty = !value().isValid();
        break;
    }
    if (!empty && fd()->hideRepeated) {
        empty = fd()->displayValue == fd()->lastValue;
        fd()->lastValue = fd()->displayValue;
    }
    return empty;
}

void TessarinFieldItem::updateValue(TessarinOutput *output, TessarinEvaluator *evaluator)
{
    if (evaluator)
        evaluator->evaluateField(this);
    TessarinLabelItem::updateValue(output, evaluator);
}

void TessarinFieldItem::formatDisplayValue()
{
    TessarinFieldData *f = fd();
    f->displayValue = formatValue(f->value(), *f);
}

QString TessarinFieldItem::formatValue(const QVariant &value, const TessarinFieldData &f)
{
    QString text;
    switch (f.dataType()) {
    case TessarinData::Numeric:
        if (f.numBlankIfZero && value.toDouble() == 0.0)
            break;
        if (f.numFormat) {
            text = QString(f.localized ? QStringLiteral("%L1") : QStringLiteral("%1"))
                       .arg(value.toDouble(), f.fieldWidth, f.format, f.precision, f.fillChar);
        } else {
            text = value.toString();
        }
        break;
    case TessarinData::Text:
        text = value.toString();
        break;
    case TessarinData::Date:
        text = f.dateFormat.isEmpty() ? QLocale().toString(value.toDate(), QLocale::ShortFormat)
                                      : value.toDate().toString(f.dateFormat);
        break;
    case TessarinData::DateTime:
        text = f.dateFormat.isEmpty() ? QLocale().toString(value.toDateTime(), QLocale::ShortFormat)
                                      : value.toDateTime().toString(f.dateFormat);
        break;
    case TessarinData::Time:
        text = formatTime(value, f.dateFormat);
        break;
    case TessarinData::Boolean:
        text = value.toBool() ? tr("true") : tr("false");
        break;
    default: // images and custom values have no text
        break;
    }

    if (!f.arg.isEmpty() && f.arg.contains(QLatin1Char('%')) && hasPlaceMarker(f.arg))
        text = f.arg.arg(text);

    if (f.numCharacters >= 1) {
        const Qt::Alignment h = f.alignment & Qt::AlignHorizontal_Mask;
        if (h == Qt::AlignLeft)
            text = text.leftJustified(f.numCharacters, f.fillChar);
        else if (h == Qt::AlignRight)
            text = text.rightJustified(f.numCharacters, f.fillChar);
    }
    return text;
}

bool TessarinFieldItem::readProps(TessarinXMLReader *r)
{
    TessarinFieldData *f = fd();
    if (r->isAttrib(QStringLiteral("type")))
        setDataType(r->attrib(QStringLiteral("type")));
    const QString ftype = r->attrib(QStringLiteral("ftype"));
    SourceType source = DataSource;
    for (const FieldSourceName &n : fieldSourceNames) {
        if (ftype == QLatin1String(n.name)) {
            source = n.type;
            break;
        }
    }
    setSourceType(source);
    if (source == Template)
        setTemplateMode(true); // as "resource" = "tpl" does, so a saved field reads back the same
    f->numFormat = r->attribToBool(QStringLiteral("formatting"));
    if (r->isAttrib(QStringLiteral("numwidth")))
        f->fieldWidth = r->attribToInt(QStringLiteral("numwidth"));
    if (r->isAttrib(QStringLiteral("format")))
        f->format = r->attrib(QStringLiteral("format")).at(0).toLatin1();
    if (r->isAttrib(QStringLiteral("precision")))
        f->precision = r->attribToInt(QStringLiteral("precision"));
    f->localized = r->attribToBool(QStringLiteral("localized"));
    f->numBlankIfZero = r->attribToBool(QStringLiteral("blankifzero"));
    if (r->isAttrib(QStringLiteral("dateFormat")))
        f->dateFormat = r->attrib(QStringLiteral("dateFormat"));
    if (r->isAttrib(QStringLiteral("fillchar"))) {
        const QChar c = r->attrib(QStringLiteral("fillchar")).at(0);
        f->fillChar = QChar::fromLatin1(c.toLatin1());
    }
    if (r->isAttrib(QStringLiteral("arg")))
        f->arg = r->attrib(QStringLiteral("arg"));
    if (r->isAttrib(QStringLiteral("numChars")))
        f->numCharacters = r->attribToInt(QStringLiteral("numChars"));
    return true;
}

bool TessarinFieldItem::writeProps(TessarinXMLWriter *w)
{
    const TessarinFieldData *f = fd();
    QXmlStreamWriter &xml = w->xml();
    xml.writeAttribute(QStringLiteral("type"), typeName());
    for (const FieldSourceName &n : fieldSourceNames) {
        if (n.type == sourceType()) {
            xml.writeAttribute(QStringLiteral("ftype"), QLatin1String(n.name));
            break;
        }
    }
    const TessarinData::DataType type = dataType();
    if (type == TessarinData::Numeric && f->numFormat) {
        xml.writeAttribute(QStringLiteral("formatting"), QStringLiteral("true"));
        w->writeInt(QStringLiteral("numwidth"), f->fieldWidth);
        xml.writeAttribute(QStringLiteral("format"), QString(QLatin1Char(f->format)));
        w->writeInt(QStringLiteral("precision"), f->precision);
        xml.writeAttribute(QStringLiteral("localized"), f->localized ? QStringLiteral("true") : QStringLiteral("false"));
    }
    if (type == TessarinData::Numeric && f->numBlankIfZero)
        xml.writeAttribute(QStringLiteral("blankifzero"), QStringLiteral("true"));
    if (type == TessarinData::Date || type == TessarinData::DateTime || type == TessarinData::Time)
        xml.writeAttribute(QStringLiteral("dateFormat"), f->dateFormat);
    if (!f->fillChar.isNull() && !f->fillChar.isSpace())
        xml.writeAttribute(QStringLiteral("fillchar"), QString(f->fillChar));
    if (!f->arg.isEmpty())
        xml.writeAttribute(QStringLiteral("arg"), f->arg);
    if (f->numCharacters > 0)
        w->writeInt(QStringLiteral("numChars"), f->numCharacters);
    return true;
}

void TessarinFieldItem::setDefaultForEditor()
{
    resize(QSizeF(120, 18));
    setText(tr("Field"));
}

QList<TessarinItem::SourceType> TessarinFieldItem::availableSourceTypes() const
{
    return {DataSource, Parameter, Variable, SystemVariable, Expression, Template};
}
