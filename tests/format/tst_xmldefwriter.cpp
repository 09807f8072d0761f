#include <QtTest>

#include "formattestsupport.h"

#include "tessaringroup.h"
#include "tessarinvariable.h"

#include <limits>

using namespace FormatTest;

namespace {

void addVariable(TessarinDef &def, const QString &id, TessarinVariable::FunctionType function,
                 TessarinVariable::ResetScope scope, double init)
{
    auto *var = new TessarinVariable;
    var->setID(id);
    var->setFunction(function);
    var->setScope(scope);
    var->setInitValue(init);
    var->setExpression(QStringLiteral("$D{q.") + id + QLatin1Char('}'));
    def.addVariable(var);
}

ProbeDataSource *addSource(TessarinDef &def, const QString &id, TessarinDataSource::LocationType location,
                           const QString &text)
{
    auto *ds = new ProbeDataSource(&def);
    ds->setID(id);
    ds->setLocationType(location);
    ds->setSpecification(QStringLiteral("spec of ") + text);
    ds->setFileName(text);
    def.addDataSource(ds);
    return ds;
}

ProbeItem *addItem(TessarinSection *section, const QString &id, double z, bool dynamic = false)
{
    auto *item = new ProbeItem(nullptr);
    item->m_probeId = id;
    item->m_text = id;
    item->m_dynamic = dynamic;
    item->setZValue(z);
    section->addItemForEngine(item);
    return item;
}

// Every kind of section, groups with and without header and footer,
// variables, scripts, and sources of every location.
void fillDefinition(TessarinDef &def)
{
    def.option().setReportName(QStringLiteral("Přehled objednávek"));
    def.option().setDoublePassMode(true);
    addSource(def, QStringLiteral("orders"), TessarinDataSource::Static, QStringLiteral("o"))->m_probe =
        QStringLiteral("own");
    ProbeDataSource *lines = addSource(def, QStringLiteral("lines"), TessarinDataSource::File, QStringLiteral("{TEMP}/l"));
    lines->setOpenRole(TessarinDataSource::Child);
    lines->setParentId(QStringLiteral("orders"));
    lines->setAllowEmpty(false);
    lines->setPrimaryKeyColumn(2);
    lines->setBriefDescription(QStringLiteral("Order lines"));
    addSource(def, QStringLiteral("byParam"), TessarinDataSource::Parameter, QStringLiteral("p1"))->setEnabled(false);
    addVariable(def, QStringLiteral("sum"), TessarinVariable::Sum, TessarinVariable::Group, 1234567);
    addVariable(def, QStringLiteral("min"), TessarinVariable::Min, TessarinVariable::Report, 0);
    addVariable(def, QStringLiteral("cnt"), TessarinVariable::Count, TessarinVariable::Page, 3);
    def.addScript(QStringLiteral("b"), QStringLiteral("return \"<b>\" & 1;"));
    def.addScript(QStringLiteral("a"), QStringLiteral("x = 1;\nreturn x;"));

    TessarinSection *ph = def.addPageHeader();
    ph->setMetricHeight(12.5);
    ph->setPrintWhenExp(QStringLiteral("$V{PAGE}>1"));
    addItem(ph, QStringLiteral("t1"), 1);
    addItem(ph, QStringLiteral("t0"), 0, true);
    def.addPageFooter()->setHideIfBlank(true);
    TessarinSection *rh = def.addReportHeader();
    rh->setCheckRole(TessarinSection::CheckSectionPlusTolerance);
    rh->setOrphanedTolaranceMM(7.5);
    def.addReportFooter()->setAlternateRowBackgroundMode(TessarinSection::AlternateRowOdd);

    TessarinSection *detail = def.addDetail();
    detail->setDataSourceId(QStringLiteral("orders"));
    detail->setSecondaryDatasourceID(QStringLiteral("lines"));
    detail->setPageBreakExp(QStringLiteral("$D{orders.new}"));
    addItem(detail, QStringLiteral("d1"), 0);
    TessarinGroup *outer = def.addGroup(detail);
    outer->setId(QStringLiteral("customer"));
    outer->setGroupExp(QStringLiteral("$D{orders.customer}"));
    outer->setResetVarList(QStringLiteral("sum"));
    outer->setReprintHeaderOnNextPage(true);
    outer->setPageBreakExp(QStringLiteral("1"));
    // Group sections get their ids when read; set them as reading would.
    TessarinSection *header = def.addGroupHeader(outer);
    header->setID(QStringLiteral("GH_customer"));
    addItem(header, QStringLiteral("gh"), 0);
    def.addGroupFooter(outer)->setID(QStringLiteral("GF_customer"));
    TessarinGroup *inner = def.addGroup(detail);
    inner->setId(QStringLiteral("whole"));
    inner->setGroupExp(QStringLiteral("%CONST"));
    def.addGroupFooter(inner)->setID(QStringLiteral("totals"));
    def.addDetail()->setDataSourceId(QStringLiteral("byParam"));
}

} // namespace

class TestXmlDefWriter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void emptyDefinition();
    void documentedForms();
    void exactInitialValues();
    void sameDefinitionSameBytes();
    void itemsBottomFirst();
    void roundTrip_data();
    void roundTrip();

private:
    QList<ScopedRegistration *> m_registered;
};

void TestXmlDefWriter::initTestCase()
{
    m_registered << new ScopedRegistration(QStringLiteral("probe"), probeItem())
                 << new ScopedRegistration(QStringLiteral("txt"), probeSource(TessarinDataSource::Text));
}

void TestXmlDefWriter::cleanupTestCase()
{
    qDeleteAll(m_registered);
}

void TestXmlDefWriter::emptyDefinition()
{
    TessarinDef def;
    def.option().setReportName(QStringLiteral("Empty"));
    const QByteArray out = writeDef(&def);
    QVERIFY(out.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<Tessarin version=\"2.17.0\" name=\"Empty\" type=\"report\">\n    <options>\n"));
    QVERIFY(out.endsWith("    </options>\n    <datasources/>\n    <variables/>\n    <scripts/>\n    <details/>\n"
                         "</Tessarin>\n"));
}

void TestXmlDefWriter::documentedForms()
{
    TessarinDef def;
    def.addParameter(QStringLiteral("p"), 1);
    def.addReportHeader()->setMetricHeight(12.5);
    addVariable(def, QStringLiteral("v"), TessarinVariable::Average, TessarinVariable::Page, 0);
    ProbeDataSource *f = addSource(def, QStringLiteral("f"), TessarinDataSource::File, QStringLiteral("a.txt"));
    f->setParentId(QStringLiteral("q"));
    f->setAllowEmpty(false);
    f->setPrimaryKeyColumn(3);
    f->setOpenRole(TessarinDataSource::Group);
    f->setBriefDescription(QStringLiteral("B"));
    f->m_probe = QStringLiteral("x");
    addSource(def, QStringLiteral("q"), TessarinDataSource::Static, QStringLiteral("q"));
    // Numbers past the named ones (still inside the enumerations' range).
    ProbeDataSource *odd = addSource(def, QStringLiteral("u"), TessarinDataSource::LocationType(7), QString());
    odd->setDataSourceType(TessarinDataSource::DataSourceType(7));
    TessarinSection *detail = def.addDetail();
    TessarinGroup *group = def.addGroup(detail);
    group->setId(QStringLiteral("g"));
    group->setGroupExp(QStringLiteral("$D{q.a}"));

    const QByteArray out = writeDef(&def);
    QVERIFY(out.contains("<reportheader id=\"RH\" height=\"12.500\"/>"));
    QVERIFY(out.contains("<variable id=\"v\" type=\"num\" funcType=\"average\" scope=\"page\" initValue=\"0\">"));
    QVERIFY(out.contains("<datasource id=\"f\" parentID=\"q\" allowEmpty=\"false\" primaryKeyColumn=\"3\" "
                         "enabled=\"true\" type=\"txt\" openRole=\"group\" source=\"file\" briefDesc=\"B\" "
                         "probe=\"x\">a.txt</datasource>"));
    QVERIFY(out.contains("<datasource id=\"q\" allowEmpty=\"true\" enabled=\"true\" type=\"txt\" openRole=\"begin\" "
                         "source=\"static\">spec of q</datasource>"));
    QVERIFY(out.contains("<datasource id=\"u\" allowEmpty=\"true\" enabled=\"true\" type=\"custom\" "
                         "openRole=\"begin\" source=\"\"/>"));
    QVERIFY(out.contains("<group id=\"g\" groupExp=\"$D{q.a}\" resetVariables=\"\" reprintHeader=\"false\" "
                         "startsOnNewPage=\"false\"/>"));
    // A detail without data source runs on the first one, and keeps it.
    QVERIFY(out.contains("<detail id=\"Detail1\" height=\"10.000\" datasource=\"f\">"));
    QCOMPARE(detail->dataSource(), def.dataSource(QStringLiteral("f")));
    QVERIFY(!out.contains("emptyIsForbidden"));
    QVERIFY(!out.contains("<par"));
}

// Six significant digits would turn 1234567 into 1.23457e+06.
void TestXmlDefWriter::exactInitialValues()
{
    const QList<double> values = {1234567, 0.1, 1.0 / 3.0, 1e-300, -98765.4321};
    TessarinDef def;
    for (int i = 0; i < values.size(); ++i)
        addVariable(def, QStringLiteral("v%1").arg(i), TessarinVariable::Sum, TessarinVariable::Report, values.at(i));
    addVariable(def, QStringLiteral("min"), TessarinVariable::Min, TessarinVariable::Report, 0);
    const QByteArray bytes = writeDef(&def);
    QVERIFY(bytes.contains("initValue=\"1234567\""));
    QVERIFY(bytes.contains("initValue=\"0.1\""));
    QVERIFY(bytes.contains("initValue=\"1.7976931348623157e+308\""));
    TessarinDef back;
    QVERIFY(readDefBytes(&back, bytes));
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(back.variable(QStringLiteral("v%1").arg(i))->initValue(), values.at(i));
    QCOMPARE(back.variable(QStringLiteral("min"))->initValue(), std::numeric_limits<double>::max());
}

// Hash tables have no order; the document must not inherit it.
void TestXmlDefWriter::sameDefinitionSameBytes()
{
    QStringList ids;
    for (int i = 0; i < 40; ++i)
        ids.append(QStringLiteral("id%1").arg(i, 2, 10, QLatin1Char('0')));
    auto build = [](TessarinDef &def, const QStringList &order) {
        for (const QString &id : order) {
            addSource(def, id, TessarinDataSource::Static, id);
            addVariable(def, id, TessarinVariable::Sum, TessarinVariable::Report, 0);
            def.addScript(id, id);
        }
    };
    TessarinDef a;
    TessarinDef b;
    build(a, ids);
    std::reverse(ids.begin(), ids.end());
    build(b, ids);
    const QByteArray bytes = writeDef(&a);
    QCOMPARE(writeDef(&b), bytes);
    QVERIFY(bytes.indexOf("<datasource id=\"id00\"") < bytes.indexOf("<datasource id=\"id01\""));
    QVERIFY(bytes.indexOf("<variable id=\"id38\"") < bytes.indexOf("<variable id=\"id39\""));
    QVERIFY(bytes.indexOf("<script id=\"id09\"") < bytes.indexOf("<script id=\"id10\""));
}

void TestXmlDefWriter::itemsBottomFirst()
{
    TessarinDef def;
    TessarinSection *rh = def.addReportHeader();
    ProbeItem *top = addItem(rh, QStringLiteral("top"), 2);
    addItem(rh, QStringLiteral("bottom"), -1);
    addItem(rh, QStringLiteral("sameA"), 0);
    addItem(rh, QStringLiteral("sameB"), 0);
    const QByteArray bytes = writeDef(&def);
    const QList<int> at = {bytes.indexOf("id=\"bottom\""), bytes.indexOf("id=\"sameA\""), bytes.indexOf("id=\"sameB\""),
                           bytes.indexOf("id=\"top\"")};
    QVERIFY(at.first() > 0);
    QVERIFY(std::is_sorted(at.begin(), at.end()));
    QCOMPARE(top->m_savedCount, 1);
    QCOMPARE(rh->reportItems().first(), top);
}

void TestXmlDefWriter::roundTrip_data()
{
    QTest::addColumn<QByteArray>("codec");
    QTest::newRow("UTF-8") << QByteArray("UTF-8");
    QTest::newRow("windows-1250") << QByteArray("windows-1250");
    QTest::newRow("ISO-8859-2") << QByteArray("ISO-8859-2");
}

void TestXmlDefWriter::roundTrip()
{
    QFETCH(QByteArray, codec);
    TessarinDef def;
    fillDefinition(def);
    const QByteArray first = writeDef(&def, codec.constData());
    QVERIFY(first.startsWith("<?xml version=\"1.0\" encoding=\"" + codec + "\"?>"));

    TessarinDef back;
    QVERIFY(readDefBytes(&back, first));
    QCOMPARE(back.option().reportName(), def.option().reportName());
    QCOMPARE(back.details().at(0)->groups().size(), 2);
    QCOMPARE(back.dynamicItems().size(), 1);
    QCOMPARE(back.dataSource(QStringLiteral("lines"))->parentDataSource(), back.dataSource(QStringLiteral("orders")));
    QCOMPARE(back.script(QStringLiteral("b")), def.script(QStringLiteral("b")));
    QCOMPARE(back.reportHeader()->checkRole(), TessarinSection::CheckSectionPlusTolerance);
    QCOMPARE(writeDef(&back, codec.constData()), first);
}

QTEST_MAIN(TestXmlDefWriter)
#include "tst_xmldefwriter.moc"
