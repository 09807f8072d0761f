#include "tessarinxmlreader.h"

#include "tessarinfielditem.h"
#include "tessarinpageoption.h"
#include "tessarinsection.h"
#include "tessarinxmlregistry.h"

#include <QCoreApplication>
#include <QIODevice>

TessarinXMLReader::TessarinXMLReader() = default;

TessarinXMLReader::~TessarinXMLReader() = default;

bool TessarinXMLReader::read(QIODevice *device, const QString &text)
{
    m_xml.clear();
    init();
    if (device)
        m_xml.setDevice(device);
    else if (!text.isNull())
        m_xml.addData(text);

    while (!m_xml.atEnd()) {
        m_xml.readNext();
        if (!m_xml.isStartElement())
            continue;
        // A plain string comparison: "2.0", "2.17.0" and "3" pass, "1.9" and "10.0" do not.
        if (m_xml.name() == m_rootElementName
            && m_xml.attributes().value(QLatin1String("version")).toString() >= QLatin1String("2.0")) {
            readReport();
        } else {
            m_xml.raiseError(QCoreApplication::translate("TessarinXMLReader", "Uncompatible %1 file version.")
                                 .arg(m_rootElementName));
        }
    }
    return !m_xml.hasError();
}

void TessarinXMLReader::readReport()
{
    if (m_pageOption) {
        if (m_xml.attributes().hasAttribute(QLatin1String("name")))
            m_pageOption->setReportName(attrib(QStringLiteral("name")));
        m_pageOption->setReportType(attrib(QStringLiteral("type")));
    }

    while (readNextChild()) {
        const QStringRef name = m_xml.name();
        if (name == QLatin1String("options"))
            readOptions();
        else if (name == QLatin1String("datasources"))
            readDataSources();
        else if (name == QLatin1String("parameters"))
            readParameters();
        else if (name == QLatin1String("variables"))
            readVariables();
        else if (name == QLatin1String("scripts"))
            readScripts();
        else if (name == QLatin1String("pageheader"))
            readPageHeader();
        else if (name == QLatin1String("pagefooter"))
            readPageFooter();
        else if (name == QLatin1String("reportheader"))
            readReportHeader();
        else if (name == QLatin1String("reportfooter"))
            readReportFooter();
        else if (name == QLatin1String("details"))
            readDetails();
        else if (name == QLatin1String("htmltext"))
            readHtmlText();
        else if (name == QLatin1String("page"))
            readPage();
        else
            readUnknownElement();
    }
}

void TessarinXMLReader::readOptions()
{
    if (m_pageOption)
        m_pageOption->read(this);
    else
        readUnknownElement();
}

// The hooks below have nothing to fill in the base reader. Each one still
// consumes its element, so that the caller's loop continues after it.
void TessarinXMLReader::readParameters() { readUnknownElement(); }
void TessarinXMLReader::readHtmlText() { readUnknownElement(); }
void TessarinXMLReader::readPage() { readUnknownElement(); }
void TessarinXMLReader::readDataSources() { readUnknownElement(); }
void TessarinXMLReader::readDataSource() { readUnknownElement(); }
void TessarinXMLReader::readVariables() { readUnknownElement(); }
void TessarinXMLReader::readVariable() { readUnknownElement(); }
void TessarinXMLReader::readScripts() { readUnknownElement(); }
void TessarinXMLReader::readScript() { readUnknownElement(); }
void TessarinXMLReader::readPageHeader() { readUnknownElement(); }
void TessarinXMLReader::readPageFooter() { readUnknownElement(); }
void TessarinXMLReader::readReportHeader() { readUnknownElement(); }
void TessarinXMLReader::readReportFooter() { readUnknownElement(); }
void TessarinXMLReader::readDetails() { readUnknownElement(); }

// Item elements are created through the registry, so an item class plugs in
// without a change here. Elements without a registered class (among them
// "chart", which never makes an item) are skipped with their content.
void TessarinXMLReader::readItems(TessarinSection *section)
{
    while (readNextChild()) {
        const QString name = m_xml.name().toString();
        TessarinItem *item = TessarinXMLRegistry::createItem(name, m_reportDef);
        if (!item) {
            readUnknownElement();
            continue;
        }
        if (name == QLatin1String("field")) {
            if (auto *field = dynamic_cast<TessarinFieldItem *>(item))
                readField(field);
        }
        beforeReadItem(item);
        const qint64 start = m_xml.characterOffset();
        item->read(this);
        // An item that did not move the reader has left its content to us.
        if (!m_xml.hasError() && m_xml.isStartElement() && m_xml.characterOffset() == start)
            readUnknownElement();
        afterReadItem(item);
        addItem(item, section);
        afterAddItem(item);
    }
}

void TessarinXMLReader::readField(TessarinFieldItem *) {}
void TessarinXMLReader::beforeReadItem(TessarinItem *) {}
void TessarinXMLReader::afterReadItem(TessarinItem *) {}
void TessarinXMLReader::afterAddItem(TessarinItem *) {}
void TessarinXMLReader::setDefaultFont(QFont &) {}
void TessarinXMLReader::setDefaultPen(QPen &) {}
void TessarinXMLReader::setDefaultBrush(QBrush &) {}

void TessarinXMLReader::addItem(TessarinItem *item, TessarinSection *section)
{
    section->addItemForEditor(item, true);
    section->addItemForEngine(item);
}

void TessarinXMLReader::readSection(TessarinSection *section)
{
    section->setTagname(m_xml.name().toString());
    section->setMetricHeight(attribToReal(QStringLiteral("height")));
    if (isAttrib(QStringLiteral("id")))
        section->setID(attrib(QStringLiteral("id")));
    if (isAttrib(QStringLiteral("autoHeight")))
        section->setAutoHeight(attribToBool(QStringLiteral("autoHeight")));
    if (isAttrib(QStringLiteral("hideIfBlank")))
        section->setHideIfBlank(attribToBool(QStringLiteral("hideIfBlank")));
    if (isAttrib(QStringLiteral("breakRole"))) {
        const QString role = attrib(QStringLiteral("breakRole"));
        if (role == QLatin1String("spd"))
            section->setCheckRole(TessarinSection::CheckSectionPlusDetail);
        else if (role == QLatin1String("so"))
            section->setCheckRole(TessarinSection::CheckSectionOnly);
    }
    if (isAttrib(QStringLiteral("orphanedTolerance"))) {
        const double tolerance = attribToReal(QStringLiteral("orphanedTolerance"));
        section->setOrphanedTolaranceMM(tolerance);
        if (tolerance > 0)
            section->setCheckRole(TessarinSection::CheckSectionPlusTolerance);
    }
    if (isAttrib(QStringLiteral("printWhen")))
        section->setPrintWhenExp(attrib(QStringLiteral("printWhen")));
    if (isAttrib(QStringLiteral("startsOnNewPage")))
        section->setStartsOnNewPage(attribToBool(QStringLiteral("startsOnNewPage")));
    if (isAttrib(QStringLiteral("anchorToPageFooter")))
        section->setAnchorToPageFooter(attribToBool(QStringLiteral("anchorToPageFooter")));
    if (isAttrib(QStringLiteral("notAlone")))
        section->setNotAlone(attribToBool(QStringLiteral("notAlone")));
    if (isAttrib(QStringLiteral("htmlOpt")))
        section->setHtmlOptions(attrib(QStringLiteral("htmlOpt")));
    if (isAttrib(QStringLiteral("altBackRowMode"))) {
        const QString mode = attrib(QStringLiteral("altBackRowMode"));
        if (mode == QLatin1String("disabled"))
            section->setAlternateRowBackgroundMode(TessarinSection::AlternateRowDisabled);
        else if (mode == QLatin1String("odd"))
            section->setAlternateRowBackgroundMode(TessarinSection::AlternateRowOdd);
        else if (mode == QLatin1String("even"))
            section->setAlternateRowBackgroundMode(TessarinSection::AlternateRowEven);
    }
    if (isAttrib(QStringLiteral("altBackRowColor"))) {
        QColor color = section->alternateRowBackgroundColor();
        readColor(QStringLiteral("altBackRowColor"), color);
        section->setAlternateRowBackgroundColor(color);
    }
    if (isAttrib(QStringLiteral("useDefaultAltBackRowColor")))
        section->setUseDefaultAlternateRowColor(attribToBool(QStringLiteral("useDefaultAltBackRowColor")));
}

bool TessarinXMLReader::readNextChild()
{
    while (!m_xml.atEnd()) {
        m_xml.readNext();
        if (m_xml.isEndElement())
            return false;
        if (m_xml.isStartElement())
            return true;
    }
    return false;
}

void TessarinXMLReader::readParameters(QHash<QString, QVariant> &parameters)
{
    while (readNextChild()) {
        if (m_xml.name() == QLatin1String("par") || m_xml.name() == QLatin1String("parameter"))
            readParameter(parameters);
        else
            readUnknownElement();
    }
}

void TessarinXMLReader::readParameter(QHash<QString, QVariant> &parameters)
{
    const QString type = attrib(QStringLiteral("type"));
    const QString id = attrib(QStringLiteral("id"));
    const QString text = elementText();

    QVariant value;
    if (type == QLatin1String("int"))
        value = text.toInt();
    else if (type == QLatin1String("bool"))
        value = text == QLatin1String("1") || text == QLatin1String("true");
    else if (type == QLatin1String("float"))
        value = text.toFloat();
    else if (type == QLatin1String("double") || type == QLatin1String("numeric"))
        value = text.toDouble();
    else if (type == QLatin1String("long"))
        value = QVariant::fromValue(text.toLong());
    else if (type == QLatin1String("longlong"))
        value = text.toLongLong();
    else
        value = text; // strings, and dates, which stay text
    parameters.insert(id, value);
}

void TessarinXMLReader::readUnknownElement()
{
    int depth = 1;
    while (depth > 0 && !m_xml.atEnd()) {
        m_xml.readNext();
        if (m_xml.isStartElement())
            ++depth;
        else if (m_xml.isEndElement())
            --depth;
    }
}

QString TessarinXMLReader::elementText()
{
    return m_xml.readElementText(QXmlStreamReader::SkipChildElements);
}

QString TessarinXMLReader::attrib(const QString &name) const
{
    return m_xml.attributes().value(name).toString();
}

bool TessarinXMLReader::isAttrib(const QString &name) const
{
    return !m_xml.attributes().value(name).isEmpty();
}

int TessarinXMLReader::attribToInt(const QString &name) const
{
    return m_xml.attributes().value(name).toInt();
}

double TessarinXMLReader::attribToReal(const QString &name) const
{
    return m_xml.attributes().value(name).toDouble();
}

bool TessarinXMLReader::attribToBool(const QString &name) const
{
    const QStringRef v = m_xml.attributes().value(name);
    return v == QLatin1String("true") || v == QLatin1String("1");
}

QPointF TessarinXMLReader::readPos() const
{
    return QPointF(attribToReal(QStringLiteral("posX")), attribToReal(QStringLiteral("posY")));
}

QPointF TessarinXMLReader::readPosFrom() const
{
    return QPointF(attribToReal(QStringLiteral("fromX")), attribToReal(QStringLiteral("fromY")));
}

QPointF TessarinXMLReader::readPosTo() const
{
    return QPointF(attribToReal(QStringLiteral("toX")), attribToReal(QStringLiteral("toY")));
}

QSizeF TessarinXMLReader::readSize() const
{
    return QSizeF(attribToReal(QStringLiteral("width")), attribToReal(QStringLiteral("height")));
}

double TessarinXMLReader::readLineWidth() const
{
    return attribToReal(QStringLiteral("lineWidth"));
}

void TessarinXMLReader::readFont(QFont &font)
{
    if (isAttrib(QStringLiteral("fontName")))
        font.setFamily(attrib(QStringLiteral("fontName")));
    else
        setDefaultFont(font);

    if (isAttrib(QStringLiteral("fontSize"))) {
        const int points = attribToInt(QStringLiteral("fontSize"));
        if (points > 0)
            font.setPointSize(points);
    }
    if (isAttrib(QStringLiteral("fontWeight"))) {
        const QString w = attrib(QStringLiteral("fontWeight"));
        int weight = QFont::Normal;
        if (w == QLatin1String("light"))
            weight = QFont::Light;
        else if (w == QLatin1String("demibold"))
            weight = QFont::DemiBold;
        else if (w == QLatin1String("bold"))
            weight = QFont::Bold;
        else if (w == QLatin1String("black"))
            weight = QFont::Black;
        font.setWeight(weight);
    }
    if (isAttrib(QStringLiteral("fontItalic")))
        font.setItalic(attribToBool(QStringLiteral("fontItalic")));
    if (isAttrib(QStringLiteral("fontUnderline")))
        font.setUnderline(attribToBool(QStringLiteral("fontUnderline")));
    if (isAttrib(QStringLiteral("fontStrikeOut")))
        font.setStrikeOut(attribToBool(QStringLiteral("fontStrikeOut")));
    if (isAttrib(QStringLiteral("letterSpacing")))
        font.setLetterSpacing(QFont::AbsoluteSpacing, attribToReal(QStringLiteral("letterSpacing")));
    if (isAttrib(QStringLiteral("capital"))) {
        const int cap = attribToInt(QStringLiteral("capital"));
        if (cap >= QFont::MixedCase && cap <= QFont::Capitalize)
            font.setCapitalization(QFont::Capitalization(cap));
    }
}

void TessarinXMLReader::readPen(QPen &pen) const
{
    if (isAttrib(QStringLiteral("lineColor")))
        pen.setColor(QColor(attrib(QStringLiteral("lineColor"))));
    if (isAttrib(QStringLiteral("lineStyle"))) {
        const QString s = attrib(QStringLiteral("lineStyle"));
        Qt::PenStyle style = Qt::SolidLine;
        if (s == QLatin1String("dash"))
            style = Qt::DashLine;
        else if (s == QLatin1String("dot"))
            style = Qt::DotLine;
        else if (s == QLatin1String("dashdot"))
            style = Qt::DashDotLine;
        else if (s == QLatin1String("dashdotdot"))
            style = Qt::DashDotDotLine;
        else if (s == QLatin1String("nopen") || s == QLatin1String("no") || s == QLatin1String("none"))
            style = Qt::NoPen;
        pen.setStyle(style);
    }
}

void TessarinXMLReader::readBrush(QBrush &brush) const
{
    if (isAttrib(QStringLiteral("fillColor")))
        brush.setColor(QColor(attrib(QStringLiteral("fillColor"))));
    if (isAttrib(QStringLiteral("fillStyle"))) {
        static const char *const names[] = {"no",     "solid",  "dense1", "dense2", "dense3",
                                            "dense4", "dense5", "dense6", "dense7", "hor",
                                            "ver",    "cross",  "bdiag",  "fdiag",  "diagcross"};
        const QString s = attrib(QStringLiteral("fillStyle"));
        Qt::BrushStyle style = Qt::NoBrush;
        for (int i = 0; i < int(sizeof(names) / sizeof(names[0])); ++i) {
            if (s == QLatin1String(names[i])) {
                style = Qt::BrushStyle(i);
                break;
            }
        }
        brush.setStyle(style);
    }
}

void TessarinXMLReader::readColor(const QString &name, QColor &color) const
{
    if (m_xml.attributes().hasAttribute(name))
        color.setNamedColor(attrib(name));
}

Qt::Alignment TessarinXMLReader::readAlignment() const
{
    Qt::Alignment flags = Qt::AlignLeft;
    if (isAttrib(QStringLiteral("alignment")))
        flags = Qt::Alignment(attribToInt(QStringLiteral("alignment")));
    if (isAttrib(QStringLiteral("alignmentH"))) {
        const QString h = attrib(QStringLiteral("alignmentH"));
        if (h == QLatin1String("left"))
            flags = Qt::AlignLeft;
        else if (h == QLatin1String("right"))
            flags = Qt::AlignRight;
        else if (h == QLatin1String("center"))
            flags = Qt::AlignHCenter;
    }
    if (isAttrib(QStringLiteral("alignmentV"))) {
        const QString v = attrib(QStringLiteral("alignmentV"));
        if (v == QLatin1String("top"))
            flags |= Qt::AlignTop;
        else if (v == QLatin1String("bottom"))
            flags |= Qt::AlignBottom;
        else if (v == QLatin1String("center"))
            flags |= Qt::AlignVCenter;
    }
    return flags;
}
