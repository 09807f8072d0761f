#include "enginetestutil.h"
#include "tessarindef.h"
#include "tessarinitem.h"
#include "tessarinitemdata.h"
#include "tessarinsection.h"

#include <QtTest>

namespace {
const QString rows = QStringLiteral("<datasources><datasource id=\"rows\" type=\"txt\" source=\"static\" "
                         "hasColumnHeader=\"true\">name\nAnna\nBruno\nCarla</datasource></datasources>");

QString document(const QString &body, const QString &options = QString(), const QString &type = "report")
{
    return QStringLiteral("<?xml version=\"1.0\"?><Tessarin version=\"2.0\" type=\"%1\"><options>%2</options>%3"
                          "</Tessarin>")
        .arg(type, options, body);
}

QString detail(const QString &attributes = QString(), const QString &extra = QString())
{
    return QStringLiteral("<details><detail datasource=\"rows\" height=\"6\" %1><items><field posX=\"0\" posY=\"0\" "
                          "width=\"40\" height=\"5\">name</field></items>%2</detail></details>")
        .arg(attributes, extra);
}

QString section(const char *element, int height)
{
    return QStringLiteral("<%1 height=\"%2\"><label posX=\"0\" posY=\"0\" width=\"40\" height=\"5\">%1</label></%1>")
        .arg(QLatin1String(element))
        .arg(height);
}

QString group(const QString &header, const QString &footer, const QString &expression = QStringLiteral("name"))
{
    return QStringLiteral("<groups><group id=\"g\" groupExp=\"%1\">%2%3</group></groups>")
        .arg(expression, header, footer);
}

// Stands for an item kind that cannot be laid out in zones.
class CrossTabStandIn : public TessarinItem
{
public:
    explicit CrossTabStandIn(TessarinDef *def)
        : TessarinItem(makeData(), def, nullptr)
    {
    }
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override {}

private:
    static TessarinItemData *makeData()
    {
        auto *data = new TessarinItemData;
        data->objectType = CrossTabObject;
        data->tagname = QStringLiteral("crosstab");
        return data;
    }
};

// An output that takes sections, not pages, and has no painter.
class SectionsOnlyOutput : public TessarinOutput
{
public:
    SectionsOnlyOutput() { setGeneratingMode(SectionsMode); }
    bool setup() override { return true; }
    void cleanup() override {}
    void begin() override {}
    void end() override {}
    void newPage() override {}
};

bool runFails(Tessarin &report, const QTemporaryDir &dir)
{
    return !report.runReportToPdf(dir.filePath("failed.pdf")) && report.hasError();
}
}

class TestEngineErrors : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void definitionErrors_data();
    void definitionErrors();
    void noOutput();
    void endlessData();
    void crossTabInZones();
    void textDocumentWithoutPainter();

private:
    QTemporaryDir m_dir;
};

void TestEngineErrors::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestEngineErrors::definitionErrors_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("message");

    const QString a4;
    const QString smallPage = QStringLiteral("<pagesize width=\"100\" height=\"100\">CUSTOM</pagesize>"
                                             "<topmargin>10</topmargin><bottommargin>10</bottommargin>"
                                             "<zoneBreak>true</zoneBreak>");
    const QString ph20 = section("pageheader", 20);

    QTest::newRow("no data source") << document(detail()) << "No datasource is defined.";
    QTest::newRow("source fails to open")
        << document("<datasources><datasource id=\"names\" type=\"list\" listID=\"missing\"/></datasources>"
                    + detail().replace("\"rows\"", "\"names\""))
        << "Cannot open datasource \"names\"\nError: No StringList added to datasource";
    QTest::newRow("empty data forbidden")
        << document("<datasources><datasource id=\"rows\" type=\"txt\" source=\"static\" "
                    "emptyIsForbidden=\"true\"></datasource></datasources>"
                    + detail())
        << "Data not found in datasource: rows";
    QTest::newRow("child without parent")
        << document(QString(rows).replace("</datasources>", "<datasource id=\"kids\" type=\"txt\" source=\"static\" "
                                                            "openRole=\"child\" parentID=\"nope\">x</datasource>"
                                                            "</datasources>")
                    + detail())
        << "Invalid child data source, \"nope\" parent id not found";
    QTest::newRow("relation cycle")
        << document(QString(rows).replace("</datasources>",
                                          "<datasource id=\"a\" type=\"txt\" source=\"static\" openRole=\"child\" "
                                          "parentID=\"b\">x</datasource><datasource id=\"b\" type=\"txt\" "
                                          "source=\"static\" openRole=\"child\" parentID=\"a\">x</datasource>"
                                          "</datasources>")
                    + detail())
        << "Could not open data source relation at data source a";
    QTest::newRow("page header") << document(rows + section("pageheader", 300) + detail()) << "Page header is too large.";
    QTest::newRow("page footer") << document(rows + section("pagefooter", 290) + detail("printWhen=\"false\""))
                                 << "Page footer is too large.";
    QTest::newRow("report header") << document(rows + ph20 + section("reportheader", 260) + detail())
                                   << "Report header is too large.";
    QTest::newRow("report footer") << document(rows + ph20 + detail() + section("reportfooter", 260))
                                   << "Report footer is too large.";
    QTest::newRow("detail after page header") << document(rows + ph20 + detail().replace("height=\"6\"", "height=\"260\""))
                                              << "Detail section is too large.";
    QTest::newRow("section taller than the page body")
        << document(rows + detail().replace("height=\"6\"", "height=\"280\"")) << "Invalid section size: detail";
    QTest::newRow("group header too large for a fresh page")
        << document(rows + ph20 + detail(QString(), group(section("groupheader", 260), QString())))
        << "Invalid section size: groupheader";
    QTest::newRow("group footer too large for a fresh page")
        << document(rows + ph20 + detail(QString(), group(QString(), section("groupfooter", 260))))
        << "Invalid section size: groupfooter";
    QTest::newRow("text line taller than a page")
        << document(QString(rows)
                        + "<details><detail datasource=\"rows\" height=\"6\" autoHeight=\"true\"><items>"
                          "<text posX=\"0\" posY=\"0\" width=\"80\" height=\"6\" canBreak=\"true\" autoHeight=\"true\">"
                          "&lt;p style=\"font-size:400pt\"&gt;W&lt;/p&gt;</text></items></detail></details>",
                    smallPage)
        << "Invalid section size: detail";
    QTest::newRow("group expression")
        << document(rows + detail(QString(), group(section("groupheader", 6), QString(), "&lt;% undefinedFn() %&gt;")))
        << "Invalid group column or expression: <% undefinedFn() %>\nGroup ID: g\nValue: ";
    QTest::newRow("variable")
        << document(rows + "<variables><variable id=\"v\" funcType=\"sum\">nosuchcolumn</variable></variables>"
                        + detail(),
                    "<varErrorAlert>true</varErrorAlert>")
        << "Variable error in v";
    QTest::newRow("text document without body")
        << document(rows + section("pageheader", 270) + detail(), a4, "textdoc") << "Invalid section size: pageheader";
}

void TestEngineErrors::definitionErrors()
{
    QFETCH(QString, xml);
    QFETCH(QString, message);
    Tessarin report;
    report.setReportDefXml(xml);
    QVERIFY(runFails(report, m_dir));
    // Messages that quote data carry it after the fixed text.
    if (message.endsWith(QLatin1String("Value: ")))
        QVERIFY2(report.lastErrorMsg().startsWith(message) && report.lastErrorMsg().contains("undefinedFn"),
                 qPrintable(report.lastErrorMsg()));
    else
        QCOMPARE(report.lastErrorMsg(), message);
    QVERIFY(!report.reportDone());
}

void TestEngineErrors::noOutput()
{
    Tessarin report;
    report.setReportDefXml(document(rows + detail()));
    QSignalSpy starts(&report, &Tessarin::reportStarts);
    QSignalSpy ends(&report, &Tessarin::reportEnds);
    QVERIFY(!report.runReport());
    QCOMPARE(report.lastErrorMsg(), QStringLiteral("No report output defined."));
    QCOMPARE(starts.count(), 1);
    QCOMPARE(ends.count(), 1);
}

void TestEngineErrors::endlessData()
{
    // A hidden detail over rows that never end: the run stops at the limit.
    auto *endless = new TableSource("rows", {"n"}, {}, this);
    endless->setEndless(true);
    Tessarin report;
    report.addCustomDataSource(endless);
    report.setReportDefXml(document(
        "<datasources><datasource id=\"rows\" type=\"custom\"/></datasources>" + detail("printWhen=\"false\"")));
    QSignalSpy rowsSeen(&report, qOverload<int>(&Tessarin::dataRowProgress));
    QVERIFY(runFails(report, m_dir));
    QCOMPARE(report.lastErrorMsg(),
             QStringLiteral("Too much processed data records. Endless loop is probably happening."));
    QCOMPARE(rowsSeen.last().first().toInt(), 1000001);
}

void TestEngineErrors::crossTabInZones()
{
    CustomizedReport report;
    report.setReportDefXml(document(rows + detail("autoHeight=\"true\"")));
    report.customize = [](TessarinDef *def) {
        auto *item = new CrossTabStandIn(def);
        item->setMetricSize(QSizeF(20, 5));
        def->details().first()->addItemForEngine(item);
    };
    QVERIFY(runFails(report, m_dir));
    QCOMPARE(report.lastErrorMsg(), QStringLiteral("Cross-Tab item is unsupported in zones."));
}

void TestEngineErrors::textDocumentWithoutPainter()
{
    Tessarin report;
    report.setReportDefXml(document(rows + detail(), QString(), "textdoc"));
    auto *output = new SectionsOnlyOutput;
    report.setOutput(output);
    QVERIFY(!report.runReport());
    QCOMPARE(report.lastErrorMsg(), QStringLiteral("The current report does not support this output type."));
}

QTEST_MAIN(TestEngineErrors)
#include "tst_engine_errors.moc"
