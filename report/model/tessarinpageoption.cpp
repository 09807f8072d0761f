#include "tessarinpageoption.h"

#include "tessarinxmlreader.h"
#include "tessarinxmlwriter.h"

#include <QCoreApplication>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <iterator>

namespace {

struct PaperEntry
{
    const char *name;
    QPagedPaintDevice::PageSize id;
    double width;
    double height;
};

// Portrait sizes in millimetres; LEDGER is deliberately wider than high.
const PaperEntry paperTable[] = {
    {"A0", QPagedPaintDevice::A0, 841, 1189},
    {"A1", QPagedPaintDevice::A1, 594, 841},
    {"A2", QPagedPaintDevice::A2, 420, 594},
    {"A3", QPagedPaintDevice::A3, 297, 420},
    {"A4", QPagedPaintDevice::A4, 210, 297},
    {"A5", QPagedPaintDevice::A5, 148, 210},
    {"A6", QPagedPaintDevice::A6, 105, 148},
    {"A7", QPagedPaintDevice::A7, 74, 105},
    {"A8", QPagedPaintDevice::A8, 52, 74},
    {"A9", QPagedPaintDevice::A9, 37, 52},
    {"B0", QPagedPaintDevice::B0, 1030, 1456},
    {"B1", QPagedPaintDevice::B1, 728, 1030},
    {"B10", QPagedPaintDevice::B10, 32, 45},
    {"B2", QPagedPaintDevice::B2, 515, 728},
    {"B3", QPagedPaintDevice::B3, 364, 515},
    {"B4", QPagedPaintDevice::B4, 257, 364},
    {"B5", QPagedPaintDevice::B5, 182, 257},
    {"B6", QPagedPaintDevice::B6, 128, 182},
    {"B7", QPagedPaintDevice::B7, 91, 128},
    {"B8", QPagedPaintDevice::B8, 64, 91},
    {"B9", QPagedPaintDevice::B9, 45, 64},
    {"C5", QPagedPaintDevice::C5E, 163, 229},
    {"COMM10E", QPagedPaintDevice::Comm10E, 105, 241},
    {"DLE", QPagedPaintDevice::DLE, 110, 220},
    {"EXECUTIVE", QPagedPaintDevice::Executive, 191, 254},
    {"FOLIO", QPagedPaintDevice::Folio, 210, 330},
    {"LEDGER", QPagedPaintDevice::Ledger, 432, 279},
    {"LEGAL", QPagedPaintDevice::Legal, 216, 356},
    {"LETTER", QPagedPaintDevice::Letter, 216, 279},
    {"TABLOID", QPagedPaintDevice::Tabloid, 279, 432},
    {"CUSTOM", QPagedPaintDevice::Custom, -1, -1},
};

bool textIsTrue(const QString &text)
{
    return text.toLower() == QLatin1String("true");
}

QString boolText(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

QString realText(double v)
{
    return QString::number(v, 'g', 6);
}

QSizeF transposed(const QSizeF &s)
{
    return QSizeF(s.height(), s.width());
}

} // namespace

TessarinPageOption::TessarinPageOption()
    : m_reportName(QCoreApplication::translate("TessarinPageOption", "Untitled"))
    , m_defaultFont(QStringLiteral("Arial"), 10, QFont::Normal)
{
}

void TessarinPageOption::loadPageDataVector(QVector<PageData> &pageData)
{
    pageData.clear();
    pageData.reserve(int(std::size(paperTable)));
    for (const PaperEntry &e : paperTable)
        pageData.append(PageData{QString::fromLatin1(e.name), e.id, e.width, e.height});
}

QString TessarinPageOption::paperSizeToName(PageSize size)
{
    for (const PaperEntry &e : paperTable) {
        if (e.id == size)
            return QString::fromLatin1(e.name);
    }
    return QStringLiteral("CUSTOM");
}

void TessarinPageOption::setPaperSizeByName(const QString &name, Orientation orientation,
                                            PageSize &pageSizeId, QSizeF &sizeMM)
{
    const QString upper = name.toUpper();
    for (const PaperEntry &e : paperTable) {
        if (upper != QLatin1String(e.name))
            continue;
        if (e.width > 0)
            sizeMM.setWidth(e.width);
        if (e.height > 0)
            sizeMM.setHeight(e.height);
        pageSizeId = e.id;
        break;
    }
    if (orientation == QPrinter::Landscape)
        sizeMM = transposed(sizeMM);
}

// Recomputes the page size from the paper table. A free (Custom) size has no
// portrait form to start from, so it is only turned over when the orientation
// really changes; recomputing it again must not flip it back and forth.
void TessarinPageOption::applyPaper(Orientation previous)
{
    if (m_paperSize == QPagedPaintDevice::Custom) {
        if (previous != m_orientation)
            m_pageSize = transposed(m_pageSize);
        return;
    }
    setPaperSizeByName(paperSizeToName(m_paperSize), m_orientation, m_paperSize, m_pageSize);
}

void TessarinPageOption::setPaperSize(PageSize size)
{
    m_paperSize = size;
    applyPaper(m_orientation);
}

void TessarinPageOption::setPaperSize(PageSize size, Orientation orientation)
{
    const Orientation previous = m_orientation;
    m_paperSize = size;
    m_orientation = orientation;
    applyPaper(previous);
}

void TessarinPageOption::setPaperSize(const QString &name, const QSizeF &sizeMM)
{
    if (name != QLatin1String("CUSTOM")) {
        PageSize id = QPagedPaintDevice::Custom;
        QSizeF size;
        setPaperSizeByName(name, m_orientation, id, size);
        if (size.isValid()) {
            m_paperSize = id;
            m_pageSize = size;
            return;
        }
    }
    m_paperSize = QPagedPaintDevice::Custom;
    m_pageSize = sizeMM;
}

void TessarinPageOption::setOrientation(Orientation orientation)
{
    const Orientation previous = m_orientation;
    m_orientation = orientation;
    applyPaper(previous);
}

void TessarinPageOption::swapOrientation()
{
    setOrientation(m_orientation == QPrinter::Portrait ? QPrinter::Landscape : QPrinter::Portrait);
}

void TessarinPageOption::adjustPageSize()
{
    applyPaper(m_orientation);
}

QSizeF TessarinPageOption::purePageSize() const
{
    return QSizeF(m_pageSize.width() - m_leftMargin - m_rightMargin,
                  m_pageSize.height() - m_topMargin - m_bottomMargin);
}

void TessarinPageOption::setReportType(const QString &name)
{
    m_reportType = name.toLower() == QLatin1String("textdoc") ? 1 : 0;
}

QString TessarinPageOption::reportTypeName() const
{
    switch (m_reportType) {
    case 0:
        return QStringLiteral("report");
    case 1:
        return QStringLiteral("textdoc");
    default:
        return QString();
    }
}

QString TessarinPageOption::defaultFontStyle() const
{
    QString style;
    if (m_defaultFont.weight() > 57)
        style += QLatin1Char('B');
    if (m_defaultFont.italic())
        style += QLatin1Char('I');
    if (m_defaultFont.underline())
        style += QLatin1Char('U');
    if (m_defaultFont.strikeOut())
        style += QLatin1Char('S');
    return style;
}

void TessarinPageOption::setDefaultFontStyle(const QString &style)
{
    m_defaultFont.setWeight(style.contains(QLatin1Char('B')) ? QFont::Bold : QFont::Normal);
    m_defaultFont.setItalic(style.contains(QLatin1Char('I')));
    m_defaultFont.setUnderline(style.contains(QLatin1Char('U')));
    m_defaultFont.setStrikeOut(style.contains(QLatin1Char('S')));
}

void TessarinPageOption::setLanguages(const QString &languages)
{
    m_languages = languages.isEmpty() ? QStringLiteral("00") : languages;
    // The list is a run of two-character codes; match whole codes only, so
    // that "nh" is not taken for a language of "enhude".
    bool found = false;
    for (int i = 0; i + 1 < m_languages.size() && !found; i += 2)
        found = m_languages.midRef(i, 2) == m_currentLanguage;
    if (!found)
        m_currentLanguage = m_languages.left(2);
}

void TessarinPageOption::read(TessarinXMLReader *reader)
{
    QXmlStreamReader &xml = reader->xml();

    // Fields the writer leaves out when they hold their defaults must not
    // survive from whatever this object held before.
    m_doublePassMode = false;
    m_subReportOnNewPage = false;
    m_dataTrimming = true;
    m_updateOnlyCurrentDSVariables = false;
    m_customData.clear();
    m_htmlHead.clear();
    m_htmlBodyStyle = QStringLiteral("{DEFAULT}");

    while (reader->readNextChild()) {
        const QStringRef name = xml.name();
        if (name == QLatin1String("encoding")) {
            m_encoding = reader->elementText();
        } else if (name == QLatin1String("language")) {
            setLanguages(reader->elementText());
        } else if (name == QLatin1String("langrole")) {
            m_languageRole = reader->elementText() == QLatin1String("0") ? 0 : 1;
        } else if (name == QLatin1String("orientation")) {
            setOrientation(reader->elementText() == QLatin1String("portrait") ? QPrinter::Portrait
                                                                              : QPrinter::Landscape);
        } else if (name == QLatin1String("pagesize")) {
            const QSizeF size(reader->attribToReal(QStringLiteral("width")),
                              reader->attribToReal(QStringLiteral("height")));
            setPaperSize(reader->elementText(), size);
        } else if (name == QLatin1String("topmargin")) {
            m_topMargin = reader->elementText().toDouble();
        } else if (name == QLatin1String("bottommargin")) {
            m_bottomMargin = reader->elementText().toDouble();
        } else if (name == QLatin1String("leftmargin")) {
            m_leftMargin = reader->elementText().toDouble();
        } else if (name == QLatin1String("rightmargin")) {
            m_rightMargin = reader->elementText().toDouble();
        } else if (name == QLatin1String("backcolor")) {
            const QColor c(reader->elementText());
            if (c.isValid())
                m_backColor = c;
        } else if (name == QLatin1String("columns")) {
            m_columnCount = reader->elementText().toInt();
        } else if (name == QLatin1String("columnspace")) {
            m_columnSpacing = reader->elementText().toDouble();
        } else if (name == QLatin1String("fontname")) {
            setDefaultFontFamily(reader->elementText());
        } else if (name == QLatin1String("fontsize")) {
            const int points = reader->elementText().toInt();
            // QFont refuses sizes below 1 with a warning; keep the current one.
            if (points > 0)
                setDefaultFontSize(points);
        } else if (name == QLatin1String("fontstyle")) {
            setDefaultFontStyle(reader->elementText());
        } else if (name == QLatin1String("zoneSpacing")) {
            m_zoneSpacing = reader->elementText().toDouble();
        } else if (name == QLatin1String("doublePass")) {
            m_doublePassMode = textIsTrue(reader->elementText());
        } else if (name == QLatin1String("zoneBreak")) {
            m_zonesAreBreakable = textIsTrue(reader->elementText());
        } else if (name == QLatin1String("subReportOnNewPage")) {
            m_subReportOnNewPage = textIsTrue(reader->elementText());
        } else if (name == QLatin1String("htmlOpt") || name == QLatin1String("htmlBodyStyle")) {
            m_htmlBodyStyle = reader->elementText();
        } else if (name == QLatin1String("htmlHead")) {
            m_htmlHead = reader->elementText();
        } else if (name == QLatin1String("customdata")) {
            m_customData = reader->elementText();
        } else if (name == QLatin1String("dataTrimming")) {
            m_dataTrimming = textIsTrue(reader->elementText());
        } else if (name == QLatin1String("updateOnlyCurrentDataSourceVariables")) {
            m_updateOnlyCurrentDSVariables = textIsTrue(reader->elementText());
        } else if (name == QLatin1String("varErrorAlert")) {
            m_variableErrorAlert = textIsTrue(reader->elementText());
        } else {
            reader->readUnknownElement();
        }
    }
}

void TessarinPageOption::write(TessarinXMLWriter *writer) const
{
    QXmlStreamWriter &xml = writer->xml();
    xml.writeStartElement(QStringLiteral("options"));

    xml.writeTextElement(QStringLiteral("encoding"), m_encoding);
    xml.writeTextElement(QStringLiteral("language"), m_languages);
    xml.writeTextElement(QStringLiteral("langrole"), QString::number(m_languageRole));
    xml.writeTextElement(QStringLiteral("orientation"), m_orientation == QPrinter::Portrait
                                                            ? QStringLiteral("portrait")
                                                            : QStringLiteral("landscape"));

    xml.writeStartElement(QStringLiteral("pagesize"));
    xml.writeAttribute(QStringLiteral("width"), TessarinXMLWriter::qrealToString(m_pageSize.width()));
    xml.writeAttribute(QStringLiteral("height"), TessarinXMLWriter::qrealToString(m_pageSize.height()));
    xml.writeCharacters(paperSizeToName(m_paperSize));
    xml.writeEndElement();

    xml.writeTextElement(QStringLiteral("topmargin"), realText(m_topMargin));
    xml.writeTextElement(QStringLiteral("bottommargin"), realText(m_bottomMargin));
    xml.writeTextElement(QStringLiteral("leftmargin"), realText(m_leftMargin));
    xml.writeTextElement(QStringLiteral("rightmargin"), realText(m_rightMargin));

    xml.writeTextElement(QStringLiteral("backcolor"), m_backColor.name());
    xml.writeTextElement(QStringLiteral("columns"), QString::number(m_columnCount));
    xml.writeTextElement(QStringLiteral("columnspace"), realText(m_columnSpacing));
    xml.writeTextElement(QStringLiteral("zoneSpacing"), realText(m_zoneSpacing));

    xml.writeTextElement(QStringLiteral("zoneBreak"), boolText(m_zonesAreBreakable));
    xml.writeTextElement(QStringLiteral("varErrorAlert"), boolText(m_variableErrorAlert));

    xml.writeTextElement(QStringLiteral("fontname"), m_defaultFont.family());
    xml.writeTextElement(QStringLiteral("fontsize"), QString::number(m_defaultFont.pointSize()));
    xml.writeTextElement(QStringLiteral("fontstyle"), defaultFontStyle());

    if (!m_customData.isEmpty())
        xml.writeTextElement(QStringLiteral("customdata"), m_customData);
    // Written even when empty: a missing element reads back as "{DEFAULT}",
    // which would switch the generated body style on.
    xml.writeTextElement(QStringLiteral("htmlBodyStyle"), m_htmlBodyStyle);
    if (!m_htmlHead.isEmpty())
        xml.writeTextElement(QStringLiteral("htmlHead"), m_htmlHead);

    if (m_doublePassMode)
        xml.writeTextElement(QStringLiteral("doublePass"), QStringLiteral("true"));
    if (m_subReportOnNewPage)
        xml.writeTextElement(QStringLiteral("subReportOnNewPage"), QStringLiteral("true"));
    if (!m_dataTrimming)
        xml.writeTextElement(QStringLiteral("dataTrimming"), QStringLiteral("false"));
    if (m_updateOnlyCurrentDSVariables)
        xml.writeTextElement(QStringLiteral("updateOnlyCurrentDataSourceVariables"), QStringLiteral("true"));

    xml.writeEndElement();
}
