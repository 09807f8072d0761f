#include "tessarinexcelhtmloutput.h"

#include "tessarinfielditem.h"
#include "tessarinlabelitem.h"
#include "tessarinsection.h"

#include <QColor>
#include <QFont>
#include <QTextStream>

namespace {
bool isLabel(const TessarinItem *item)
{
    return item->objectType() == TessarinItem::LabelObject || item->objectType() == TessarinItem::FieldObject;
}

bool isNumericField(const TessarinItem *item)
{
    return item->objectType() == TessarinItem::FieldObject && item->dataType() == TessarinData::Numeric;
}

QString horizontalAlignment(Qt::Alignment align)
{
    if (align & Qt::AlignHCenter)
        return QStringLiteral("center");
    if (align & Qt::AlignRight)
        return QStringLiteral("right");
    if (align & Qt::AlignJustify)
        return QStringLiteral("justify");
    return QStringLiteral("left");
}
}

TessarinExcelHtmlOutput::TessarinExcelHtmlOutput(QObject *parent)
    : TessarinHtmlOutput(parent)
{
    setOutput(ExcelHtmlOutput);
}

TessarinExcelHtmlOutput::~TessarinExcelHtmlOutput() = default;

QString TessarinExcelHtmlOutput::numberFormat(int decimals)
{
    QString format = QStringLiteral("#,##0");
    if (decimals > 0)
        format += QLatin1Char('.') + QString(decimals, QLatin1Char('0'));
    return format;
}

void TessarinExcelHtmlOutput::writeHeader()
{
    QTextStream &out = *contentStream();
    const QString br = crlf();
    out << "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
           "xmlns:x=\"urn:schemas-microsoft-com:office:excel\" "
           "xmlns=\"http://www.w3.org/TR/REC-html40\">"
        << br;
    out << "<head>" << br;
    out << "<title>" << escaped(option().reportName()) << "</title>" << br;
    out << "<meta content='application/vnd.ms-excel;charset=" << escaped(encodingName())
        << "' http-equiv=Content-type />" << br;
    out << "<meta name=ProgId content=Excel.Sheet />" << br;
    out << "<meta name=Generator content=\"Microsoft Excel 11\">" << br;
    out << "<style>" << br << "<!--table" << br << "@page{}" << br << "-->" << br << "</style>" << br;
    out << "<!--[if gte mso 9]><xml>" << br;
    out << "  <x:ExcelWorkbook><x:ExcelWorksheets><x:ExcelWorksheet>" << br;
    out << "    <x:Name>Sheet1</x:Name>" << br;
    out << "    <x:WorksheetOptions><x:Panes>" << br;
    out << "    </x:Panes></x:WorksheetOptions>" << br;
    out << "    </x:ExcelWorksheet></x:ExcelWorksheets>" << br;
    out << "  </x:ExcelWorkbook>" << br;
    out << "</xml>" << br;
    out << "<![endif]-->" << br;
    out << "</head>" << br << "<body>" << br;
}

void TessarinExcelHtmlOutput::writeSectionStart(TessarinSection *)
{
    QTextStream &out = *contentStream();
    out << "<!-- SECTION: " << sectionId() << " -->" << crlf();
    if (strategy() == OneTablePerSection)
        out << "<table class=\"" << sectionId() << "\">" << crlf();
}

void TessarinExcelHtmlOutput::writeSectionEnd(TessarinSection *)
{
    if (strategy() == OneTablePerSection)
        *contentStream() << "</table>" << crlf();
}

void TessarinExcelHtmlOutput::writeRowStart(TessarinSection *)
{
    QTextStream &out = *contentStream();
    if (strategy() == OneTablePerRow)
        out << "<table class=\"" << sectionId() << "\">" << crlf();
    out << "<tr>" << crlf();
}

void TessarinExcelHtmlOutput::writeRowEnd(TessarinSection *)
{
    QTextStream &out = *contentStream();
    out << "</tr>" << crlf();
    if (strategy() == OneTablePerRow)
        out << "</table>" << crlf();
}

void TessarinExcelHtmlOutput::cellStarts(TessarinItem *item, QTextStream &)
{
    QTextStream &out = *contentStream();
    out << "<td";
    QString style;
    if (isLabel(item)) {
        auto *label = static_cast<TessarinLabelItem *>(item);
        if (!label->wordbreak())
            out << " nowrap=\"nowrap\"";
        out << " align=\"" << horizontalAlignment(label->alignment()) << "\"";
        if (label->foreColor() != QColor(Qt::black))
            style += QStringLiteral(";color:") + colorName(label->foreColor());
        if (label->backgroundMode() == TessarinLabelItem::Opaque && label->backColor() != QColor(Qt::white))
            style += QStringLiteral(";background-color:") + colorName(label->backColor());
        if (isNumericField(item))
            style += QStringLiteral(";vnd.ms-excel.numberformat:")
                + numberFormat(static_cast<TessarinFieldItem *>(item)->precision());
    }
    if (!style.isEmpty())
        out << " style=\"" << escaped(style.mid(1)) << "\"";
    // The item's own attributes are the report author's markup.
    if (!item->htmlOptions().isEmpty())
        out << ' ' << item->htmlOptions();
    out << '>';
}

void TessarinExcelHtmlOutput::cellEnds(TessarinItem *, QTextStream &)
{
    *contentStream() << "</td>" << crlf();
}

void TessarinExcelHtmlOutput::writeSpace(TessarinSection *, int, int width)
{
    *contentStream() << "<td width=\"" << width << "\">&nbsp;</td>" << crlf();
}

void TessarinExcelHtmlOutput::writeLabel(TessarinItem *item, QTextStream &)
{
    auto *label = static_cast<TessarinLabelItem *>(item);
    const QFont font = label->font();
    QStringList tags;
    if (font.weight() > 57)
        tags << QStringLiteral("b");
    if (font.italic())
        tags << QStringLiteral("i");
    if (font.underline())
        tags << QStringLiteral("u");
    if (font.strikeOut())
        tags << QStringLiteral("s");

    QString content;
    bool numeric = false;
    if (isNumericField(item)) {
        // The raw value, so that the sheet gets a number it can compute with.
        const double number = item->value().toDouble(&numeric);
        if (numeric)
            content = QString::number(number, 'g', 15);
    }
    if (!numeric)
        content = labelContent(item);

    QTextStream &out = *contentStream();
    for (const QString &tag : qAsConst(tags))
        out << '<' << tag << '>';
    out << content;
    for (int i = tags.size() - 1; i >= 0; --i)
        out << "</" << tags.at(i) << '>';
}

void TessarinExcelHtmlOutput::writeText(TessarinItem *item, QTextStream &)
{
    *contentStream() << "<div width=\"" << paintWidth(item) << "\">" << textItemHtml(item) << "</div>";
}
