#include "tessarinxmlwriter.h"

#include "tessarinitem.h"
#include "tessarinsection.h"

#include <QIODevice>

#include <algorithm>

TessarinXMLWriter::TessarinXMLWriter()
{
    m_xml.setAutoFormatting(true);
}

TessarinXMLWriter::TessarinXMLWriter(QIODevice *device)
    : m_xml(device)
{
    m_xml.setAutoFormatting(true);
}

TessarinXMLWriter::TessarinXMLWriter(QString *string)
    : m_xml(string)
{
    m_xml.setAutoFormatting(true);
}

TessarinXMLWriter::~TessarinXMLWriter() = default;

bool TessarinXMLWriter::write(QIODevice *device)
{
    if (device)
        m_xml.setDevice(device);
    m_xml.writeStartDocument();
    m_xml.writeStartElement(m_rootElementName);
    m_xml.writeAttribute(QStringLiteral("version"), QStringLiteral(TESSARIN_VERSION_STR));
    m_xml.writeAttribute(QStringLiteral("name"), reportName());
    m_xml.writeAttribute(QStringLiteral("type"), reportType());
    writeReport();
    m_xml.writeEndDocument();
    return !m_xml.hasError();
}

QString TessarinXMLWriter::reportName()
{
    return QStringLiteral("noname");
}

QString TessarinXMLWriter::reportType()
{
    return QStringLiteral("report");
}

void TessarinXMLWriter::writeReport()
{
    writeOptions();
    writeDataSources();
    writeVariables();
    writeScripts();
    writePageHeader();
    writePageFooter();
    writeReportHeader();
    writeReportFooter();
    writeDetails();
}

// Bottom item first: reading the document back stacks them the same way.
// Items of equal z value keep their order in the section.
void TessarinXMLWriter::writeItems(TessarinSection *section)
{
    QList<TessarinItem *> items = section->reportItems();
    std::stable_sort(items.begin(), items.end(),
                     [](const TessarinItem *a, const TessarinItem *b) { return a->zValue() < b->zValue(); });
    for (TessarinItem *item : qAsConst(items)) {
        item->updateForSave();
        item->write(this);
    }
}

// The base writer knows no definition: these are filled in by derived writers.
void TessarinXMLWriter::writeOptions() {}
void TessarinXMLWriter::writeDataSources() {}
void TessarinXMLWriter::writeVariables() {}
void TessarinXMLWriter::writeScripts() {}
void TessarinXMLWriter::writePageHeader() {}
void TessarinXMLWriter::writePageFooter() {}
void TessarinXMLWriter::writeReportHeader() {}
void TessarinXMLWriter::writeReportFooter() {}
void TessarinXMLWriter::writeDetails() {}
void TessarinXMLWriter::writeDataSource(TessarinDataSource *) {}
void TessarinXMLWriter::writeVariable(TessarinVariable *) {}

void TessarinXMLWriter::writeSection(TessarinSection *section)
{
    if (!section->id().isEmpty())
        m_xml.writeAttribute(QStringLiteral("id"), section->id());
    writeHeight(section->metricHeight());
    if (!section->printWhenExp().isEmpty())
        m_xml.writeAttribute(QStringLiteral("printWhen"), section->printWhenExp());
    if (section->isAutoHeight())
        m_xml.writeAttribute(QStringLiteral("autoHeight"), QStringLiteral("true"));
    if (section->hideIfBlank())
        m_xml.writeAttribute(QStringLiteral("hideIfBlank"), QStringLiteral("true"));
    if (section->checkRole() != TessarinSection::CheckSectionOnly)
        m_xml.writeAttribute(QStringLiteral("breakRole"),
                             section->checkRole() == TessarinSection::CheckSectionPlusDetail
                                 ? QStringLiteral("spd")
                                 : QStringLiteral("so"));
    if (section->orphanedTolaranceMM() > 0)
        writeReal(QStringLiteral("orphanedTolerance"), section->orphanedTolaranceMM());
    if (section->startsOnNewPage())
        m_xml.writeAttribute(QStringLiteral("startsOnNewPage"), QStringLiteral("true"));
    if (section->isAnchorToPageFooter())
        m_xml.writeAttribute(QStringLiteral("anchorToPageFooter"), QStringLiteral("true"));
    if (section->isNotAlone())
        m_xml.writeAttribute(QStringLiteral("notAlone"), QStringLiteral("true"));
    if (!section->htmlOptions().isEmpty())
        m_xml.writeAttribute(QStringLiteral("htmlOpt"), section->htmlOptions());
    const TessarinSection::AlternateRowMode mode = section->alternateRowBackgroundMode();
    if (mode == TessarinSection::AlternateRowOdd)
        m_xml.writeAttribute(QStringLiteral("altBackRowMode"), QStringLiteral("odd"));
    else if (mode == TessarinSection::AlternateRowEven)
        m_xml.writeAttribute(QStringLiteral("altBackRowMode"), QStringLiteral("even"));
    if (mode != TessarinSection::AlternateRowDisabled) {
        writeBool(QStringLiteral("useDefaultAltBackRowColor"), section->useDefaultAlternateRowColor());
        m_xml.writeAttribute(QStringLiteral("altBackRowColor"), section->alternateRowBackgroundColor().name());
    }
}

void TessarinXMLWriter::writeParameter(const QString &elementName, const QString &id, const QVariant &value)
{
    m_xml.writeStartElement(elementName);
    m_xml.writeAttribute(QStringLiteral("id"), id);
    m_xml.writeAttribute(QStringLiteral("type"), QString::fromLatin1(value.typeName()));
    m_xml.writeCharacters(value.toString());
    m_xml.writeEndElement();
}

void TessarinXMLWriter::writeScript(const QString &id, const QString &code)
{
    m_xml.writeStartElement(QStringLiteral("script"));
    m_xml.writeAttribute(QStringLiteral("id"), id);
    m_xml.writeCharacters(code);
    m_xml.writeEndElement();
}

void TessarinXMLWriter::writeParameters(const QHash<QString, QVariant> &parameters)
{
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
        writeParameter(QStringLiteral("par"), it.key(), it.value());
}

QString TessarinXMLWriter::qrealToString(double value)
{
    return QStringLiteral("%1").arg(value, 0, 'f', 3);
}

QString TessarinXMLWriter::realToString(double value)
{
    return QString::number(value, 'g', 6);
}

void TessarinXMLWriter::writePos(const QPointF &point)
{
    m_xml.writeAttribute(QStringLiteral("posX"), qrealToString(point.x()));
    m_xml.writeAttribute(QStringLiteral("posY"), qrealToString(point.y()));
}

void TessarinXMLWriter::writePosFrom(const QPointF &point)
{
    m_xml.writeAttribute(QStringLiteral("fromX"), qrealToString(point.x()));
    m_xml.writeAttribute(QStringLiteral("fromY"), qrealToString(point.y()));
}

void TessarinXMLWriter::writePosTo(const QPointF &point)
{
    m_xml.writeAttribute(QStringLiteral("toX"), qrealToString(point.x()));
    m_xml.writeAttribute(QStringLiteral("toY"), qrealToString(point.y()));
}

void TessarinXMLWriter::writeSize(const QSizeF &size)
{
    writeWidth(size.width());
    writeHeight(size.height());
}

void TessarinXMLWriter::writeWidth(double width)
{
    m_xml.writeAttribute(QStringLiteral("width"), qrealToString(width));
}

void TessarinXMLWriter::writeHeight(double height)
{
    m_xml.writeAttribute(QStringLiteral("height"), qrealToString(height));
}

void TessarinXMLWriter::writeLineWidth(double width)
{
    m_xml.writeAttribute(QStringLiteral("lineWidth"), qrealToString(width));
}

void TessarinXMLWriter::writeReal(const QString &name, double value)
{
    m_xml.writeAttribute(name, realToString(value));
}

void TessarinXMLWriter::writeInt(const QString &name, int value)
{
    m_xml.writeAttribute(name, QString::number(value));
}

void TessarinXMLWriter::writeBool(const QString &name, bool value)
{
    m_xml.writeAttribute(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TessarinXMLWriter::writeFont(const QFont &font)
{
    m_xml.writeAttribute(QStringLiteral("fontName"), font.family());
    m_xml.writeAttribute(QStringLiteral("fontSize"), QString::number(font.pointSize()));
    const int weight = font.weight();
    if (weight != QFont::Normal) {
        QString name = QStringLiteral("normal");
        if (weight == QFont::Light)
            name = QStringLiteral("light");
        else if (weight == QFont::DemiBold)
            name = QStringLiteral("demibold");
        else if (weight == QFont::Bold)
            name = QStringLiteral("bold");
        else if (weight > 86)
            name = QStringLiteral("black");
        m_xml.writeAttribute(QStringLiteral("fontWeight"), name);
    }
    if (font.italic())
        m_xml.writeAttribute(QStringLiteral("fontItalic"), QStringLiteral("true"));
    if (font.underline())
        m_xml.writeAttribute(QStringLiteral("fontUnderline"), QStringLiteral("true"));
    if (font.strikeOut())
        m_xml.writeAttribute(QStringLiteral("fontStrikeOut"), QStringLiteral("true"));
    if (!qFuzzyIsNull(font.letterSpacing()))
        writeReal(QStringLiteral("letterSpacing"), font.letterSpacing());
    if (font.capitalization() != QFont::MixedCase)
        writeInt(QStringLiteral("capital"), int(font.capitalization()));
}

void TessarinXMLWriter::writePen(const QPen &pen)
{
    static const char *const names[] = {"nopen", "solid", "dash", "dot", "dashdot", "dashdotdot"};
    const int style = int(pen.style());
    m_xml.writeAttribute(QStringLiteral("lineColor"), pen.color().name());
    m_xml.writeAttribute(QStringLiteral("lineStyle"),
                         QLatin1String(style >= 0 && style <= 5 ? names[style] : "solid"));
}

void TessarinXMLWriter::writeBrush(const QBrush &brush)
{
    static const char *const names[] = {"no",     "solid",  "dense1", "dense2", "dense3",
                                        "dense4", "dense5", "dense6", "dense7", "hor",
                                        "ver",    "cross",  "bdiag",  "fdiag",  "diagcross"};
    const int style = int(brush.style());
    m_xml.writeAttribute(QStringLiteral("fillStyle"),
                         QLatin1String(style >= 0 && style <= 14 ? names[style] : "solid"));
    m_xml.writeAttribute(QStringLiteral("fillColor"), brush.color().name());
}

void TessarinXMLWriter::writeAlignment(Qt::Alignment flags)
{
    if (flags != (Qt::AlignLeft | Qt::AlignTop))
        writeInt(QStringLiteral("alignment"), int(flags));
}
