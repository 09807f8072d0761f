// The text item: content sources, measuring, and printing in parts across
// pages, checked on the internal break state and in the produced PDF.

#include "itemtestutil.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinpdfoutput.h"
#include "tessarintextitem.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QAbstractTextDocumentLayout>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include <memory>

namespace {

const double TopMM = 15;
const double BottomMM = 15;
const double LeftMM = 20;
const double PageHeightMM = 297;

QFont bodyFont()
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSize(10);
    return f;
}

QString rowName(int i)
{
    return QStringLiteral("Row%1").arg(i, 3, 10, QLatin1Char('0'));
}

// n rows as plain text (one paragraph) or as one paragraph per row.
QString rows(int n, bool paragraphs)
{
    QStringList list;
    for (int i = 1; i <= n; ++i)
        list << rowName(i);
    if (!paragraphs)
        return list.join(QLatin1Char('\n'));
    return QStringLiteral("<p>") + list.join(QStringLiteral("</p><p>")) + QStringLiteral("</p>");
}

std::unique_ptr<TessarinTextItem> makeText(TessarinDef *def, const QString &content, bool plain,
                                           double widthMM = 120)
{
    auto item = std::make_unique<TessarinTextItem>(def);
    item->setFont(bodyFont());
    item->setPlain(plain);
    item->setMetricPos(QPointF(0, 0));
    item->setMetricSize(QSizeF(widthMM, 10));
    item->setAutoHeight(true);
    item->setAbleToBreak(true);
    item->setHtmlContent(content);
    return item;
}

double pxToMM(const TessarinOutput &out, double px)
{
    return out.scale().pixelToMM(px);
}

// Height in device pixels of line `line` of block `block`, and the margin
// the layout puts above the first line.
double lineHeightPx(TessarinTextItem *item, int block, int line)
{
    return item->document()->findBlockByNumber(block).layout()->lineAt(line).rect().height();
}

double marginPx(TessarinTextItem *item)
{
    const QTextBlock first = item->document()->begin();
    return item->document()->documentLayout()->blockBoundingRect(first).top()
        + first.layout()->lineAt(0).rect().top();
}

struct Word
{
    QString text;
    double yMin = 0;
    double yMax = 0;
};

// Words of every page with their vertical extent in points.
QList<QList<Word>> pdfWords(const QString &file)
{
    const QString html = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")});
    QList<QList<Word>> pages;
    static const QRegularExpression wordRe(
        QStringLiteral("<word xMin=\"[^\"]+\" yMin=\"([^\"]+)\" xMax=\"[^\"]+\" yMax=\"([^\"]+)\">([^<]*)</word>"));
    const QStringList pageChunks = html.split(QStringLiteral("<page "));
    for (int i = 1; i < pageChunks.size(); ++i) {
        QList<Word> words;
        auto it = wordRe.globalMatch(pageChunks.at(i));
        while (it.hasNext()) {
            const auto m = it.next();
            words.append({m.captured(3), m.captured(1).toDouble(), m.captured(2).toDouble()});
        }
        pages.append(words);
    }
    return pages;
}

void setUpA4(TessarinOutput *out)
{
    out->option().setPaperSize(QPagedPaintDevice::A4, QPrinter::Portrait);
    out->option().setTopMarginMM(TopMM);
    out->option().setBottomMarginMM(BottomMM);
    out->option().setLeftMarginMM(LeftMM);
}

} // namespace

class TestTextItem : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void plainTextBecomesOneParagraph();
    void breakToEdgeCases();
    void continuationInsideAndAfterBlocks();
    void freshPageKeepsTheRest();
    void measureOnlyPassMatchesPainting();
    void splitsAcrossPagesInPdf_data();
    void splitsAcrossPagesInPdf();
    void htmlContentInPdf();
    void useFontOnAndOff();
    void staticContentRoundTrip();
    void refreshedPerRecord();
    void readsFileContent();
    void readsUrlContent();

private:
    // Prints the item as the section layout does: a first part below other
    // content, then the rest page by page at the body's top (the caller
    // ends the output). Returns the
    // heights breakTo() answered, and checks that each answer is the height
    // of the part that was painted.
    QList<double> printSplit(TessarinPdfOutput *out, TessarinTextItem *item, double firstTopMM);

    TessarinDef m_def;
    QTemporaryDir m_dir;
};

void TestTextItem::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    m_def.option().setPaperSize(QPagedPaintDevice::A4, QPrinter::Portrait);
    m_def.option().setTopMarginMM(TopMM);
    m_def.option().setBottomMarginMM(BottomMM);
    m_def.option().setLeftMarginMM(LeftMM);
}

void TestTextItem::plainTextBecomesOneParagraph()
{
    QCOMPARE(TessarinTextItem::convertPlainTextToHtml(QStringLiteral("one\ntwo")), QStringLiteral("<p>one<br>two</p>"));
    auto item = makeText(&m_def, QStringLiteral("one\ntwo\nthree"), true);
    QCOMPARE(item->document()->blockCount(), 1);
    QCOMPARE(item->document()->begin().text(), QStringLiteral("one\u2028two\u2028three"));
    // The content keeps the source as given; only the document sees HTML.
    QCOMPARE(item->htmlContent(), QStringLiteral("one\ntwo\nthree"));
    QVERIFY(!item->isEmpty());
}

void TestTextItem::breakToEdgeCases()
{
    ImageTestOutput out;
    auto item = makeText(&m_def, rows(10, false), true);
    item->adjustSize(&out);
    const double line = pxToMM(out, lineHeightPx(item.get(), 0, 0));
    const double margin = pxToMM(out, marginPx(item.get()));
    QVERIFY(line > 3 && line < 6);
    QVERIFY(margin > 0);

    // Negative: nothing changes.
    QCOMPARE(item->breakTo(-1, &out), -1.0);
    QCOMPARE(item->startBlock(), -1);
    QVERIFY(!item->isBroken());

    // Smaller than the first line plus margin: nothing fits, and the
    // untouched item stays whole (a fresh page may take it).
    QCOMPARE(item->breakTo(line + margin - 0.05, &out), -1.0);
    QCOMPARE(item->breakResult(), TessarinTextItem::BreakNoRoom);
    QVERIFY(!item->isBroken());
    QCOMPARE(item->lastBlock(), -1);

    // Exactly one line.
    QCOMPARE(item->breakTo(line + margin + 0.01, &out), line + margin);
    QCOMPARE(item->lastLine(), 0);
    QCOMPARE(item->breakResult(), TessarinTextItem::BreakPartFits);

    // More than the rest: the rest's height plus one margin, not the offer.
    item->resetBreak();
    const double all = item->breakTo(500, &out);
    QVERIFY(qAbs(all - (10 * line + margin)) < 1e-6);
    QCOMPARE(item->breakResult(), TessarinTextItem::BreakRestFits);
    QCOMPARE(item->lastLine(), 9);

    // Negative again on a pending split: the pending part is kept.
    QCOMPARE(item->breakTo(-5, &out), -1.0);
    QCOMPARE(item->lastLine(), 9);
    QCOMPARE(item->startBlock(), 0);
}

void TestTextItem::continuationInsideAndAfterBlocks()
{
    ImageTestOutput out;
    out.begin();
    // Block 0 has three lines, block 1 two.
    auto item = makeText(&m_def, QStringLiteral("<p>a1<br>a2<br>a3</p><p>b1<br>b2</p>"), false);
    item->adjustSize(&out);
    const double line = pxToMM(out, lineHeightPx(item.get(), 0, 0));
    const double margin = pxToMM(out, marginPx(item.get()));

    // Two of three lines: the next part starts at line 2 of the same block.
    QVERIFY(item->breakTo(margin + 2 * line + 0.1, &out) > 0);
    QCOMPARE(item->lastBlock(), 0);
    QCOMPARE(item->lastLine(), 1);
    item->paint(&out, QPointF(0, 0));
    QCOMPARE(item->startBlock(), 0);
    QCOMPARE(item->startLine(), 2);
    QCOMPARE(item->lastBlock(), -1);

    // The last line of the block exactly: the next part starts with line 0
    // of the next block (the paragraph gap does not fit).
    QVERIFY(item->breakTo(margin + line + 0.1, &out) > 0);
    QCOMPARE(item->lastBlock(), 0);
    QCOMPARE(item->lastLine(), 2);
    item->paint(&out, QPointF(0, 0));
    QCOMPARE(item->startBlock(), 1);
    QCOMPARE(item->startLine(), 0);

    // The rest; afterwards the item is whole again.
    const double rest = item->breakTo(100, &out);
    QVERIFY(qAbs(rest - (margin + 2 * line)) < 1e-6);
    item->paint(&out, QPointF(0, 0));
    QVERIFY(!item->isBroken());
    QCOMPARE(item->startLine(), -1);
    QVERIFY(qAbs(pxToMM(out, item->boundingRectOfLastPart().height()) - rest) < 1e-6);
    out.end();
}

void TestTextItem::freshPageKeepsTheRest()
{
    ImageTestOutput out;
    out.begin();
    auto item = makeText(&m_def, rows(8, false), true);
    item->adjustSize(&out);
    const double line = pxToMM(out, lineHeightPx(item.get(), 0, 0));
    const double margin = pxToMM(out, marginPx(item.get()));

    QVERIFY(item->breakTo(margin + 3 * line + 0.1, &out) > 0);
    item->paint(&out, QPointF(0, 0));
    QCOMPARE(item->startLine(), 3);

    // A continuation page that cannot take one line: the item says it
    // cannot be placed and keeps its remaining five lines.
    QCOMPARE(item->breakTo(line / 2, &out), -1.0);
    QCOMPARE(item->breakResult(), TessarinTextItem::BreakCannotBePlaced);
    QVERIFY(item->cannotBePlaced());
    QVERIFY(item->isBroken());
    QCOMPARE(item->startLine(), 3);

    // Told that the page is not fresh, the same answer means "no room here".
    QCOMPARE(item->breakTo(line / 2, &out, false), -1.0);
    QCOMPARE(item->breakResult(), TessarinTextItem::BreakNoRoom);
    QCOMPARE(item->startLine(), 3);

    const double rest = item->breakTo(100, &out);
    QVERIFY(qAbs(rest - (margin + 5 * line)) < 1e-6);
    item->paint(&out, QPointF(0, 0));
    QVERIFY(!item->isBroken());

    // An item that has printed nothing yet, on a page declared fresh.
    auto other = makeText(&m_def, rows(3, false), true);
    QCOMPARE(other->breakTo(0.5, &out, true), -1.0);
    QVERIFY(other->cannotBePlaced());
    QVERIFY(!other->isBroken());
    out.end();
}

void TestTextItem::measureOnlyPassMatchesPainting()
{
    // The measuring item steps over its parts on an output of its own,
    // which must stay blank: a skipped page shows nothing.
    ImageTestOutput out;
    ImageTestOutput skipped;
    out.begin();
    skipped.begin();
    const QString html = rows(40, true);
    auto painted = makeText(&m_def, html, false);
    auto measured = makeText(&m_def, html, false);

    const QList<double> heights{30, 17.5, 42, 25, 60, 33, 90, 200};
    int parts = 0;
    for (double h : heights) {
        const double a = painted->breakTo(h, &out);
        QCOMPARE(measured->breakTo(h, &skipped), a);
        QVERIFY(a > 0);
        painted->paint(&out, QPointF(5, 5));
        measured->dummyPaint(&skipped, QPointF(5, 5));
        ++parts;
        QCOMPARE(measured->startBlock(), painted->startBlock());
        QCOMPARE(measured->startLine(), painted->startLine());
        QCOMPARE(measured->boundingRectOfLastPart().height(), painted->boundingRectOfLastPart().height());
        if (!painted->isBroken())
            break;
    }
    QVERIFY(!painted->isBroken());
    QVERIFY(!measured->isBroken());
    QVERIFY(parts >= 4);
    out.end();
    skipped.end();
    QImage blank(skipped.image.size(), skipped.image.format());
    blank.fill(Qt::white);
    QVERIFY(skipped.image == blank);
    QVERIFY(out.image != blank);
}

QList<double> TestTextItem::printSplit(TessarinPdfOutput *out, TessarinTextItem *item, double firstTopMM)
{
    QList<double> answers;
    const double bodyBottom = PageHeightMM - BottomMM;
    out->begin();
    item->updateValue(out, nullptr);
    item->adjustSize(out);
    double h = item->breakTo(bodyBottom - firstTopMM, out);
    answers << h;
    item->paint(out, QPointF(LeftMM, firstTopMM));
    out->setFlagPrintStarted(true);
    while (item->isBroken() && answers.size() < 50) {
        [&] { QVERIFY(qAbs(out->scale().pixelToMM(item->boundingRectOfLastPart().height()) - h) < 0.01); }();
        out->newPage();
        h = item->breakTo(bodyBottom - TopMM, out);
        answers << h;
        if (h < 0)
            break;
        item->paint(out, QPointF(LeftMM, TopMM));
    }
    return answers;
}

void TestTextItem::splitsAcrossPagesInPdf_data()
{
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<bool>("paragraphs");
    QTest::addColumn<int>("pages");
    QTest::newRow("plain, two pages") << 80 << false << 2;
    QTest::newRow("plain, five pages") << 300 << false << 5;
    QTest::newRow("paragraphs, two pages") << 40 << true << 2;
    QTest::newRow("paragraphs, five pages") << 150 << true << 5;
}

void TestTextItem::splitsAcrossPagesInPdf()
{
    QFETCH(int, rowCount);
    QFETCH(bool, paragraphs);
    QFETCH(int, pages);

    const QString file = m_dir.filePath(QStringLiteral("split%1%2.pdf").arg(rowCount).arg(paragraphs));
    TessarinPdfOutput out;
    setUpA4(&out);
    out.setFileName(file);
    QVERIFY(out.setup());
    auto item = makeText(&m_def, rows(rowCount, paragraphs), !paragraphs);
    const double firstTop = 60;
    const QList<double> answers = printSplit(&out, item.get(), firstTop);
    out.end();
    out.cleanup();
    QVERIFY(!item->isBroken());
    QCOMPARE(answers.size(), pages);
    for (double h : answers)
        QVERIFY(h > 0);
    QVERIFY(!out.hasError());

    // Every row once, in order, each page holding a run of them.
    const QStringList texts = pdfPages(file);
    QCOMPARE(texts.size(), pages);
    static const QRegularExpression rowRe(QStringLiteral("Row\\d{3}"));
    int expected = 1;
    for (const QString &page : texts) {
        auto it = rowRe.globalMatch(page);
        QVERIFY(it.hasNext());
        while (it.hasNext())
            QCOMPARE(it.next().captured(), rowName(expected++));
    }
    QCOMPARE(expected, rowCount + 1);

    // Heights: the rows keep one pitch on every page, each page's first row
    // sits as far below the part's top as on the first page, and nothing
    // crosses the body's bottom.
    const double ptPerMM = 72 / 25.4;
    const QList<QList<Word>> words = pdfWords(file);
    QCOMPARE(words.size(), pages);
    double pitch = -1;
    double firstOffset = 0;
    for (int p = 0; p < words.size(); ++p) {
        const QList<Word> &list = words.at(p);
        QVERIFY(!list.isEmpty());
        const double partTop = (p == 0 ? firstTop : TopMM) * ptPerMM;
        const double offset = list.first().yMin - partTop;
        if (p == 0)
            firstOffset = offset;
        else
            QVERIFY2(qAbs(offset - firstOffset) < 0.3,
                     qPrintable(QStringLiteral("page %1: %2 vs %3").arg(p + 1).arg(offset).arg(firstOffset)));
        QVERIFY(list.last().yMax <= (PageHeightMM - BottomMM) * ptPerMM);
        for (int i = 1; i < list.size(); ++i) {
            const double d = list.at(i).yMin - list.at(i - 1).yMin;
            if (pitch < 0)
                pitch = d;
            QVERIFY2(qAbs(d - pitch) < 0.3, qPrintable(QStringLiteral("page %1 row %2: %3 vs %4")
                                                           .arg(p + 1).arg(list.at(i).text).arg(d).arg(pitch)));
        }
    }
}

void TestTextItem::htmlContentInPdf()
{
    QString table = QStringLiteral("<table border=\"1\" cellpadding=\"2\">");
    for (int r = 1; r <= 45; ++r)
        table += QStringLiteral("<tr><td>Left%1</td><td>Right%1 more<br>second%1</td></tr>").arg(r, 2, 10, QLatin1Char('0'));
    table += QStringLiteral("</table>");
    const QString html = QStringLiteral("<p>Plain and <b>BoldWord</b> text.</p>"
                                        "<ul><li>BulletOne</li><li>BulletTwo</li></ul>"
                                        "<ol><li>NumberOne</li><li>NumberTwo</li></ol>")
        + table + QStringLiteral("<p>Closing</p>");

    const QString file = m_dir.filePath(QStringLiteral("html.pdf"));
    TessarinPdfOutput out;
    setUpA4(&out);
    out.setFileName(file);
    QVERIFY(out.setup());
    auto item = makeText(&m_def, html, false);
    auto plainItem = makeText(&m_def, QStringLiteral("first\nsecond"), true);
    // The table does not fit below 150 mm of other content.
    const QList<double> answers = printSplit(&out, item.get(), 150);
    QVERIFY(answers.size() >= 2);
    out.newPage();
    plainItem->adjustSize(&out);
    plainItem->paint(&out, QPointF(LeftMM, TopMM));
    out.end();
    out.cleanup();

    const QStringList pages = pdfPages(file);
    QCOMPARE(pages.size(), answers.size() + 1);
    const QString all = pages.join(QStringLiteral("\n"));
    QCOMPARE(all.count(QStringLiteral("BoldWord")), 1);
    QCOMPARE(all.count(QStringLiteral("BulletOne")), 1);
    QVERIFY(QRegularExpression(QStringLiteral("1\\.\\s+NumberOne")).match(all).hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("2\\.\\s+NumberTwo")).match(all).hasMatch());
    // Table cells stay side by side, every row printed once, also across the page break.
    for (int r = 1; r <= 45; ++r) {
        const QString n = QStringLiteral("%1").arg(r, 2, 10, QLatin1Char('0'));
        QVERIFY2(QRegularExpression(QStringLiteral("Left%1\\s+Right%1 more").arg(n)).match(all).hasMatch(),
                 qPrintable(n));
        QCOMPARE(all.count(QStringLiteral("Left") + n), 1);
        QCOMPARE(all.count(QStringLiteral("second") + n), 1);
    }
    QCOMPARE(all.count(QStringLiteral("Closing")), 1);
    // The line feed became a line break: two lines, not "first second".
    QVERIFY(QRegularExpression(QStringLiteral("first\\s*\\n\\s*second")).match(pages.last()).hasMatch());

    const QString fonts = runTool(QStringLiteral("pdffonts"), {file});
    QVERIFY2(fonts.contains(QStringLiteral("LiberationSans-Bold")), qPrintable(fonts));
}

void TestTextItem::useFontOnAndOff()
{
    const QString html = QStringLiteral("<p>Coloured words here</p>");
    auto paint = [&](bool useFont, const QString &file) {
        auto item = std::make_unique<TessarinTextItem>(&m_def);
        QFont f(QStringLiteral("Liberation Serif"));
        f.setPointSize(20);
        item->setFont(f);
        item->setForeColor(QColor(255, 0, 0));
        item->setUseFont(useFont);
        item->setMetricSize(QSizeF(90, 20));
        item->setHtmlContent(html);
        ImageTestOutput image;
        image.begin();
        item->adjustSize(&image);
        item->paint(&image, QPointF(5, 5));
        image.end();
        int red = 0;
        int dark = 0;
        for (int y = 0; y < image.image.height(); ++y) {
            for (int x = 0; x < image.image.width(); ++x) {
                const QColor c = image.image.pixelColor(x, y);
                red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
                dark += c.red() < 60 && c.green() < 60 && c.blue() < 60;
            }
        }
        TessarinPdfOutput pdf;
        setUpA4(&pdf);
        pdf.setFileName(file);
        pdf.setup();
        pdf.begin();
        item->setAdjusted(false);
        item->adjustSize(&pdf);
        item->paint(&pdf, QPointF(LeftMM, TopMM));
        pdf.end();
        pdf.cleanup();

        QString xml;
        {
            TessarinXMLWriter writer(&xml);
            item->write(&writer);
        }
        return std::make_tuple(red, dark, runTool(QStringLiteral("pdffonts"), {file}), xml);
    };

    const auto [redOn, darkOn, fontsOn, xmlOn] = paint(true, m_dir.filePath(QStringLiteral("fonton.pdf")));
    QVERIFY(redOn > 200);
    QVERIFY(darkOn < redOn / 10);
    QVERIFY2(fontsOn.contains(QStringLiteral("LiberationSerif")), qPrintable(fontsOn));
    QVERIFY(xmlOn.contains(QStringLiteral("useFont=\"true\"")));
    QVERIFY(xmlOn.contains(QStringLiteral("forecolor=\"#ff0000\"")));
    QVERIFY(xmlOn.contains(QStringLiteral("fontName=\"Liberation Serif\"")));

    // Off: the document's own styles (default font, black text) and no
    // font or colour in the element.
    const auto [redOff, darkOff, fontsOff, xmlOff] = paint(false, m_dir.filePath(QStringLiteral("fontoff.pdf")));
    QCOMPARE(redOff, 0);
    QVERIFY(darkOff > 100);
    QVERIFY2(!fontsOff.contains(QStringLiteral("LiberationSerif")), qPrintable(fontsOff));
    QVERIFY(xmlOff.contains(QStringLiteral("useFont=\"false\"")));
    QVERIFY(!xmlOff.contains(QStringLiteral("forecolor")));
    QVERIFY(!xmlOff.contains(QStringLiteral("fontName")));
}

void TestTextItem::staticContentRoundTrip()
{
    std::unique_ptr<TessarinItem> created(TessarinXMLRegistry::createItem(QStringLiteral("text"), &m_def));
    auto *item = dynamic_cast<TessarinTextItem *>(created.get());
    QVERIFY(item);
    QCOMPARE(item->objectType(), TessarinItem::TextObject);
    QCOMPARE(item->reportDef(), &m_def);

    SingleElementReader reader(QStringLiteral(
        "<text id=\"t1\" posX=\"10\" posY=\"5\" width=\"80\" height=\"12\" useFont=\"false\" plain=\"true\""
        " sizeFix=\"true\" markdown=\"true\" defPosAndSize=\"true\" canBreak=\"true\">line one\nline two</text>"));
    QVERIFY(item->read(&reader));
    QVERIFY(reader.xml().isEndElement());
    QCOMPARE(item->htmlContent(), QStringLiteral("line one\nline two"));
    QCOMPARE(item->document()->blockCount(), 1);
    QVERIFY(!item->useFont());
    QVERIFY(item->isPlain() && item->isSizeFix() && item->isMarkdown() && item->isDefPosAndSize());
    QVERIFY(item->isAbleToBreak());

    QString xml;
    {
        TessarinXMLWriter writer(&xml);
        item->write(&writer);
    }
    TessarinTextItem copy(&m_def);
    SingleElementReader again(xml);
    QVERIFY(copy.read(&again));
    QCOMPARE(copy.htmlContent(), item->htmlContent());
    QCOMPARE(copy.metricSize(), QSizeF(80, 12));
    QVERIFY(copy.isPlain() && copy.isSizeFix() && copy.isMarkdown() && copy.isDefPosAndSize());
    QVERIFY(!copy.useFont());

    // Template mode keeps its template although each record loads new text.
    TessarinTextItem tpl(&m_def);
    tpl.setTemplateMode(true);
    tpl.setHtmlContent(QStringLiteral("<p>$P{name}</p>"));
    tpl.applyDynamicText(QStringLiteral("<p>Filled</p>"));
    QCOMPARE(tpl.dynamicSourceText(), QStringLiteral("<p>$P{name}</p>"));
    QCOMPARE(tpl.document()->toPlainText(), QStringLiteral("Filled"));
    QVERIFY(!tpl.isEmpty());
}

void TestTextItem::refreshedPerRecord()
{
    TessarinDef def;
    def.addParameter(QStringLiteral("name"), QStringLiteral("World"));
    def.addParameter(QStringLiteral("body"), QStringLiteral("<p><b>Bold</b> body</p>"));
    TessarinEvaluator evaluator(&def);
    ImageTestOutput out;

    // A template is filled anew for every record and stays a template.
    TessarinTextItem tpl(&def);
    tpl.setMetricSize(QSizeF(80, 10));
    tpl.setTemplateMode(true);
    tpl.setHtmlContent(QStringLiteral("<p>Hello $P{name}</p>"));
    tpl.updateValue(&out, &evaluator);
    QCOMPARE(tpl.document()->toPlainText(), QStringLiteral("Hello World"));
    tpl.adjustSize(&out);
    QVERIFY(tpl.isAdjusted());
    const double height = tpl.realMetricSize().height();
    QVERIFY(height > 0.7);
    def.addParameter(QStringLiteral("name"), QStringLiteral("Moon"));
    tpl.updateValue(&out, &evaluator);
    QVERIFY(!tpl.isAdjusted());
    QCOMPARE(tpl.document()->toPlainText(), QStringLiteral("Hello Moon"));
    QCOMPARE(tpl.dynamicSourceText(), QStringLiteral("<p>Hello $P{name}</p>"));

    // A parameter source; a missing parameter shows the error text.
    TessarinTextItem param(&def);
    param.setSourceType(TessarinItem::Parameter);
    param.setText(QStringLiteral("body"));
    QVERIFY(param.isDynamic());
    param.updateValue(&out, &evaluator);
    QCOMPARE(param.document()->toPlainText(), QStringLiteral("Bold body"));
    QVERIFY(!param.isEmpty());
    param.setText(QStringLiteral("nothing"));
    param.updateValue(&out, &evaluator);
    QCOMPARE(param.document()->toPlainText(), QStringLiteral("Parameter not found: nothing"));

    // Markup outputs take the evaluated text as the value and leave the document alone.
    ImageTestOutput markup(TessarinOutput::HtmlOutput);
    markup.setGeneratingMode(TessarinOutput::SectionsMode);
    param.setText(QStringLiteral("body"));
    param.updateValue(&markup, &evaluator);
    QCOMPARE(param.value().toString(), QStringLiteral("<p><b>Bold</b> body</p>"));
    QCOMPARE(param.document()->toPlainText(), QStringLiteral("Parameter not found: nothing"));

    // A static text handed in again for the next record is not loaded again.
    TessarinTextItem fixed(&def);
    fixed.setHtmlContent(QStringLiteral("<p>Fixed</p>"));
    const int revision = fixed.document()->revision();
    fixed.updateValue(&out, &evaluator);
    fixed.updateValue(&out, &evaluator);
    QCOMPARE(fixed.document()->revision(), revision);
    QCOMPARE(fixed.document()->toPlainText(), QStringLiteral("Fixed"));
}

void TestTextItem::readsFileContent()
{
    const QString path = m_dir.filePath(QStringLiteral("content.html"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Text));
        f.write("<p>From <b>the</b> file</p>\n");
    }
    TessarinTextItem item(&m_def);
    SingleElementReader reader(QStringLiteral("<text resource=\"file\" width=\"50\" height=\"10\">%1</text>").arg(path));
    QVERIFY(item.read(&reader));
    QCOMPARE(item.sourceType(), TessarinItem::File);
    QCOMPARE(item.text(), path);
    QCOMPARE(item.document()->toPlainText().trimmed(), QStringLiteral("From the file"));
    QVERIFY(!item.isEmpty());

    const QString missing = m_dir.filePath(QStringLiteral("missing.html"));
    QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("TextItem: File not found: %1").arg(missing)));
    TessarinTextItem none(&m_def);
    SingleElementReader reader2(QStringLiteral("<text resource=\"file\">%1</text>").arg(missing));
    QVERIFY(none.read(&reader2));
    QVERIFY(none.isEmpty());
    QVERIFY(none.document()->isEmpty());
}

void TestTextItem::readsUrlContent()
{
    QTemporaryDir served;
    QVERIFY(served.isValid());
    {
        QFile f(served.filePath(QStringLiteral("page.html")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<p>Downloaded \xc3\xa4 content</p>");
    }
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    QProcess server;
    server.setWorkingDirectory(served.path());
    server.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-m"), QStringLiteral("http.server"), QStringLiteral("--bind"),
                  QStringLiteral("127.0.0.1"), QString::number(port)});
    QVERIFY(server.waitForStarted());
    bool up = false;
    for (int i = 0; i < 100 && !up; ++i) {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, port);
        up = s.waitForConnected(100);
        if (!up)
            QTest::qWait(50);
    }
    QVERIFY(up);

    const QString url = QStringLiteral("http://127.0.0.1:%1/page.html").arg(port);
    TessarinTextItem item(&m_def);
    SingleElementReader reader(QStringLiteral("<text resource=\"url\">%1</text>").arg(url));
    QVERIFY(item.read(&reader));
    QCOMPARE(item.sourceType(), TessarinItem::Url);
    QCOMPARE(item.document()->toPlainText(), QString::fromUtf8("Downloaded \xc3\xa4 content"));

    // A missing page leaves the item empty.
    TessarinTextItem missing(&m_def);
    SingleElementReader reader2(QStringLiteral("<text resource=\"url\">%1</text>").arg(url + QStringLiteral("x")));
    QVERIFY(missing.read(&reader2));
    QVERIFY(missing.isEmpty());

    server.terminate();
    server.waitForFinished(3000);
}

QTEST_MAIN(TestTextItem)
#include "tst_items_text.moc"
