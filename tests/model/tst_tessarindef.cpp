#include <QPointer>
#include <QtTest>

#include "tessarindatasource.h"
#include "tessarindatasourcefactory.h"
#include "tessarindef.h"
#include "tessaringraphrenderer.h"
#include "tessaringroup.h"
#include "tessarinitem.h"
#include "tessarinsection.h"
#include "tessarinvariable.h"
#include "fakedatasource.h"

namespace {

class FakeItem : public TessarinItem
{
public:
    explicit FakeItem(int *deletions) : m_deletions(deletions) {}
    ~FakeItem() override { ++*m_deletions; }
    QRectF boundingRect() const override { return QRectF(); }
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override {}

private:
    int *m_deletions;
};

QList<int> indexes(const QList<TessarinSection *> &sections)
{
    QList<int> result;
    for (const TessarinSection *s : sections)
        result.append(s->layoutIndex());
    return result;
}

} // namespace

class TestTessarinDef : public QObject
{
    Q_OBJECT
private slots:
    void fixedSections();
    void detailIndexesAndIds();
    void groupIndexes();
    void sortGroups();
    void removingGroupsAndDetails();
    void deletingSectionsForgetsTheirItems();
    void reset();
    void dataSources();
    void variablesTakeOrCopy();
    void zintFoundOnSearchPath();
};

void TestTessarinDef::fixedSections()
{
    TessarinDef def;
    QPointer<TessarinSection> first = def.addPageHeader();
    TessarinSection *second = def.addPageHeader();
    QVERIFY(first.isNull());
    QCOMPARE(def.pageHeader(), second);
    QCOMPARE(second->id(), QStringLiteral("PH"));
    QCOMPARE(second->type(), TessarinSection::PageHeader);
    QCOMPARE(indexes({second, def.addReportHeader(), def.addReportFooter(), def.addPageFooter()}),
             (QList<int>{1, 5, 999995, 999999}));

    def.removePageFooter();
    QVERIFY(!def.pageFooter());
    // Deleting a fixed section by pointer must not leave its slot dangling.
    def.deleteSection(def.reportHeader());
    QVERIFY(!def.reportHeader());
}

void TestTessarinDef::detailIndexesAndIds()
{
    TessarinDef def;
    TessarinSection *d1 = def.addDetail();
    TessarinSection *d2 = def.addDetail();
    d2->setID(QStringLiteral("orders"));
    TessarinSection *d3 = def.addDetail();
    QCOMPARE(indexes(def.details()), (QList<int>{150, 250, 350}));
    QCOMPARE(d1->id(), QStringLiteral("Detail1"));
    QCOMPARE(d3->id(), QStringLiteral("Detail3"));

    // Removing does not renumber until reindexDetails(); given ids survive it.
    def.removeDetail(d1);
    QCOMPARE(indexes(def.details()), (QList<int>{250, 350}));
    def.reindexDetails();
    QCOMPARE(indexes(def.details()), (QList<int>{150, 250}));
    QCOMPARE(d2->id(), QStringLiteral("orders"));
    QCOMPARE(d3->id(), QStringLiteral("Detail3"));
}

void TestTessarinDef::groupIndexes()
{
    TessarinDef def;
    TessarinSection *detail = def.addDetail();
    TessarinGroup *outer = def.addGroup(detail);
    TessarinGroup *inner = def.addGroup(detail);
    QCOMPARE(inner->nestedLevel(), qint16(1));
    TessarinSection *oh = def.addGroupHeader(outer);
    TessarinSection *of = def.addGroupFooter(outer);
    TessarinSection *ih = def.addGroupHeader(inner);
    TessarinSection *iF = def.addGroupFooter(inner);
    QCOMPARE(indexes({oh, ih, iF, of}), (QList<int>{101, 102, 198, 199}));
    QCOMPARE(oh->relatedGroup(), outer);
    QCOMPARE(def.groupHeaderIndex(nullptr, 0), -1);

    // A detail in front moves the group sections along.
    TessarinSection *first = def.addDetail();
    def.clearDetails();
    def.appendDetails(first);
    def.appendDetails(detail);
    def.reindexDetails();
    QCOMPARE(indexes({oh, ih, detail, iF, of}), (QList<int>{201, 202, 250, 298, 299}));

    // A second header replaces the first instead of leaking it.
    QPointer<TessarinSection> old = oh;
    QCOMPARE(def.addGroupHeader(outer)->layoutIndex(), 201);
    QVERIFY(old.isNull());
    QCOMPARE(def.groupSections().size(), 4);

    // A group outside its detail's list sits just outside the detail's range.
    TessarinGroup loose;
    loose.setDetail(detail);
    QCOMPARE(def.addGroupHeader(&loose)->layoutIndex(), 200);
    QCOMPARE(def.addGroupFooter(&loose)->layoutIndex(), 300);
    def.removeGroupHeader(&loose);
    def.removeGroupFooter(&loose);
    QCOMPARE(def.groupSections().size(), 4);
}

void TestTessarinDef::sortGroups()
{
    TessarinDef def;
    TessarinSection *detail = def.addDetail();
    TessarinGroup *a = def.addGroup(detail);
    TessarinGroup *b = def.addGroup(detail);
    TessarinGroup *c = def.addGroup(detail);
    a->setNestedLevel(2);
    b->setNestedLevel(0);
    c->setNestedLevel(1);
    TessarinSection *ah = def.addGroupHeader(a);
    TessarinSection *af = def.addGroupFooter(a);
    def.sortGroups(detail);
    QCOMPARE(detail->groups(), (QList<TessarinGroup *>{b, c, a}));
    QCOMPARE(indexes({ah, af}), (QList<int>{103, 197}));

    // Levels 1, 1, 0: not all distinct, nothing changes.
    b->setNestedLevel(1);
    c->setNestedLevel(1);
    a->setNestedLevel(0);
    def.sortGroups(detail);
    QCOMPARE(detail->groups(), (QList<TessarinGroup *>{b, c, a}));
}

void TestTessarinDef::removingGroupsAndDetails()
{
    TessarinDef def;
    TessarinSection *detail = def.addDetail();
    TessarinSection *other = def.addDetail();
    for (int i = 0; i < 3; ++i) {
        TessarinGroup *g = def.addGroup(detail);
        def.addGroupHeader(g);
        def.addGroupFooter(g);
    }
    TessarinGroup *otherGroup = def.addGroup(other);
    def.addGroupHeader(otherGroup);
    def.removeGroup(detail, otherGroup); // belongs to the other detail
    QCOMPARE(other->groups().size(), 1);

    def.removeAllGroups(detail);
    QVERIFY(detail->groups().isEmpty());
    QCOMPARE(def.groupSections().size(), 1);

    // Removing a detail takes its groups' sections along, also through
    // deleteSection(), so no section is left with a deleted group.
    def.removeDetail(other);
    QVERIFY(def.groupSections().isEmpty());
    def.addGroupFooter(def.addGroup(detail));
    def.deleteSection(detail);
    QVERIFY(def.details().isEmpty());
    QVERIFY(def.groupSections().isEmpty());
}

void TestTessarinDef::deletingSectionsForgetsTheirItems()
{
    int deleted = 0;
    TessarinDef def;
    auto addItem = [&](TessarinSection *section) {
        auto *item = new FakeItem(&deleted);
        section->addItemForEngine(item);
        def.addDynamicItem(item);
        return item;
    };
    TessarinSection *header = def.addPageHeader();
    addItem(header);
    QCOMPARE(def.dynamicItems().first()->section(), header);
    TessarinSection *detail = def.addDetail();
    TessarinItem *c = addItem(detail);
    TessarinGroup *group = def.addGroup(detail);
    addItem(def.addGroupHeader(group));

    def.addPageHeader();
    QCOMPARE(deleted, 1);
    QCOMPARE(def.dynamicItems().size(), 2);
    def.removeGroupHeader(group);
    QCOMPARE(def.dynamicItems(), (QList<TessarinItem *>{c}));
    def.removeDetail(detail);
    QCOMPARE(deleted, 3);
    QVERIFY(def.dynamicItems().isEmpty());
}

void TestTessarinDef::reset()
{
    TessarinDef def;
    def.addPageHeader();
    def.addGroupHeader(def.addGroup(def.addDetail()));
    auto *var = new TessarinVariable;
    def.addVariable(var);
    def.addParameter(QStringLiteral("p"), 1);
    def.addStringList(QStringLiteral("names"), {QStringLiteral("a")});
    def.addScript(QStringLiteral("s"), QStringLiteral("1+1"));
    def.addUserFunction(QStringLiteral("fn"), nullptr);
    TessarinGraphRenderer renderer;
    renderer.setId(7);
    def.addGraphItemRenderer(&renderer);
    QPointer<FakeDataSource> sql = new FakeDataSource(QStringLiteral("q"), TessarinDataSource::SQL);
    QPointer<FakeDataSource> custom = new FakeDataSource(QStringLiteral("c"), TessarinDataSource::Custom);
    def.addDataSources({sql, custom});

    def.reset(false);
    QVERIFY(!def.pageHeader());
    QVERIFY(def.details().isEmpty() && def.groupSections().isEmpty() && def.variables().isEmpty());
    QCOMPARE(def.parameter(QStringLiteral("p")), QVariant(1));
    QCOMPARE(def.stringLists().size(), 1);
    QCOMPARE(def.userFunctions().size(), 1);
    QCOMPARE(def.itemRenderers().value(QStringLiteral("7")), &renderer);
    QCOMPARE(def.script(QStringLiteral("s")), QStringLiteral("1+1"));
    QVERIFY(sql.isNull());
    QCOMPARE(def.dataSource(QStringLiteral("c")), custom.data());

    def.reset(true);
    QVERIFY(def.parameters().isEmpty() && def.stringLists().isEmpty());
    QVERIFY(def.userFunctions().isEmpty() && def.itemRenderers().isEmpty());
    QCOMPARE(def.dataSource(QStringLiteral("c")), custom.data());
    def.reset(false, false, false, false, false);
    QVERIFY(custom.isNull());
}

void TestTessarinDef::dataSources()
{
    TessarinDef def;
    QVERIFY(!def.dataSource(QStringLiteral("none")));
    QVERIFY(!def.parameter(QStringLiteral("none")).isValid());
    QVERIFY(!def.variable(QStringLiteral("none")));

    QPointer<FakeDataSource> owned = new FakeDataSource(QStringLiteral("a"));
    def.addDataSource(owned);
    FakeDataSource sameId(QStringLiteral("a"));
    def.removeDataSource(&sameId); // not the registered object: nothing happens
    QCOMPARE(def.dataSource(QStringLiteral("a")), owned.data());
    def.removeDataSource(owned);
    QVERIFY(owned.isNull());

    FakeDataSource begin(QStringLiteral("b"), TessarinDataSource::Text, TessarinDataSource::Begin);
    FakeDataSource child1(QStringLiteral("c1"), TessarinDataSource::XML, TessarinDataSource::Child);
    FakeDataSource child2(QStringLiteral("c2"), TessarinDataSource::SQL, TessarinDataSource::Child);
    def.addDataSources({&begin, &child1, &child2});
    QStringList children = def.dataSourceIdList(TessarinDataSource::Child);
    children.sort();
    QCOMPARE(children, (QStringList{QStringLiteral("c1"), QStringLiteral("c2")}));
    QVERIFY(def.dataSourceIdList(TessarinDataSource::Sub).isEmpty());
    // With the delete flag off, non-custom sources are dropped, not deleted.
    def.setDeleteDataSources(false);
    def.removeDataSources(true);
    QVERIFY(def.dataSources().isEmpty());

    // removeDataSources(false) deletes whatever the flag says.
    QPointer<FakeDataSource> x = new FakeDataSource(QStringLiteral("x"));
    def.addDataSource(x);
    def.removeDataSources(false);
    QVERIFY(x.isNull());

    // Resetting the factory restores the built-in one, which creates nothing.
    QVERIFY(!def.dataSourceFactory().createCustomDataSource(QStringLiteral("any")));
    struct Factory : TessarinDataSourceFactory {
        TessarinDataSource *createCustomDataSource(const QString &) override { return nullptr; }
    } factory;
    def.setDataSourceFactory(&factory);
    QCOMPARE(&def.dataSourceFactory(), &factory);
    def.setDataSourceFactory(nullptr);
    QVERIFY(&def.dataSourceFactory() != &factory);
}

void TestTessarinDef::variablesTakeOrCopy()
{
    TessarinDef def;
    auto *first = new TessarinVariable;
    first->setID(QStringLiteral("v"));
    QCOMPARE(def.addVariable(first), first);
    auto *second = new TessarinVariable;
    second->setID(QStringLiteral("v"));
    second->setFunction(TessarinVariable::Sum);
    QCOMPARE(def.addVariable(second), first);
    QCOMPARE(def.variables().size(), 1);
    QCOMPARE(first->function(), TessarinVariable::Sum);
    delete second; // not taken: the caller frees it

    // Removing through a copy deletes the stored object, not the copy.
    TessarinVariable copy(*first);
    def.removeVariable(&copy);
    QVERIFY(def.variables().isEmpty());
}

void TestTessarinDef::zintFoundOnSearchPath()
{
#ifdef Q_OS_WIN
    QSKIP("looked up in the registry on Windows");
#else
    QTemporaryDir dir;
    const QByteArray oldPath = qgetenv("PATH");
    auto restore = qScopeGuard([&] { qputenv("PATH", oldPath); });
    qputenv("PATH", dir.path().toLocal8Bit());
    QVERIFY(TessarinDef::zintInstallPath().isEmpty());

    QFile program(dir.filePath(QStringLiteral("zint")));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.close();
    program.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QCOMPARE(TessarinDef().zintPath(), QFileInfo(dir.path()).absoluteFilePath());
#endif
}

QTEST_MAIN(TestTessarinDef)
#include "tst_tessarindef.moc"
