#include "tessarinhtmloutput.h"

#include "tessarinbarcodeitem.h"
#include "tessarinevaluator.h"
#include "tessarinimageitem.h"
#include "tessarinlabelitem.h"
#include "tessarinsection.h"
#include "tessarintextitem.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextDocument>
#include <QTextStream>

namespace {
const QString xhtmlDoctype = QStringLiteral(
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
    "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">");
const QString richTextDoctype = QStringLiteral(
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" \"http://www.w3.org/TR/REC-html40/strict.dtd\">");

bool isLabel(const TessarinItem *item)
{
    return item->objectType() == TessarinItem::LabelObject || item->objectType() == TessarinItem::FieldObject;
}

// Links of rich text may lead to web pages, mail and files; anything else
// (script URLs above all) is cut.
QString neutraliseLinks(const QString &html)
{
    static const QRegularExpression link(QStringLiteral("\\b(href|src)=\"([^\"]*)\""),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression scheme(QStringLiteral("^\\s*([a-zA-Z][a-zA-Z0-9+.-]*):"));
    QString out;
    int from = 0;
    auto it = link.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const QString attribute = match.captured(1).toLower();
        // Entities could spell a scheme out; judge the decoded text.
        QString target = match.captured(2);
        target.replace(QRegularExpression(QStringLiteral("&#0*58;|&#x0*3a;|&colon;"),
                                          QRegularExpression::CaseInsensitiveOption),
                       QStringLiteral(":"));
        target.remove(QRegularExpression(QStringLiteral("[\\x00-\\x20]")));
        const QRegularExpressionMatch schemeMatch = scheme.match(target);
        bool allowed = true;
        if (schemeMatch.hasMatch()) {
            const QString name = schemeMatch.captured(1).toLower();
            if (attribute == QLatin1String("href"))
                allowed = name == QLatin1String("http") || name == QLatin1String("https")
                    || name == QLatin1String("mailto") || name == QLatin1String("ftp")
                    || name == QLatin1String("file");
            else
                allowed = name == QLatin1String("http") || name == QLatin1String("https")
                    || name == QLatin1String("file") || name == QLatin1String("data");
        }
        out += html.midRef(from, match.capturedStart() - from);
        out += allowed ? match.captured(0) : attribute + QStringLiteral("=\"#\"");
        from = match.capturedEnd();
    }
    out += html.midRef(from);
    return out;
}

// The rich text template of a text item with every value reference
// evaluated on its own and escaped, so that the values read as text.
// Empty when the template computes markup itself (scripts, repeated
// blocks): the evaluator's whole result is used then.
QString evaluateEscaped(const QString &templateText, TessarinEvaluator *evaluator)
{
    if (templateText.contains(QLatin1String("<%")) || templateText.contains(QLatin1String("$SCAN{"))
        || templateText.contains(QLatin1String("$S{")))
        return QString();
    static const QRegularExpression token(QStringLiteral("\\$[DPVF]\\{[^}]*\\}"));
    QString out;
    int from = 0;
    auto it = token.globalMatch(templateText);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        QString value = match.captured(0);
        evaluator->evaluate(value);
        out += templateText.midRef(from, match.capturedStart() - from);
        out += value.toHtmlEscaped();
        from = match.capturedEnd();
    }
    out += templateText.midRef(from);
    return out;
}
}

TessarinHtmlOutput::TessarinHtmlOutput(QObject *parent)
    : TessarinMarkupLanguageOutput(parent)
{
    setOutput(HtmlOutput);
}

TessarinHtmlOutput::~TessarinHtmlOutput() = default;

QString TessarinHtmlOutput::cleanHtml(const QString &text)
{
    QString html = text;
    html.remove(richTextDoctype);
    html.remove(QStringLiteral("<html>"));
    html.remove(QStringLiteral("</html>"));
    html.remove(QStringLiteral("<head>"));
    html.remove(QStringLiteral("</head>"));
    html.replace(QStringLiteral("<body"), QStringLiteral("<div"));
    html.replace(QStringLiteral("</body>"), QStringLiteral("</div>"));
    return html;
}

QString TessarinHtmlOutput::colorName(const QColor &color)
{
    return color.name();
}

int TessarinHtmlOutput::paintWidth(const TessarinItem *item) const
{
    return qRound(item->paintRect().width());
}

QString TessarinHtmlOutput::tableClass() const
{
    return QStringLiteral("tsn section_") + sectionId();
}

// ---- document ----------------------------------------------------------------------

void TessarinHtmlOutput::writeHeader()
{
    QTextStream &out = *contentStream();
    const QString br = crlf();
    out << xhtmlDoctype << br << "<html>" << br << "<head>" << br;
    out << "<meta charset=\"" << escaped(encodingName()) << "\">" << br;
    out << "<title>" << escaped(option().reportName()) << "</title>" << br;
    // Extra head content is the report author's markup.
    if (!option().htmlHead().isEmpty())
        out << option().htmlHead() << br;
    if (styleSheetFile().isEmpty())
        out << "<style type=\"text/css\">" << br << styleSheetMarker() << br << "</style>" << br;
    else
        out << styleSheetMarker() << br;
    out << "</head>" << br << "<body>" << br;

    const TessarinPageOption &o = option();
    const QString width = QString::number(printableWidthPixels());
    QString bodyStyle = o.htmlBodyStyle();
    QString body;
    if (bodyStyle.contains(QLatin1String("{DEFAULT}"), Qt::CaseInsensitive)) {
        bodyStyle.remove(QStringLiteral("{DEFAULT}"), Qt::CaseInsensitive);
        const QFont font = o.defaultFont();
        body += QStringLiteral("width:") + width + QStringLiteral("px;");
        body += QStringLiteral("font-family:") + font.family() + QLatin1Char(';');
        body += QStringLiteral("font-size:") + QString::number(font.pointSize()) + QStringLiteral("pt;");
        body += QStringLiteral("margin-left:%1px;").arg(mmToPixel(o.leftMarginMM()));
        body += QStringLiteral("margin-right:%1px;").arg(mmToPixel(o.rightMarginMM()));
        body += QStringLiteral("margin-top:%1px;").arg(mmToPixel(o.topMarginMM()));
        body += QStringLiteral("margin-bottom:%1px;").arg(mmToPixel(o.bottomMarginMM()));
    }
    body += bodyStyle;
    setStyle(QStringLiteral("body"), body);
    setStyle(QStringLiteral("table.tsn"), QStringLiteral("width:") + width + QStringLiteral("px;border-spacing:3px;"));
}

void TessarinHtmlOutput::writeFooter()
{
    *contentStream() << "</body>" << crlf() << "</html>";
}

QString TessarinHtmlOutput::styleSheetReference(const QString &url)
{
    return QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" href=\"") + escaped(url)
        + QStringLiteral("\">");
}

// ---- sections and rows -----------------------------------------------------------------

void TessarinHtmlOutput::writeSectionStart(TessarinSection *section)
{
    QTextStream &out = *contentStream();
    const QString br = crlf();
    const QString id = sectionId();
    out << "<!-- SECTION: " << id << " -->" << br;
    out << "<div class=\"" << id << "\">" << br;
    if (strategy() == OneTablePerSection)
        out << "<table class=\"" << tableClass() << "\">" << br;
    if (section && !section->htmlOptions().isEmpty())
        setStyle(QLatin1Char('.') + id, section->htmlOptions());
}

void TessarinHtmlOutput::writeSectionEnd(TessarinSection *)
{
    QTextStream &out = *contentStream();
    if (strategy() == OneTablePerSection)
        out << "</table>" << crlf();
    out << "</div>" << crlf();
}

void TessarinHtmlOutput::writeRowStart(TessarinSection *)
{
    QTextStream &out = *contentStream();
    if (strategy() == OneTablePerRow)
        out << "<table class=\"" << tableClass() << "\">" << crlf();
    const QString parity = rowCounter() % 2 == 0 ? QStringLiteral("even") : QStringLiteral("odd");
    out << "<tr class=\"" << QStringLiteral("r_%1_%2").arg(sectionId(), parity) << "\">" << crlf();
}

void TessarinHtmlOutput::writeRowEnd(TessarinSection *)
{
    QTextStream &out = *contentStream();
    out << "</tr>" << crlf();
    if (strategy() == OneTablePerRow)
        out << "</table>" << crlf();
}

// ---- cells ---------------------------------------------------------------------------

QString TessarinHtmlOutput::fontDeclarations(const QFont &font) const
{
    const QFont base = option().defaultFont();
    QString css;
    if (font.family() != base.family())
        css += QStringLiteral("font-family:") + font.family() + QLatin1Char(';');
    if (font.pointSizeF() > 0 && !qFuzzyCompare(font.pointSizeF(), base.pointSizeF()))
        css += QStringLiteral("font-size:") + QString::number(font.pointSizeF()) + QStringLiteral("pt;");
    if (font.weight() > 57)
        css += QStringLiteral("font-weight:bold;");
    if (font.italic())
        css += QStringLiteral("font-style:italic;");
    // One declaration for both lines: a second would replace the first.
    if (font.underline() && font.strikeOut())
        css += QStringLiteral("text-decoration:underline line-through;");
    else if (font.underline())
        css += QStringLiteral("text-decoration:underline;");
    if (!qFuzzyIsNull(font.letterSpacing()))
        css += QStringLiteral("letter-spacing:") + QString::number(font.letterSpacing()) + QStringLiteral("px;");
    if (font.strikeOut() && !font.underline())
        css += QStringLiteral("text-decoration:line-through;");
    if (font.capitalization() == QFont::SmallCaps)
        css += QStringLiteral("font-variant:small-caps;");
    return css;
}

QString TessarinHtmlOutput::labelDeclarations(TessarinItem *item) const
{
    auto *label = static_cast<TessarinLabelItem *>(item);
    const Qt::Alignment align = label->alignment();
    QString css;
    if (align & Qt::AlignHCenter)
        css += QStringLiteral("text-align:center;");
    else if (align & Qt::AlignRight)
        css += QStringLiteral("text-align:right;");
    else if (align & Qt::AlignJustify)
        css += QStringLiteral("text-align:justify;");
    if (align & Qt::AlignVCenter)
        css += QStringLiteral("vertical-align:middle;");
    else if (align & Qt::AlignBottom)
        css += QStringLiteral("vertical-align:bottom;");
    else
        css += QStringLiteral("vertical-align:top;");
    if (label->foreColor() != QColor(Qt::black))
        css += QStringLiteral("color:") + colorName(label->foreColor()) + QLatin1Char(';');
    if (label->backgroundMode() == TessarinLabelItem::Opaque)
        css += QStringLiteral("background-color:") + colorName(label->backColor()) + QLatin1Char(';');
    css += fontDeclarations(label->font());
    return css;
}

void TessarinHtmlOutput::cellStarts(TessarinItem *item, QTextStream &)
{
    QString css;
    const QString own = item->htmlOptions().trimmed();
    if (!own.isEmpty()) {
        css += own;
        if (!own.endsWith(QLatin1Char(';')))
            css += QLatin1Char(';');
    }
    css += QStringLiteral("width:%1px;").arg(paintWidth(item));
    if (isLabel(item))
        css += labelDeclarations(item);
    const QString cls = styleClass(QStringLiteral("td."), itemClassId(item), css);
    *contentStream() << "<td class=\"" << cls << "\">";
}

void TessarinHtmlOutput::cellEnds(TessarinItem *, QTextStream &)
{
    *contentStream() << "</td>";
}

void TessarinHtmlOutput::writeSpace(TessarinSection *, int index, int width)
{
    const QString cls = styleClass(QStringLiteral("td."), QStringLiteral("%1_spc_row%2").arg(sectionId()).arg(index),
                                   QStringLiteral("width:%1px;").arg(width));
    *contentStream() << "<td class=\"" << cls << "\">&nbsp;</td>";
}

QString TessarinHtmlOutput::labelContent(TessarinItem *item)
{
    const QString text = static_cast<TessarinLabelItem *>(item)->printableText().trimmed();
    QString html = escaped(text);
    html.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    html.replace(QLatin1Char('\n'), QLatin1String("<br/>"));
    return html;
}

void TessarinHtmlOutput::writeLabel(TessarinItem *item, QTextStream &)
{
    *contentStream() << labelContent(item);
}

QString TessarinHtmlOutput::textItemHtml(TessarinItem *item) const
{
    auto *text = static_cast<TessarinTextItem *>(item);
    QString content;
    if (text->isTemplateMode() && !text->isPlain() && evaluator())
        content = evaluateEscaped(text->dynamicSourceText(), evaluator());
    if (content.isEmpty()) {
        // In section-wise mode the evaluated content is the item's value.
        const QString value = text->value().toString();
        content = value.isEmpty() ? text->htmlContent() : value;
    }
    QTextDocument document;
    document.setDefaultFont(text->useFont() ? text->font() : option().defaultFont());
    if (text->isPlain())
        document.setPlainText(content);
    else if (text->isMarkdown())
        document.setMarkdown(content);
    else
        document.setHtml(content);
    // Qt writes the document anew from its model: markup it does not know
    // (scripts, event handlers, style elements) does not survive.
    QString html = document.toHtml();
    const int bodyStart = html.indexOf(QLatin1String("<body"));
    const int bodyEnd = html.lastIndexOf(QLatin1String("</body>"));
    if (bodyStart >= 0 && bodyEnd > bodyStart)
        html = html.mid(bodyStart, bodyEnd + 7 - bodyStart);
    return cleanHtml(neutraliseLinks(html));
}

void TessarinHtmlOutput::writeText(TessarinItem *item, QTextStream &)
{
    auto *text = static_cast<TessarinTextItem *>(item);
    QString css = QStringLiteral("width:%1px;").arg(paintWidth(item));
    if (text->useFont()) {
        if (text->foreColor() != QColor(Qt::black))
            css += QStringLiteral("color:") + colorName(text->foreColor()) + QLatin1Char(';');
        css += fontDeclarations(text->font());
    }
    const QString cls = styleClass(QStringLiteral("div."), QStringLiteral("text") + itemClassId(item), css);
    *contentStream() << "<div class=\"" << cls << "\">" << textItemHtml(item) << "</div>";
}

QImage TessarinHtmlOutput::itemPicture(TessarinItem *item)
{
    const QSize size = item->paintRect().size().toSize();
    if (item->objectType() == TessarinItem::BarcodeObject) {
        if (size.isEmpty())
            return QImage();
        return static_cast<TessarinBarcodeItem *>(item)->toImage(size);
    }
    auto *image = static_cast<TessarinImageItem *>(item);
    if (!image->pixmap().isNull())
        return image->pixmap().toImage();
    if (!image->svgData().isEmpty() && !size.isEmpty()) {
        QSvgRenderer renderer(image->svgData());
        if (!renderer.isValid())
            return QImage();
        QImage picture(size, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        renderer.render(&painter);
        return picture;
    }
    return QImage();
}

void TessarinHtmlOutput::writeImage(TessarinItem *item, QTextStream &)
{
    *contentStream() << imageToHtml(itemPicture(item), item->paintRect().size().toSize(), m_imageMode);
}

void TessarinHtmlOutput::writeBarcode(TessarinItem *item, QTextStream &)
{
    *contentStream() << imageToHtml(itemPicture(item), item->paintRect().size().toSize(), m_imageMode);
}

QString TessarinHtmlOutput::imageToHtml(const QImage &image, const QSize &size, int mode)
{
    if (image.isNull())
        return QString();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    buffer.close();

    QString source;
    if (mode == EmbeddedImages) {
        source = QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
    } else {
        const QString relative = QFileInfo(fileName()).fileName() + QStringLiteral("_files/image")
            + QStringLiteral("%1").arg(nextFileNumber(), 4, 10, QLatin1Char('0')) + QStringLiteral(".png");
        const QString path = outputDirectory() + QLatin1Char('/') + relative;
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            setFileError(path, tr("The directory cannot be created"));
        else
            writeFile(path, png);
        // Relative to the document, so that it can move with its folder.
        source = relative;
    }
    QString html = QStringLiteral("<img ");
    if (size.isValid() && !size.isEmpty())
        html += QStringLiteral("width=\"%1\" height=\"%2\" ").arg(size.width()).arg(size.height());
    html += QStringLiteral("src=\"") + escaped(source) + QStringLiteral("\"/>");
    return html;
}
