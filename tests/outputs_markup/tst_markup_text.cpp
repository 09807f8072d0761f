#include "markuptestutil.h"
#include "tessarintextoutput.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
// Cities with their people and amounts; grouped by city, with a group sum
// and a report total.
const QStringList people{"North;Anna;10", "North;Bob;5", "South;Cid;7"};

QString groupedDefinition(const QString &extraItems = QString())
{
    return definition(
        " <variables>\n"
        "  <variable id=\"citySum\" funcType=\"sum\" scope=\"group\">col2</variable>\n"
        "  <variable id=\"total\" funcType=\"sum\" scope=\"report\">col2</variable>\n"
        " </variables>\n"
        " <reportheader height=\"8\"><label posX=\"0\" posY=\"0\" width=\"60\" height=\"6\">RH</label></reportheader>\n"
        " <pageheader height=\"8\"><label posX=\"0\" posY=\"0\" width=\"60\" height=\"6\">PH</label></pageheader>\n"
        " <details>\n"
        "  <detail id=\"Detail1\" height=\"6\" datasource=\"people\">\n"
        "   <items>\n"
        "    <field id=\"amount\" posX=\"0\" posY=\"0\" width=\"40\" height=\"5\" ftype=\"tpl\">[$D{people.col2}]</field>\n"
        + extraItems +
        "   </items>\n"
        "   <groups>\n"
        "    <group id=\"city\" groupExp=\"col0\" resetVariables=\"citySum\">\n"
        "     <groupheader height=\"7\"><label posX=\"0\" posY=\"0\" width=\"60\" height=\"6\">GH</label></groupheader>\n"
        "     <groupfooter height=\"7\"><label posX=\"0\" posY=\"0\" width=\"60\" height=\"6\">GF</label></groupfooter>\n"
        "    </group>\n"
        "   </groups>\n"
        "  </detail>\n"
        " </details>\n"
        " <reportfooter height=\"8\"><label posX=\"0\" posY=\"0\" width=\"60\" height=\"6\">RF</label></reportfooter>\n"
        " <pagefooter height=\"8\"><label posX=\"0\" posY=\"0\" width=\"60\" height=\"6\">PF</label></pagefooter>\n");
}

const QString fullTemplate = QStringLiteral(
    "Text before any block never reaches the output.\n"
    "<!-- BEGIN {DH} -->\n"
    "Document $P{title} is not evaluated\n"
    "<!-- END -->\n"
    "<!-- BEGIN {RH} -->\n"
    "Report header\n"
    "<!-- END -->\n"
    "<!-- BEGIN {PH} -->   \n"
    "Page $V{pageno}\n"
    "<!-- END -->\n"
    "<!-- BEGIN {GH.Detail1.city} -->\n"
    "City $D{people.col0}\n"
    "<!-- END -->\n"
    "<!-- BEGIN {D.Detail1} -->\n"
    "  $D{people.col1}: $F{amount}\n"
    "<!-- END -->\n"
    "<!-- BEGIN {GF.Detail1.city} -->\n"
    "Sum $V{citySum}\n"
    "<!-- END -->\n"
    "<!-- BEGIN {RF} -->\n"
    "Total $V{total}\n"
    "<!-- END -->\n"
    "<!-- BEGIN {PF} -->\n"
    "End of page $V{pageno}\n"
    "<!-- END -->\n"
    "Nor does text between blocks.\n"
    "<!-- BEGIN {DF} -->\n"
    "Done $V{pageno}\n"
    "<!-- END -->\n");

const QString body = QStringLiteral("Report header\n"
                                    "City North\n"
                                    "  Anna: [10]\n"
                                    "  Bob: [5]\n"
                                    "Sum 15\n"
                                    "City South\n"
                                    "  Cid: [7]\n"
                                    "Sum 7\n"
                                    "Total 22\n");
}

class TestMarkupText : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void blockTable();
    void malformedTemplates_data();
    void malformedTemplates();
    void templateFileWinsOverText();
    void everySectionKindThroughTheReportApi();
    void detailBlockAlone();
    void copiesAndBatchesMakeOneDocument();
    void createdByType();
    void failures();

private:
    QString writeTemplate(const QString &text);
    QTemporaryDir m_dir;
};

void TestMarkupText::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestMarkupText::writeTemplate(const QString &text)
{
    const QString name = m_dir.filePath(QStringLiteral("template.txt"));
    return writeText(name, text) ? name : QString();
}

void TestMarkupText::blockTable()
{
    TessarinTextOutput out;
    out.setFileName(m_dir.filePath("unused.txt"));
    out.setTemplate(QStringLiteral("outside\n"
                                   "<!-- BEGIN {PH} -->  \t\n"
                                   "first\n"
                                   "<!-- END -->\n"
                                   "<!-- BEGIN {D.Detail1} -->\n"
                                   "old\n"
                                   "<!-- END -->\n"
                                   "between\n"
                                   "<!-- BEGIN {D.Detail1} -->\n"
                                   "new $V{x}\n"
                                   "\n"
                                   "<!-- END --> trailing text on an END line\n"
                                   "<!-- BEGIN {Empty} -->\n"
                                   "<!-- END -->"));
    QVERIFY(out.setup());
    QVERIFY(!out.hasTemplateError());
    QVERIFY(!out.hasError());
    // The later of two blocks of one name wins; lines keep their line feed.
    const QHash<QString, QString> expected{{"PH", "first\n"}, {"D.Detail1", "new $V{x}\n\n"}, {"Empty", ""}};
    QCOMPARE(out.blocks(), expected);
}

void TestMarkupText::malformedTemplates_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("begin inside a block") << "<!-- BEGIN {RH} -->\nx\n<!-- BEGIN {RF} -->\ny\n<!-- END -->\n";
    QTest::newRow("end outside a block") << "<!-- BEGIN {RH} -->\nx\n<!-- END -->\n<!-- END -->\n";
    QTest::newRow("block never ended") << "<!-- BEGIN {RH} -->\nx\n<!-- END -->\n<!-- BEGIN {RF} -->\ny\n";
    QTest::newRow("no name") << "<!-- BEGIN {} -->\nx\n<!-- END -->\n";
    QTest::newRow("empty") << "";
}

void TestMarkupText::malformedTemplates()
{
    QFETCH(QString, text);
    TessarinTextOutput out;
    out.setFileName(m_dir.filePath("unused.txt"));
    out.setTemplate(text);
    QVERIFY(!out.setup());
    QVERIFY(out.hasTemplateError());
    QCOMPARE(out.errorText(), QStringLiteral("Invalid text output template."));
}

void TestMarkupText::templateFileWinsOverText()
{
    TessarinTextOutput out;
    out.setFileName(m_dir.filePath("unused.txt"));
    out.setTemplate(QStringLiteral("<!-- BEGIN {RH} -->\nfrom text\n<!-- END -->\n"));
    out.setTemplateFile(writeTemplate(QStringLiteral("<!-- BEGIN {RH} -->\nfrom file\n<!-- END -->\n")));
    QVERIFY(out.setup());
    QCOMPARE(out.block("RH"), QStringLiteral("from file\n"));
}

void TestMarkupText::everySectionKindThroughTheReportApi()
{
    Tessarin report;
    report.addStringList("people", people);
    report.addParameter("title", "Demo");
    report.setReportDefXml(groupedDefinition());
    const QString file = m_dir.filePath("full.txt");
    QVERIFY2(report.runReportToText(file, writeTemplate(fullTemplate)), qPrintable(report.lastErrorMsg()));
    QVERIFY(!report.hasError());
    // Page header first, page footer last: the whole report is one page.
    // Document header and footer are written as they stand.
    QCOMPARE(readText(file), "Document $P{title} is not evaluated\nPage 1\n" + body + "End of page 1\nDone $V{pageno}\n");
}

void TestMarkupText::detailBlockAlone()
{
    Tessarin report;
    report.addStringList("people", people);
    report.setReportDefXml(groupedDefinition());
    report.addParameter("sep", ";");
    const QString file = m_dir.filePath("detail.txt");
    QVERIFY2(report.runReportToText(file, writeTemplate(QStringLiteral("<!-- BEGIN {D.Detail1} -->\n"
                                                                       "$V{currentrow}|$D{people.col1}|$P{sep}\n"
                                                                       "<!-- END -->\n"))),
             qPrintable(report.lastErrorMsg()));
    QCOMPARE(readText(file), QStringLiteral("0|Anna|;\n1|Bob|;\n2|Cid|;\n"));
}

void TestMarkupText::copiesAndBatchesMakeOneDocument()
{
    const QString templateFile = writeTemplate(fullTemplate);
    {
        Tessarin report;
        report.addStringList("people", people);
        report.addParameter("title", "Copies");
        report.setReportDefXml(groupedDefinition());
        report.setForceCopies(2);
        const QString file = m_dir.filePath("copies.txt");
        QVERIFY2(report.runReportToText(file, templateFile), qPrintable(report.lastErrorMsg()));
        const QString copy = "Page 1\n" + body + "End of page 1\n";
        QCOMPARE(readText(file), "Document $P{title} is not evaluated\n" + copy + copy + "Done $V{pageno}\n");
    }
    {
        // Two reports of a batch, the second with a shorter list.
        Tessarin report;
        report.addStringList("people", people);
        report.addParameter("title", "Batch");
        report.addReportToBatch(groupedDefinition());
        report.addReportToBatch(groupedDefinition());
        const QString file = m_dir.filePath("batch.txt");
        QVERIFY2(report.runReportToText(file, templateFile), qPrintable(report.lastErrorMsg()));
        const QString text = readText(file);
        QCOMPARE(text.count("Document $P{title} is not evaluated\n"), 1);
        QCOMPARE(text.count("Done $V{pageno}\n"), 1);
        QCOMPARE(text.count(body), 2);
        QVERIFY(text.startsWith("Document $P{title} is not evaluated\n"));
        QVERIFY(text.endsWith("Done $V{pageno}\n"));
    }
}

void TestMarkupText::createdByType()
{
    const QList<QPair<TessarinOutput::OutputType, const char *>> types{
        {TessarinOutput::TextOutput, "TessarinTextOutput"},
        {TessarinOutput::HtmlOutput, "TessarinHtmlOutput"},
        {TessarinOutput::ExcelHtmlOutput, "TessarinExcelHtmlOutput"}};
    for (const auto &type : types) {
        std::unique_ptr<TessarinOutput> out(Tessarin::createOutput(type.first));
        QVERIFY(out);
        QCOMPARE(out->metaObject()->className(), type.second);
        QCOMPARE(out->outputType(), type.first);
        // Only the template output takes whole sections; the others take items.
        QCOMPARE(out->isDocumentTemplateBased(), type.first == TessarinOutput::TextOutput);
        QCOMPARE(out->generatingMode() == TessarinOutput::SectionsMode, type.first != TessarinOutput::TextOutput);
    }

    // An application that sets the output itself gets the same result.
    Tessarin report;
    report.addStringList("people", people);
    report.addParameter("title", "Own");
    report.setReportDefXml(groupedDefinition());
    auto *text = new TessarinTextOutput(&report);
    text->setTemplate(fullTemplate);
    text->setFileName(m_dir.filePath("own.txt"));
    report.setOutput(text);
    QVERIFY2(report.runReport(), qPrintable(report.lastErrorMsg()));
    QCOMPARE(readText(m_dir.filePath("own.txt")), "Document $P{title} is not evaluated\nPage 1\n" + body + "End of page 1\nDone $V{pageno}\n");
}

void TestMarkupText::failures()
{
    const QString templateFile = writeTemplate(fullTemplate);
    Tessarin report;
    report.addStringList("people", people);
    report.addParameter("title", "Failures");
    report.setReportDefXml(groupedDefinition());

    // No template: nothing is written.
    const QString file = m_dir.filePath("failed.txt");
    QVERIFY(!report.runReportToText(file, m_dir.filePath("missing-template.txt")));
    QCOMPARE(report.lastErrorMsg(), QStringLiteral("Invalid text output template."));
    QVERIFY(!QFile::exists(file));

    // A target that cannot be written fails the run with the reason.
    const QString unwritable = m_dir.filePath("no-such-dir/out.txt");
    QFile probe(unwritable);
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    QVERIFY(!report.runReportToText(unwritable, templateFile));
    QCOMPARE(report.lastErrorMsg(), QStringLiteral("Cannot write file %1:\n%2.").arg(unwritable, probe.errorString()));

    // A block that cannot be evaluated stops the run there; the page is not
    // broken, so no page footer and header appear in between.
    QVERIFY(!report.runReportToText(file, writeTemplate(QStringLiteral("<!-- BEGIN {PH} -->\nPH\n<!-- END -->\n"
                                                                       "<!-- BEGIN {PF} -->\nPF\n<!-- END -->\n"
                                                                       "<!-- BEGIN {D.Detail1} -->\n"
                                                                       "$D{people.col1} $F{nothing}\n"
                                                                       "<!-- END -->\n"))));
    QCOMPARE(report.lastErrorMsg(),
             QStringLiteral("The text output template block D.Detail1 could not be evaluated."));
    QCOMPARE(readText(file), QStringLiteral("PH\n"));

    // A run that fails for another reason keeps its own message.
    Tessarin broken;
    broken.setReportDefXml(QStringLiteral("<Tessarin version=\"2.0\"><details>"));
    QVERIFY(!broken.runReportToText(file, templateFile));
    QVERIFY(broken.hasError());
    QVERIFY2(broken.lastErrorMsg() != QLatin1String("Invalid text output template."),
             qPrintable(broken.lastErrorMsg()));
}

QTEST_MAIN(TestMarkupText)
#include "tst_markup_text.moc"
