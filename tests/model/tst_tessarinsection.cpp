#include <QtTest>

#include "tessarindatasource.h"
#include "tessarindef.h"
#include "tessarindata.h"
#include "tessaringroup.h"
#include "tessarinsection.h"
#include "fakedatasource.h"

namespace {

class RowSource : public FakeDataSource
{
public:
    RowSource() : FakeDataSource(QStringLiteral("rows")) {}
};

} // namespace

// Sections, groups and the named values they build on.
class TestTessarinSection : public QObject
{
    Q_OBJECT
private slots:
    void captions();
    void snapping_data();
    void snapping();
    void groupChangesAndMetaInfo();
    void groupReset();
    void dataIdsAndTypes();
};

void TestTessarinSection::captions()
{
    TessarinDef def;
    TessarinSection *detail = def.addDetail();
    TessarinGroup *group = def.addGroup(detail);
    group->setId(QStringLiteral("g1"));
    TessarinSection *footer = def.addGroupFooter(group);
    QCOMPARE(footer->caption(), QStringLiteral("Group footer [Detail1.g1]"));
    QCOMPARE(def.addGroupHeader(group)->caption(), QStringLiteral("Group header [Detail1.g1]"));
    QCOMPARE(detail->caption(), QStringLiteral("Detail [Detail1]"));
    QCOMPARE(def.addReportFooter()->caption(), QStringLiteral("Report footer"));

    TessarinSection loose;
    loose.setType(TessarinSection::GroupHeader);
    QCOMPARE(loose.caption(), QStringLiteral("Group header"));
    loose.setType(TessarinSection::SectionType(12));
    QVERIFY(loose.caption().isNull());
}

void TestTessarinSection::snapping_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("delta");
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("expected");
    QTest::newRow("off truncates") << false << 6 << 13.9 << 13;
    QTest::newRow("half towards zero") << true << 6 << 15.0 << 12;
    QTest::newRow("up") << true << 6 << 16.0 << 18;
    QTest::newRow("negative") << true << 6 << -16.0 << -18;
    QTest::newRow("negative half") << true << 6 << -15.0 << -12;
    QTest::newRow("zero step") << true << 0 << 13.0 << 13;
}

void TestTessarinSection::snapping()
{
    QFETCH(bool, on);
    QFETCH(int, delta);
    QFETCH(double, x);
    QFETCH(int, expected);
    TessarinSection s;
    s.setSnapX(on);
    s.setDeltaX(delta);
    s.setSnapY(on);
    s.setDeltaY(delta);
    QCOMPARE(s.snapToX(x), expected);
    QCOMPARE(s.snapToY(x), expected);
    QCOMPARE(s.snapToPoint(QPointF(x, x)), QPointF(expected, expected));
}

void TestTessarinSection::groupChangesAndMetaInfo()
{
    TessarinSection detail;
    RowSource rows;
    detail.setDataSource(&rows);
    TessarinGroup g;
    g.setDetail(&detail);
    QCOMPARE(g.currentValue(), QStringLiteral("**CC**"));

    rows.row = 0;
    g.setValue(QStringLiteral("A"));
    QVERIFY(g.isGroupChanged());
    QCOMPARE(g.counter(), 1);

    rows.row = 1;
    g.setValue(QStringLiteral("A"));
    QVERIFY(!g.isGroupChanged());
    QCOMPARE(g.counter(), 2);
    QCOMPARE(g.currentMetaInfo().startRow, 0);
    QCOMPARE(g.currentMetaInfo().endRow, 1);
    QCOMPARE(g.currentMetaInfo().endValue, QStringLiteral("A"));

    rows.row = 2;
    g.setValue(QStringLiteral("B"));
    QVERIFY(g.isGroupChanged());
    QCOMPARE(g.counter(), 1);
    QCOMPARE(g.value(), QStringLiteral("B"));
    QCOMPARE(g.lastMetaInfo().startRow, 0);
    QCOMPARE(g.lastMetaInfo().endRow, 1);
    QCOMPARE(g.lastMetaInfo().startValue, QStringLiteral("A"));
    // The new group spans its first row only, not the previous group's end.
    QCOMPARE(g.currentMetaInfo().startRow, 2);
    QCOMPARE(g.currentMetaInfo().endRow, 2);

    // A one-row group hands over its own range.
    rows.row = 3;
    g.setValue(QStringLiteral("C"));
    QCOMPARE(g.lastMetaInfo().startRow, 2);
    QCOMPARE(g.lastMetaInfo().endRow, 2);
    QCOMPARE(g.lastMetaInfo().endValue, QStringLiteral("B"));

    // Without a data source the rows are unknown.
    TessarinGroup bare;
    bare.setValue(QStringLiteral("x"));
    QCOMPARE(bare.currentMetaInfo().startRow, -1);
}

void TestTessarinSection::groupReset()
{
    TessarinGroup g;
    g.setValue(QStringLiteral("A"));
    g.setValue(QStringLiteral("A"));
    g.reset();
    QCOMPARE(g.currentValue(), QStringLiteral("**CC**"));
    QVERIFY(g.isGroupChanged());
    QCOMPARE(g.counter(), 0);
    QVERIFY(g.currentMetaInfo().startValue.isEmpty());
    g.setValue(QStringLiteral("A"));
    QVERIFY(g.isGroupChanged()); // first value after a reset is a change
}

void TestTessarinSection::dataIdsAndTypes()
{
    TessarinData d;
    QCOMPARE(d.id(), QStringLiteral("0"));
    QCOMPARE(d.dataType(), TessarinData::Custom);
    d.setID(QStringLiteral("%"));
    QCOMPARE(d.id().size(), 5);
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-Z]{5}$")).match(d.id()).hasMatch());
    d.setID(QStringLiteral("%x"));
    QCOMPARE(d.id(), QStringLiteral("%x"));

    d.setDataType(QStringLiteral("DateTime"));
    QCOMPARE(d.typeName(), QStringLiteral("datetime"));
    d.setDataType(QStringLiteral("decimal")); // unknown: unchanged
    QCOMPARE(d.dataType(), TessarinData::DateTime);
    d.setDataType(TessarinData::DataType(42));
    QCOMPARE(d.typeName(), QStringLiteral("cust"));
}

QTEST_MAIN(TestTessarinSection)
#include "tst_tessarinsection.moc"
