#include <QtTest>

#include "formattestsupport.h"

#include "tessarincustomdsprovider.h"
#include "tessarindatasourcefactory.h"
#include "tessaringroup.h"
#include "tessarinvariable.h"

using namespace FormatTest;

namespace {

class Factory : public TessarinDataSourceFactory
{
public:
    ~Factory() override { qDeleteAll(created); }
    TessarinDataSource *createCustomDataSource(const QString &id) override
    {
        asked.append(id);
        if (id != QLatin1String("mine"))
            return nullptr;
        // Custom sources stay the application's.
        created.append(new ProbeDataSource(nullptr, TessarinDataSource::Custom));
        return created.last();
    }
    QStringList asked;
    QList<TessarinDataSource *> created;
};

class Provider : public TessarinCustomDSProvider
{
public:
    TessarinDataSource *createDataSource(const QString &id, int type, TessarinDef *def) override
    {
        asked.append(QStringLiteral("%1:%2").arg(id).arg(type));
        return type == TessarinDataSource::SQL ? nullptr
                                               : new ProbeDataSource(def, TessarinDataSource::DataSourceType(type));
    }
    QStringList asked;
};

// Logs the item hooks in the order the reader calls them.
class RecordingReader : public TessarinXMLDefReader
{
public:
    using TessarinXMLDefReader::TessarinXMLDefReader;
    void beforeReadItem(TessarinItem *item) override { log.append(QStringLiteral("before:") + text(item)); }
    void afterReadItem(TessarinItem *item) override
    {
        log.append(QStringLiteral("after:") + text(item));
        TessarinXMLDefReader::afterReadItem(item);
    }
    void addItem(TessarinItem *item, TessarinSection *section) override
    {
        log.append(QStringLiteral("add:") + text(item));
        TessarinXMLDefReader::addItem(item, section);
    }
    void afterAddItem(TessarinItem *item) override { log.append(QStringLiteral("added:") + item->section()->id()); }
    static QString text(TessarinItem *item) { return static_cast<ProbeItem *>(item)->m_text; }
    QStringList log;
};

} // namespace

class TestXmlDefReader : public QObject
{
    Q_OBJECT
private slots:
    void rootAndVersion_data();
    void rootAndVersion();
    void exampleDocument();
    void invalidDataSourceTypeStopsReading();
    void dataSourceObjects();
    void items();
    void fieldItemsAreListed();
    void repeatedSectionsLeaveNothingRegistered();
    void deepNestingIsSkipped();
    void optionsAreNotInherited();
    void fontWithoutNameStartsFromDefault();
};

void TestXmlDefReader::rootAndVersion_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("error");
    const QString old = QStringLiteral("Uncompatible Tessarin file version.");
    QTest::newRow("2.0") << "<Tessarin version=\"2.0\"/>" << QString();
    QTest::newRow("3") << "<Tessarin version=\"3\"/>" << QString();
    QTest::newRow("1.5") << "<Tessarin version=\"1.5\"/>" << old;
    QTest::newRow("10.0 compares as text") << "<Tessarin version=\"10.0\"/>" << old;
    QTest::newRow("no version") << "<Tessarin/>" << old;
    QTest::newRow("other root") << "<Report version=\"2.0\"/>" << old;
    QTest::newRow("malformed") << "<Tessarin version=\"2.0\"><options></Tessarin>"
                               << "Opening and ending tag mismatch.";
}

void TestXmlDefReader::rootAndVersion()
{
    QFETCH(QString, xml);
    QFETCH(QString, error);
    TessarinDef def;
    QString message;
    QCOMPARE(readDef(&def, xml, &message), error.isEmpty());
    QCOMPARE(message, error);
}

// The documented examples, in one document.
void TestXmlDefReader::exampleDocument()
{
    ScopedRegistration txt(QStringLiteral("txt"), probeSource(TessarinDataSource::Text));
    TessarinDef def;
    def.setConnectionID(QStringLiteral("conn"));
    def.addParameter(QStringLiteral("pre"), QStringLiteral("from application"));
    const QString xml = QStringLiteral(R"(<?xml version="1.0"?>
<Tessarin version="2.17.0" name="Invoices" type="textdoc">
 <parameters>
  <parameter id="flag" type="bool">TRUE</parameter><par id="one" type="bool">1</par>
  <par id="pre" type="string">from document</par>
 </parameters>
 <datasources>
  <datasource id="q" type="txt" allowEmpty="true" emptyIsForbidden="true" primaryKeyColumn="2" briefDesc="Orders"
              probe="p1">  a;b
  </datasource>
  <datasource id="c" type="txt" source="file" openRole="child" parentID="q" enabled="false">{TEMP}/l.txt</datasource>
  <datasource id="fp" type="txt" source="parameter" openRole="sub">pre</datasource>
  <datasource id="e" type="txt" emptyIsForbidden="true" source="nowhere" openRole="never"/>
 </datasources>
 <variables>
  <variable id="total" funcType="sum" scope="group" initValue="1234567">$D{q.amount}</variable>
  <variable id="cnt" funcType="bogus" scope="bogus"/>
 </variables>
 <scripts><script id="s1">return 1;</script></scripts>
 <pageheader height="12.5" hideIfBlank="yes" autoHeight="true"/>
 <htmltext><p>ignored</p></htmltext>
 <details>
  <detail datasource="q" datasource2="c" pageBreakExp="$V{x}>1">
   <items/>
   <groups>
    <group id="g1" groupExp="0" resetVariables="total" reprintHeader="true" startsOnNewPage="1" pageBreakExp="p">
     <groupheader height="7"/><groupfooter id="custom"/>
    </group>
    <group id="g2" groupExp="$D{q.a}"/>
   </groups>
  </detail>
  <detail id="second" datasource="missing"/>
  <detail/>
 </details>
 <page/>
</Tessarin>)");
    QString error;
    QVERIFY2(readDef(&def, xml, &error), qPrintable(error));
    QCOMPARE(def.option().reportName(), QStringLiteral("Invoices"));
    QCOMPARE(def.option().reportTypeName(), QStringLiteral("textdoc"));

    // Parameters: only "1" and "true" are true; the document's values win.
    QCOMPARE(def.parameter(QStringLiteral("flag")), QVariant(false));
    QCOMPARE(def.parameter(QStringLiteral("one")), QVariant(true));
    QCOMPARE(def.parameter(QStringLiteral("pre")), QVariant(QStringLiteral("from document")));

    auto *q = dynamic_cast<ProbeDataSource *>(def.dataSource(QStringLiteral("q")));
    QVERIFY(q);
    QCOMPARE(q->parent(), &def);
    QCOMPARE(q->specification(), QStringLiteral("a;b"));
    QVERIFY(q->allowEmpty());
    QCOMPARE(q->primaryKeyColumn(), 2);
    QCOMPARE(q->briefDescription(), QStringLiteral("Orders"));
    QCOMPARE(q->m_probe, QStringLiteral("p1"));
    QVERIFY(q->isEnabled());
    QCOMPARE(q->connectionID(), QStringLiteral("conn"));
    TessarinDataSource *c = def.dataSource(QStringLiteral("c"));
    QCOMPARE(c->locationType(), TessarinDataSource::File);
    QCOMPARE(c->rawFileName(), QStringLiteral("{TEMP}/l.txt"));
    QVERIFY(c->specification().isEmpty());
    QVERIFY(!c->isEnabled());
    QCOMPARE(c->parentDataSource(), q);
    TessarinDataSource *fp = def.dataSource(QStringLiteral("fp"));
    QCOMPARE(fp->specification(), QStringLiteral("from document"));
    QCOMPARE(fp->rawFileName(), QStringLiteral("pre"));
    QCOMPARE(fp->openRole(), TessarinDataSource::Sub);
    TessarinDataSource *e = def.dataSource(QStringLiteral("e"));
    QVERIFY(!e->allowEmpty());
    QCOMPARE(e->locationType(), TessarinDataSource::Static);
    QCOMPARE(e->openRole(), TessarinDataSource::Begin);

    TessarinVariable *total = def.variable(QStringLiteral("total"));
    QCOMPARE(total->function(), TessarinVariable::Sum);
    QCOMPARE(total->scope(), TessarinVariable::Group);
    QCOMPARE(total->initValue(), 1234567.0);
    QCOMPARE(total->expression(), QStringLiteral("$D{q.amount}"));
    QCOMPARE(def.variable(QStringLiteral("cnt"))->function(), TessarinVariable::Count);
    QCOMPARE(def.variable(QStringLiteral("cnt"))->scope(), TessarinVariable::Report);
    QCOMPARE(def.script(QStringLiteral("s1")), QStringLiteral("return 1;"));

    TessarinSection *ph = def.pageHeader();
    QCOMPARE(ph->id(), QStringLiteral("PH"));
    QCOMPARE(ph->metricHeight(), 12.5);
    QVERIFY(!ph->hideIfBlank());
    QVERIFY(ph->isAutoHeight());

    const QList<TessarinSection *> &details = def.details();
    QCOMPARE(details.size(), 3);
    QCOMPARE(details.at(0)->id(), QStringLiteral("Detail1"));
    QCOMPARE(details.at(1)->id(), QStringLiteral("second"));
    QCOMPARE(details.at(2)->id(), QStringLiteral("Detail3"));
    QCOMPARE(details.at(0)->dataSource(), q);
    QCOMPARE(details.at(0)->secondaryDatasourceID(), QStringLiteral("c"));
    QCOMPARE(details.at(0)->pageBreakExp(), QStringLiteral("$V{x}>1"));
    QVERIFY(!details.at(1)->dataSource());

    TessarinGroup *g1 = details.at(0)->groups().at(0);
    QCOMPARE(g1->expression(), QStringLiteral("%CONST"));
    QCOMPARE(g1->resetVarList(), QStringLiteral("total"));
    QVERIFY(g1->repeatHeaderOnNextPage() && g1->startsOnNewPage());
    QCOMPARE(g1->pageBreakExp(), QStringLiteral("p"));
    QCOMPARE(g1->header()->id(), QStringLiteral("GH_g1"));
    QCOMPARE(g1->header()->metricHeight(), 7.0);
    QCOMPARE(g1->footer()->id(), QStringLiteral("custom"));
    TessarinGroup *g2 = details.at(0)->groups().at(1);
    QCOMPARE(g2->nestedLevel(), qint16(1));
    QVERIFY(!g2->header() && !g2->footer());
}

void TestXmlDefReader::invalidDataSourceTypeStopsReading()
{
    ScopedRegistration txt(QStringLiteral("txt"), probeSource(TessarinDataSource::Text));
    TessarinDef def;
    QString error;
    QVERIFY(!readDef(&def, document(QStringLiteral(R"(
        <variables><variable id="v"/></variables>
        <datasources><datasource id="ok" type="txt"/><datasource id="bad" type="csv"/>
          <datasource id="late" type="txt"/></datasources>
        <scripts><script id="s">x</script></scripts>)")), &error));
    QCOMPARE(error, QStringLiteral("Invalid datasource type: csv"));
    // What came before the error stays; nothing after it is read.
    QVERIFY(def.variable(QStringLiteral("v")) && def.dataSource(QStringLiteral("ok")));
    QVERIFY(!def.dataSource(QStringLiteral("late")));
    QVERIFY(def.scripts().isEmpty());
}

// A known type without a registered class is skipped: the base class is
// abstract, so nothing honest could stand in for it.
void TestXmlDefReader::dataSourceObjects()
{
    ScopedRegistration txt(QStringLiteral("txt"), probeSource(TessarinDataSource::Text));
    ScopedRegistration xmlType(QStringLiteral("xml"), TessarinXMLRegistry::DataSourceConstructor());
    const QString doc = document(QStringLiteral(R"(<datasources>
        <datasource id="x" type="xml">ignored</datasource>
        <datasource id="mine" type="custom" source="file">data.txt</datasource>
        <datasource id="other" type="custom"/>
        <datasource id="keep" type="txt" probe="again">new</datasource>
        <datasource id="api" type="csv" probe="no">document</datasource></datasources>)"));
    Factory factory; // outlives the definition, which keeps its custom sources
    TessarinDef def;
    auto *kept = new ProbeDataSource(&def);
    kept->setID(QStringLiteral("keep"));
    def.addDataSource(kept);
    // The application configures this one: only "enabled" (missing: false) is taken.
    auto *api = new ProbeDataSource(&def);
    api->setID(QStringLiteral("api"));
    api->setUseApiOnly(true);
    def.addDataSource(api);
    def.setDataSourceFactory(&factory);
    QString error;
    QVERIFY2(readDef(&def, doc, &error), qPrintable(error));
    QVERIFY(!def.dataSource(QStringLiteral("x")));
    QCOMPARE(factory.asked, QStringList({"mine", "other"}));
    QCOMPARE(def.dataSource(QStringLiteral("mine"))->rawFileName(), QStringLiteral("data.txt"));
    QVERIFY(!def.dataSource(QStringLiteral("other")));
    QCOMPARE(def.dataSource(QStringLiteral("keep")), kept);
    QCOMPARE(kept->specification(), QStringLiteral("new"));
    QCOMPARE(kept->m_probe, QStringLiteral("again"));
    QVERIFY(!api->isEnabled());
    QVERIFY(api->specification().isEmpty());
    QCOMPARE(api->m_readCount, 0);
    QCOMPARE(def.dataSources().size(), 3);

    // The built-in factory creates no custom sources; a provider is asked
    // for every element, whatever its type.
    TessarinDef plain;
    QVERIFY(readDef(&plain, document(QStringLiteral("<datasources><datasource id=\"mine\" type=\"custom\"/></datasources>"))));
    QVERIFY(!plain.dataSource(QStringLiteral("mine")));
    Provider provider;
    TessarinDef provided;
    provided.setCustomDSProvider(&provider);
    QVERIFY(readDef(&provided, document(QStringLiteral(
                                   "<datasources><datasource id=\"s\" type=\"sql\"/><datasource id=\"m\" "
                                   "type=\"model\"/><datasource id=\"c\" type=\"custom\"/></datasources>"))));
    QCOMPARE(provider.asked, QStringList({"s:0", "m:4", "c:5"}));
    QVERIFY(!provided.dataSource(QStringLiteral("s")));
    QCOMPARE(provided.dataSource(QStringLiteral("m"))->dataSourceType(), TessarinDataSource::ItemModel);

    QVERIFY(!TessarinXMLRegistry::registerDataSource(QStringLiteral("csv"), probeSource(TessarinDataSource::Text)));
    QVERIFY(!TessarinXMLRegistry::registerDataSource(QStringLiteral("custom"), probeSource(TessarinDataSource::Custom)));
}

void TestXmlDefReader::items()
{
    ScopedRegistration probe(QStringLiteral("probe"), probeItem());
    ScopedRegistration attrOnly(QStringLiteral("attronly"), probeItem(true));
    ScopedRegistration chart(QStringLiteral("chart"), TessarinXMLRegistry::ItemConstructor());
    TessarinDef def;
    RecordingReader reader(&def);
    QVERIFY2(reader.read(nullptr, document(QStringLiteral(R"(
        <reportheader height="20">
          <probe id="a">A</probe>
          <chart id="chart"><series><probe id="in-chart"/></series></chart>
          <unknown><probe id="in-unknown"/></unknown>
          <attronly id="b">before<probe id="in-attronly"/>after</attronly>
          <probe id="c" dyn="true">C</probe>
        </reportheader>
        <details><detail><items><probe id="d"/></items>
          <groups><group id="g"><groupheader><probe id="e"/></groupheader></group></groups>
        </detail></details>
        <pagefooter height="3"/>)"))),
             qPrintable(reader.xml().errorString()));

    TessarinSection *rh = def.reportHeader();
    QCOMPARE(itemIds(rh), QStringList({"a", "b", "c"}));
    QCOMPARE(rh->reportItems().at(0)->reportDef(), &def);
    QCOMPARE(def.dynamicItems(), QList<TessarinItem *>({rh->reportItems().at(2)}));
    QCOMPARE(itemIds(def.details().at(0)), QStringList({"d"}));
    QCOMPARE(itemIds(def.details().at(0)->groups().at(0)->header()), QStringList({"e"}));
    // Reading went on correctly after the skipped content.
    QCOMPARE(def.pageFooter()->metricHeight(), 3.0);
    QCOMPARE(reader.log.mid(0, 8), QStringList({"before:", "after:A", "add:A", "added:RH", "before:", "after:",
                                                "add:", "added:RH"}));
}

// Field items are listed in the definition for the evaluator.
void TestXmlDefReader::fieldItemsAreListed()
{
    if (!TessarinXMLRegistry::hasItem(QStringLiteral("field")))
        QSKIP("no field item class in the library");
    TessarinDef def;
    QVERIFY(readDef(&def, document(QStringLiteral(
                              "<pageheader><field id=\"f\" resource=\"datasource\">$D{q.a}</field></pageheader>"
                              "<pageheader><field id=\"g\" resource=\"datasource\">$D{q.b}</field></pageheader>"))));
    const QList<TessarinItem *> &items = def.pageHeader()->reportItems();
    QCOMPARE(items.size(), 1);
    QCOMPARE(def.fieldItems().size(), 1);
    QCOMPARE(static_cast<void *>(def.fieldItems().first()), static_cast<void *>(items.first()));
}

// A repeated fixed section or group header replaces the first; the items the
// definition registered for the replaced one must go with it.
void TestXmlDefReader::repeatedSectionsLeaveNothingRegistered()
{
    ScopedRegistration probe(QStringLiteral("probe"), probeItem());
    TessarinDef def;
    QVERIFY(readDef(&def, document(QStringLiteral(R"(
        <pageheader><probe id="first" dyn="true"/></pageheader>
        <pageheader><probe id="second" dyn="true"/></pageheader>
        <details><detail><groups><group id="g">
          <groupheader><probe id="h1" dyn="true"/></groupheader>
          <groupheader><probe id="h2" dyn="true"/></groupheader>
        </group></groups></detail></details>)"))));
    QCOMPARE(itemIds(def.pageHeader()), QStringList({"second"}));
    TessarinSection *header = def.details().at(0)->groups().at(0)->header();
    QCOMPARE(itemIds(header), QStringList({"h2"}));
    QCOMPARE(def.groupSections(), QList<TessarinSection *>({header}));
    QCOMPARE(def.dynamicItems(),
             QList<TessarinItem *>({def.pageHeader()->reportItems().at(0), header->reportItems().at(0)}));
}

void TestXmlDefReader::deepNestingIsSkipped()
{
    ScopedRegistration probe(QStringLiteral("probe"), probeItem());
    const int depth = 200000;
    const QString nested = QStringLiteral("<n>").repeated(depth) + QStringLiteral("</n>").repeated(depth);
    TessarinDef def;
    QString error;
    QVERIFY2(readDef(&def, document(nested + QStringLiteral("<reportheader>") + nested
                                        + QStringLiteral("<probe id=\"after\"/></reportheader>"
                                                         "<scripts><script id=\"s\">ok</script></scripts>")),
                     &error),
             qPrintable(error));
    QCOMPARE(itemIds(def.reportHeader()), QStringList({"after"}));
    QCOMPARE(def.script(QStringLiteral("s")), QStringLiteral("ok"));
}

// Options that the writer leaves out when they hold their defaults must not
// keep the values of a definition read earlier into the same object.
void TestXmlDefReader::optionsAreNotInherited()
{
    TessarinDef def;
    QVERIFY(readDef(&def, document(QStringLiteral(R"(<options>
        <doublePass>true</doublePass><subReportOnNewPage>true</subReportOnNewPage>
        <dataTrimming>false</dataTrimming><updateOnlyCurrentDataSourceVariables>true</updateOnlyCurrentDataSourceVariables>
        <customdata>x</customdata><htmlHead>h</htmlHead><htmlBodyStyle>b</htmlBodyStyle></options>)"))));
    const TessarinPageOption &o = def.option();
    QVERIFY(o.isDoublePassMode() && o.subReportOnNewPage() && !o.isDataTrimming());
    def.reset(true);
    QVERIFY(readDef(&def, document(QStringLiteral("<options><encoding>UTF-8</encoding></options>"))));
    QVERIFY(!o.isDoublePassMode() && !o.subReportOnNewPage() && o.isDataTrimming());
    QVERIFY(!o.updateOnlyCurrentDataSourceVariables());
    QVERIFY(o.customData().isEmpty() && o.htmlHead().isEmpty());
    QCOMPARE(o.htmlBodyStyle(), QStringLiteral("{DEFAULT}"));
}

void TestXmlDefReader::fontWithoutNameStartsFromDefault()
{
    TessarinDef def;
    def.option().setDefaultFont(QFont(QStringLiteral("Arial"), 10));
    TessarinXMLDefReader reader(&def);
    reader.xml().addData(QStringLiteral("<label fontWeight=\"bold\" alignmentH=\"right\" alignmentV=\"center\"/>"));
    QVERIFY(reader.xml().readNextStartElement());
    QFont font(QStringLiteral("Courier"), 30);
    reader.readFont(font);
    QCOMPARE(font.family(), QStringLiteral("Arial"));
    QCOMPARE(font.pointSize(), 10);
    QCOMPARE(font.weight(), int(QFont::Bold));
    QCOMPARE(int(reader.readAlignment()), 0x82);
}

QTEST_MAIN(TestXmlDefReader)
#include "tst_xmldefreader.moc"
