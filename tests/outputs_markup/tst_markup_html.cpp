#include "markuptestutil.h"
#include "tessarindef.h"
#include "tessarinhtmloutput.h"
#include "tessarinlabelitem.h"
#include "tessarinsection.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>


namespace {
const QStringList twoPeople{"Anna;1.5", "Bob <b>;2"};

QString label(const QString &id, double x, double y, const QString &text, const QString &attributes = QString())
{
    return QStringLiteral("    <label id=\"%1\" posX=\"%2\" posY=\"%3\" width=\"20\" height=\"5\" %5>%4</label>\n")
        .arg(id)
        .arg(x)
        .arg(y)
        .arg(text, attributes);
}

const QString nameDetail = detail(QStringLiteral("    <field id=\"name\" posX=\"0\" posY=\"0\" width=\"40\" height=\"5\">col0</field>\n"));
}

class TestMarkupHtml : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void wholeDocument();
    void rowsFollowPositions();
    void oneTablePerRow();
    void styleSheetFiles();
    void pictures();
    void dataNeverBecomesMarkup();
    void copiesAndBatchesMakeOneDocument();
    void unwritableTargets();
    void encodingOption();
    void everyLookGetsItsOwnClass();

private:
    QTemporaryDir m_dir;
};

void TestMarkupHtml::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestMarkupHtml::wholeDocument()
{
    Tessarin report;
    report.addStringList("people", twoPeople);
    report.setReportDefXml(definition(
        " <reportheader height=\"8\">\n"
        "  <label id=\"title\" posX=\"0\" posY=\"0\" width=\"60\" height=\"6\" fontWeight=\"bold\">Title &amp; more</label>\n"
        "  <line posX=\"0\" posY=\"7\" width=\"100\" height=\"0\"/>\n"
        " </reportheader>\n"
            + detail("    <field id=\"name\" posX=\"0\" posY=\"0\" width=\"40\" height=\"5\">col0</field>\n"
                     "    <field id=\"amount\" posX=\"50\" posY=\"0\" width=\"30\" height=\"5\" alignmentH=\"right\" "
                     "forecolor=\"#ff0000\">col1</field>\n"),
        "<htmlBodyStyle>{default}color:#333;</htmlBodyStyle><htmlHead>&lt;meta name=\"robots\" "
        "content=\"noindex\"&gt;</htmlHead>",
        "People &amp; Co"));
    const QString file = m_dir.filePath("whole.html");
    QVERIFY2(report.runReportToHtml(file), qPrintable(report.lastErrorMsg()));
    // A4 less 20 mm margins: 170 mm = 643 px at 96 dpi; 20 mm = 76 px, 10 mm = 38 px.
    const QString expected = QStringLiteral(
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
        "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
        "<html>\n"
        "<head>\n"
        "<meta charset=\"UTF-8\">\n"
        "<title>People &amp; Co</title>\n"
        "<meta name=\"robots\" content=\"noindex\">\n"
        "<style type=\"text/css\">\n"
        "body{width:643px;font-family:Arial;font-size:10pt;margin-left:76px;margin-right:76px;margin-top:38px;"
        "margin-bottom:38px;color:#333;}\n"
        "table.tsn{width:643px;border-spacing:3px;}\n"
        "td.RH_item_title{width:227px;vertical-align:top;font-weight:bold;}\n"
        "td.Detail1_item_name{width:151px;vertical-align:top;}\n"
        "td.Detail1_item_amount{width:113px;text-align:right;vertical-align:top;color:#ff0000;}\n"
        "\n"
        "</style>\n"
        "</head>\n"
        "<body>\n"
        "<!-- SECTION: RH -->\n"
        "<div class=\"RH\">\n"
        "<table class=\"tsn section_RH\">\n"
        "<tr class=\"r_RH_even\">\n"
        "<td class=\"RH_item_title\">Title &amp; more</td></tr>\n"
        "</table>\n"
        "</div>\n"
        "<!-- SECTION: Detail1 -->\n"
        "<div class=\"Detail1\">\n"
        "<table class=\"tsn section_Detail1\">\n"
        "<tr class=\"r_Detail1_even\">\n"
        "<td class=\"Detail1_item_name\">Anna</td><td class=\"Detail1_item_amount\">1.5</td></tr>\n"
        "<tr class=\"r_Detail1_odd\">\n"
        "<td class=\"Detail1_item_name\">Bob &lt;b&gt;</td><td class=\"Detail1_item_amount\">2</td></tr>\n"
        "</table>\n"
        "</div>\n"
        "</body>\n"
        "</html>");
    QCOMPARE(readText(file), expected);

    // The other name of the same slot writes the same document.
    QVERIFY(QFile::remove(file));
    QVERIFY2(report.runReportToHTML(file), qPrintable(report.lastErrorMsg()));
    QCOMPARE(readText(file), expected);
}

void TestMarkupHtml::rowsFollowPositions()
{
    Tessarin report;
    report.addStringList("people", {"x"});
    report.setReportDefXml(definition(detail(
        label("a", 50, 0, "A") + label("b", 0, 0, "B") + label("e", 50, 0, "E") + label("d", 30, 0, "D")
        + "    <line posX=\"0\" posY=\"2\" width=\"100\" height=\"0\"/>\n"
          "    <rectangle posX=\"0\" posY=\"0\" width=\"100\" height=\"5\"/>\n"
          "    <ellipse posX=\"0\" posY=\"0\" width=\"10\" height=\"5\"/>\n"
        + label("c", 10, 0.01, "C"))));
    const QString file = m_dir.filePath("rows.html");
    QVERIFY2(report.runReportToHtml(file), qPrintable(report.lastErrorMsg()));
    const QString html = readText(file);
    // Top to bottom, then left to right; items at one spot keep their
    // order; 0.01 mm lower is the next row, indented by a spacer cell of
    // 10 mm = 38 px. Lines, rectangles and ellipses have no cell.
    QCOMPARE(linesBetween(html, "<table class=\"tsn section_Detail1\">", "</table>"),
             (QStringList{"<tr class=\"r_Detail1_even\">",
                          "<td class=\"Detail1_item_b\">B</td><td class=\"Detail1_item_d\">D</td>"
                          "<td class=\"Detail1_item_a\">A</td><td class=\"Detail1_item_e\">E</td></tr>",
                          "<tr class=\"r_Detail1_even\">",
                          "<td class=\"Detail1_spc_row1\">&nbsp;</td><td class=\"Detail1_item_c\">C</td></tr>"}));
    QVERIFY(html.contains("\ntd.Detail1_spc_row1{width:38px;}\n"));
}

void TestMarkupHtml::oneTablePerRow()
{
    Tessarin report;
    report.addStringList("people", {"Anna", "Bob"});
    report.setReportDefXml(definition(nameDetail));
    const QString file = m_dir.filePath("perrow.html");
    QVERIFY2(report.runReportToHtml(file, 1), qPrintable(report.lastErrorMsg()));
    QCOMPARE(linesBetween(readText(file), "<div class=\"Detail1\">", "</div>"),
             (QStringList{"<table class=\"tsn section_Detail1\">", "<tr class=\"r_Detail1_even\">",
                          "<td class=\"Detail1_item_name\">Anna</td></tr>", "</table>",
                          "<table class=\"tsn section_Detail1\">", "<tr class=\"r_Detail1_odd\">",
                          "<td class=\"Detail1_item_name\">Bob</td></tr>", "</table>"}));
}

void TestMarkupHtml::styleSheetFiles()
{
    Tessarin report;
    report.addStringList("people", {"Anna"});
    report.setReportDefXml(definition(nameDetail));

    // "@": next to the document, named after it, linked by its full path.
    const QString file = m_dir.filePath("styled.v1.html");
    QVERIFY2(report.runReportToHtml(file, 0, "@"), qPrintable(report.lastErrorMsg()));
    const QString css = m_dir.filePath("styled.v1.css");
    QString html = readText(file);
    QVERIFY(html.contains("</title>\n<link rel=\"stylesheet\" type=\"text/css\" href=\"file://" + css + "\">\n</head>\n"));
    QVERIFY(!html.contains("<style"));
    const QString styles = readText(css);
    QVERIFY(styles.startsWith("body{width:643px;"));
    QVERIFY(styles.contains("\ntd.Detail1_item_name{width:151px;vertical-align:top;}\n"));

    // A relative name is taken relative to the document, as a browser does.
    const QString other = m_dir.filePath("relative.html");
    QVERIFY2(report.runReportToHtml(other, 0, "look.css"), qPrintable(report.lastErrorMsg()));
    html = readText(other);
    QVERIFY(html.contains("<link rel=\"stylesheet\" type=\"text/css\" href=\"look.css\">"));
    QCOMPARE(readText(m_dir.filePath("look.css")), styles);
    QVERIFY(!QFile::exists(QDir::current().filePath("look.css")));
}

void TestMarkupHtml::pictures()
{
    QImage red(20, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString png = m_dir.filePath("red.png");
    QVERIFY(red.save(png));
    Tessarin report;
    report.addStringList("people", {"a", "b", "c"});
    report.setReportDefXml(definition(
        detail(QStringLiteral("    <image id=\"pic\" posX=\"0\" posY=\"0\" width=\"20\" height=\"10\" "
                              "resource=\"file\">%1</image>\n")
                   .arg(png))));

    // Files: one per picture printed, numbered through the document.
    auto *out = new TessarinHtmlOutput(&report);
    out->setImageMode(TessarinHtmlOutput::ImageFiles);
    const QString file = m_dir.filePath("pics.html");
    out->setFileName(file);
    report.setOutput(out);
    QVERIFY2(report.runReport(), qPrintable(report.lastErrorMsg()));
    const QString html = readText(file);
    QVERIFY(QRegularExpression("<img width=\"\\d+\" height=\"\\d+\" src=\"pics\\.html_files/image0003\\.png\"/>")
                .match(html)
                .hasMatch());
    QCOMPARE(QDir(m_dir.filePath("pics.html_files")).entryList(QDir::Files),
             (QStringList{"image0001.png", "image0002.png", "image0003.png"}));
    QCOMPARE(QImage(m_dir.filePath("pics.html_files/image0003.png")).pixelColor(5, 5), QColor(Qt::red));

    // Embedded: the PNG itself in a data URL.
    const QString embedded = m_dir.filePath("embedded.html");
    QVERIFY2(report.runReportToHtml(embedded), qPrintable(report.lastErrorMsg()));
    const auto match = QRegularExpression("src=\"data:image/png;base64,([A-Za-z0-9+/=]+)\"/>").match(readText(embedded));
    QVERIFY(match.hasMatch());
    const QImage decoded = QImage::fromData(QByteArray::fromBase64(match.captured(1).toLatin1()), "PNG");
    QCOMPARE(decoded.size(), QSize(20, 10));
    QCOMPARE(decoded.pixelColor(5, 5), QColor(Qt::red));
}

void TestMarkupHtml::dataNeverBecomesMarkup()
{
    Tessarin report;
    report.addStringList("people", {"<script>alert(1)</script>;<img src=x onerror=alert(2)>"});
    report.setReportDefXml(definition(detail(
        "    <field id=\"f\" posX=\"0\" posY=\"0\" width=\"40\" height=\"5\">col0</field>\n"
        "    <text id=\"rich\" posX=\"50\" posY=\"0\" width=\"40\" height=\"5\" resource=\"tpl\">"
        "&lt;b&gt;$D{people.col1}&lt;/b&gt;</text>\n"
        "    <text id=\"links\" posX=\"100\" posY=\"0\" width=\"40\" height=\"5\">"
        "&lt;a href=\"javascript:alert(3)\"&gt;bad&lt;/a&gt; &lt;a href=\"https://example.org/\"&gt;good&lt;/a&gt;"
        "&lt;script&gt;alert(4)&lt;/script&gt;</text>\n")));
    const QString file = m_dir.filePath("escaped.html");
    QVERIFY2(report.runReportToHtml(file), qPrintable(report.lastErrorMsg()));
    const QString html = readText(file);
    QVERIFY(html.contains("<td class=\"Detail1_item_f\">&lt;script&gt;alert(1)&lt;/script&gt;</td>"));
    // A value inside a rich text template reads as text, bold.
    QVERIFY(html.contains("<span style=\" font-weight:600;\">&lt;img src=x onerror=alert(2)&gt;</span>"));
    QVERIFY(!html.contains("<script", Qt::CaseInsensitive));
    QVERIFY(!html.contains("<img", Qt::CaseInsensitive));
    QVERIFY(!html.contains("javascript:", Qt::CaseInsensitive));
    QVERIFY(html.contains("<a href=\"#\">"));
    QVERIFY(html.contains("<a href=\"https://example.org/\">"));
}

void TestMarkupHtml::copiesAndBatchesMakeOneDocument()
{
    const QString def = definition(" <reportheader height=\"8\">\n" + label("t", 0, 0, "Head")
                                   + " </reportheader>\n" + nameDetail);
    auto check = [](const QString &html) {
        QCOMPARE(html.count("<html>"), 1);
        QCOMPARE(html.count("</html>"), 1);
        QCOMPARE(html.count("<!-- SECTION: RH -->"), 2);
        QCOMPARE(html.count("<td class=\"Detail1_item_name\">Anna</td>"), 2);
        QVERIFY(html.endsWith("</div>\n</body>\n</html>"));
    };
    {
        Tessarin report;
        report.addStringList("people", {"Anna"});
        report.setReportDefXml(def);
        report.setForceCopies(2);
        const QString file = m_dir.filePath("copies.html");
        QVERIFY2(report.runReportToHtml(file), qPrintable(report.lastErrorMsg()));
        check(readText(file));
    }
    {
        Tessarin report;
        report.addStringList("people", {"Anna"});
        report.addReportToBatch(def);
        report.addReportToBatch(def);
        const QString file = m_dir.filePath("batch.xls");
        QVERIFY2(report.runReportToExcelHtml(file), qPrintable(report.lastErrorMsg()));
        const QString html = readText(file);
        QCOMPARE(html.count("<html "), 1);
        QCOMPARE(html.count("</html>"), 1);
        QCOMPARE(html.count("<!-- SECTION: RH -->"), 2);
        QCOMPARE(html.count(">Anna</td>"), 2);
    }
}

void TestMarkupHtml::unwritableTargets()
{
    Tessarin report;
    report.addStringList("people", {"Anna"});
    report.setReportDefXml(definition(nameDetail));
    const QString missing = m_dir.filePath("no-such-dir/out.html");
    QFile probe(missing);
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    const QString message = QStringLiteral("Cannot write file %1:\n%2.");

    QVERIFY(!report.runReportToHtml(missing));
    QCOMPARE(report.lastErrorMsg(), message.arg(missing, probe.errorString()));
    QVERIFY(!report.runReportToExcelHtml(missing));
    QCOMPARE(report.lastErrorMsg(), message.arg(missing, probe.errorString()));

    // The document itself can be written, its style sheet not.
    const QString file = m_dir.filePath("nocss.html");
    const QString css = m_dir.filePath("no-such-dir/look.css");
    QVERIFY(!report.runReportToHtml(file, 0, css));
    QCOMPARE(report.lastErrorMsg(), message.arg(css, probe.errorString()));
}

void TestMarkupHtml::encodingOption()
{
    Tessarin report;
    report.addStringList("people", {QStringLiteral("\u0141\u00f3d\u017a 5\u20ac")});
    report.setReportDefXml(definition(nameDetail, "<encoding>ISO-8859-1</encoding>"));
    const QString file = m_dir.filePath("latin1.html");
    QVERIFY2(report.runReportToHtml(file), qPrintable(report.lastErrorMsg()));
    const QByteArray bytes = readBytes(file);
    QVERIFY(bytes.contains("<meta charset=\"ISO-8859-1\">"));
    // What Latin-1 has is written as such; the rest as character references.
    QVERIFY(bytes.contains(">&#321;\xf3" "d&#378; 5&#8364;</td>"));
}

void TestMarkupHtml::everyLookGetsItsOwnClass()
{
    // Driven directly, as the engine drives it: the same label printed in
    // three rows, its colour changed by a conditional format in between.
    TessarinDef def;
    TessarinSection *section = def.addReportHeader();
    auto *colored = new TessarinLabelItem(&def);
    colored->setId("x");
    colored->setText("X");
    auto *plain1 = new TessarinLabelItem(&def);
    plain1->setText("P1");
    plain1->setMetricPos(QPointF(30, 0));
    auto *plain2 = new TessarinLabelItem(&def);
    plain2->setText("P2");
    plain2->setMetricPos(QPointF(60, 0));
    plain2->setAlignment(Qt::AlignRight);
    section->reportItems() << colored << plain1 << plain2;
    for (TessarinItem *item : section->reportItems())
        static_cast<TessarinLabelItem *>(item)->setFont(def.option().defaultFont());

    TessarinHtmlOutput out;
    out.setFileName(m_dir.filePath("looks.html"));
    out.setPageOption(def.option());
    QVERIFY(out.setup());
    out.begin();
    const QList<QColor> colors{Qt::red, Qt::blue, Qt::red};
    for (const QColor &color : colors) {
        colored->setForeColor(color);
        out.sectionStarts(section, nullptr);
        for (TessarinItem *item : section->reportItems())
            out.renderItem(item, QRectF(0, 0, 100, 20));
        out.sectionEnds(section, nullptr);
    }
    out.end();
    QVERIFY(!out.hasError());
    const QString html = out.documentText();
    QCOMPARE(readText(m_dir.filePath("looks.html")), html);
    QCOMPARE(linesBetween(html, "<table class=\"tsn section_RH\">", "</table>"),
             (QStringList{"<tr class=\"r_RH_even\">",
                          "<td class=\"RH_item_x\">X</td><td class=\"RH_item_n1\">P1</td><td class=\"RH_item_n2\">P2</td></tr>",
                          "<tr class=\"r_RH_odd\">",
                          "<td class=\"RH_item_x_2\">X</td><td class=\"RH_item_n1\">P1</td><td class=\"RH_item_n2\">P2</td></tr>",
                          "<tr class=\"r_RH_even\">",
                          "<td class=\"RH_item_x\">X</td><td class=\"RH_item_n1\">P1</td><td class=\"RH_item_n2\">P2</td></tr>"}));
    QVERIFY(html.contains("\ntd.RH_item_x{width:100px;vertical-align:top;color:#ff0000;}\n"));
    QVERIFY(html.contains("\ntd.RH_item_x_2{width:100px;vertical-align:top;color:#0000ff;}\n"));
    QVERIFY(html.contains("\ntd.RH_item_n2{width:100px;text-align:right;vertical-align:top;}\n"));
}

QTEST_MAIN(TestMarkupHtml)
#include "tst_markup_html.moc"
