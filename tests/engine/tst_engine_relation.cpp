#include "enginetestutil.h"
#include "tessarinrelationnode_p.h"

#include <QtTest>

namespace {
// Opens sources the way a run does: open, then onto the first row.
class Host : public TessarinRelationHost
{
public:
    QStringList opened;
    bool openDataSource(TessarinDataSource *ds) override
    {
        opened.append(ds->id());
        return ds->open() && (ds->first() || ds->allowEmpty());
    }
    TessarinEvaluator *relationEvaluator() const override { return nullptr; }
};

TableSource *source(QObject *parent, const QString &id, TessarinDataSource::OpenRoles role,
                    const QString &parentId = QString())
{
    auto *ds = new TableSource(id, {QStringLiteral("key")}, {{QStringLiteral("1")}}, parent);
    ds->setOpenRole(role);
    ds->setParentId(parentId);
    return ds;
}

QHash<QString, TessarinDataSource *> hashOf(const QList<TessarinDataSource *> &list)
{
    QHash<QString, TessarinDataSource *> hash;
    for (TessarinDataSource *ds : list)
        hash.insert(ds->id(), ds);
    return hash;
}
}

class TestEngineRelation : public QObject
{
    Q_OBJECT
private slots:
    void buildFailures_data();
    void buildFailures();
    void longChainAttachesCompletely();
    void onlyRowSourcesJoinTheTree();
    void childRowsAreWalkedBeforeTheMasterMoves();
    void allChildrenFollowTheMaster();
    void firstAndLastPositionTheWholeSubtree();
};

void TestEngineRelation::buildFailures_data()
{
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("roles"); // b(egin) c(hild) g(roup) s(ub) d(isabled child)
    QTest::addColumn<QStringList>("parents");
    QTest::addColumn<QString>("message");

    QTest::newRow("parent id not found") << QStringList{"orders", "lines"} << QStringList{"b", "c"}
                                         << QStringList{"", "ordrs"}
                                         << "Invalid child data source, \"ordrs\" parent id not found";
    QTest::newRow("cycle") << QStringList{"a", "b", "top"} << QStringList{"c", "c", "b"}
                           << QStringList{"b", "a", ""}
                           << "Could not open data source relation at data source a";
    QTest::newRow("self") << QStringList{"a", "top"} << QStringList{"c", "b"} << QStringList{"a", ""}
                          << "Could not open data source relation at data source a";
    QTest::newRow("master is a group source") << QStringList{"g", "kid"} << QStringList{"g", "c"}
                                              << QStringList{"", "g"}
                                              << "Could not open data source relation at data source kid";
    QTest::newRow("master is disabled") << QStringList{"m", "kid"} << QStringList{"d", "c"}
                                        << QStringList{"", "m"}
                                        << "Could not open data source relation at data source kid";
}

void TestEngineRelation::buildFailures()
{
    QFETCH(QStringList, ids);
    QFETCH(QStringList, roles);
    QFETCH(QStringList, parents);
    QFETCH(QString, message);

    QObject owner;
    QList<TessarinDataSource *> list;
    for (int i = 0; i < ids.size(); ++i) {
        const QString role = roles.at(i);
        auto *ds = source(&owner, ids.at(i),
                          role == "c" ? TessarinDataSource::Child
                                      : role == "g" ? TessarinDataSource::Group
                                                    : role == "s" ? TessarinDataSource::Sub : TessarinDataSource::Begin,
                          parents.at(i));
        ds->setEnabled(role != "d");
        list.append(ds);
    }
    Host host;
    TessarinRelationNode root(&host);
    QVERIFY(!root.build(hashOf(list)));
    QCOMPARE(root.errorText(), message);
}

void TestEngineRelation::longChainAttachesCompletely()
{
    // Ids sorted against the chain: every sweep attaches only one more link.
    QObject owner;
    QList<TessarinDataSource *> list;
    const int length = 60;
    for (int i = 0; i < length; ++i) {
        const QString id = QStringLiteral("n%1").arg(i, 3, 10, QLatin1Char('0'));
        const QString parent = QStringLiteral("n%1").arg(i + 1, 3, 10, QLatin1Char('0'));
        list.append(i == length - 1 ? source(&owner, id, TessarinDataSource::Begin)
                                    : source(&owner, id, TessarinDataSource::Child, parent));
    }
    Host host;
    TessarinRelationNode root(&host);
    QVERIFY2(root.build(hashOf(list)), qPrintable(root.errorText()));
    QCOMPARE(root.size(), 1);
    int depth = 0;
    for (const TessarinRelationNode *node = root.children().first(); node; ++depth)
        node = node->children().isEmpty() ? nullptr : node->children().first();
    QCOMPARE(depth, length);
    QVERIFY(root.openAll());
    QCOMPARE(host.opened.size(), length);
}

void TestEngineRelation::onlyRowSourcesJoinTheTree()
{
    QObject owner;
    auto *begin = source(&owner, "main", TessarinDataSource::Begin);
    auto *group = source(&owner, "perGroup", TessarinDataSource::Group);
    auto *sub = source(&owner, "each", TessarinDataSource::Sub);
    auto *off = source(&owner, "off", TessarinDataSource::Begin);
    off->setEnabled(false);
    Host host;
    TessarinRelationNode root(&host);
    QVERIFY(root.build(hashOf({begin, group, sub, off})));
    QCOMPARE(root.size(), 1);
    QVERIFY(root.openAll());
    QCOMPARE(host.opened, QStringList{"main"});
    QVERIFY(!root.next(group));
    QVERIFY(!root.first(sub));
    QVERIFY(root.findNode(begin) && !root.findNode(group) && !root.findNode(off));
}

namespace {
TableSource *childOf(QObject *owner, const QString &id, const QList<QStringList> &rows)
{
    auto *ds = new TableSource(id, {"order", "value"}, rows, owner);
    ds->setOpenRole(TessarinDataSource::Child);
    ds->setParentId("orders");
    ds->setKeyColumn(0);
    return ds;
}

// Every state of a walk over the master: its id and its children's values.
QStringList walk(TessarinRelationNode &root, TableSource *orders, const QList<TableSource *> &children)
{
    QStringList states;
    do {
        QString state = orders->cell("id");
        for (TableSource *child : children)
            state += child->cell("value");
        states.append(state);
    } while (root.next(orders));
    return states;
}
}

void TestEngineRelation::childRowsAreWalkedBeforeTheMasterMoves()
{
    QObject owner;
    auto *orders = new TableSource("orders", {"id"}, {{"1"}, {"2"}, {"3"}}, &owner);
    auto *lines = childOf(&owner, "lines", {{"1", "a"}, {"1", "b"}, {"1", "c"}, {"3", "d"}, {"3", "e"}});
    Host host;
    TessarinRelationNode root(&host);
    QVERIFY(root.build(hashOf({orders, lines})));
    QVERIFY(root.openAll());
    // Order 2 has no lines; an empty child that allows it does not hold the master.
    QCOMPARE(walk(root, orders, {lines}), (QStringList{"1a", "1b", "1c", "2", "3d", "3e"}));
    QCOMPARE(lines->foreignKeyValue(), QStringLiteral("3"));

    // One step back and forth, as a page break with data trimming does it.
    QVERIFY(root.previous(orders));
    QCOMPARE(orders->cell("id") + lines->cell("value"), QStringLiteral("3d"));
    QVERIFY(root.next(orders));
    QCOMPARE(orders->cell("id") + lines->cell("value"), QStringLiteral("3e"));
    QVERIFY(!root.next(lines)); // not a top-level source
}

void TestEngineRelation::allChildrenFollowTheMaster()
{
    QObject owner;
    auto *orders = new TableSource("orders", {"id"}, {{"1"}, {"2"}}, &owner);
    auto *lines = childOf(&owner, "lines", {{"1", "a"}, {"1", "b"}, {"2", "c"}});
    auto *notes = childOf(&owner, "notes", {{"1", "x"}, {"2", "y"}, {"2", "z"}});
    Host host;
    TessarinRelationNode root(&host);
    QVERIFY(root.build(hashOf({orders, lines, notes})));
    QVERIFY(root.openAll());
    // After the master moved, both children belong to order 2 and the walk
    // begins again with the first child.
    QCOMPARE(walk(root, orders, {lines, notes}), (QStringList{"1ax", "1bx", "2cy", "2cz"}));
    QCOMPARE(notes->foreignKeyValue(), QStringLiteral("2"));
}

void TestEngineRelation::firstAndLastPositionTheWholeSubtree()
{
    QObject owner;
    auto *orders = new TableSource("orders", {"id"}, {{"1"}, {"2"}}, &owner);
    auto *lines = childOf(&owner, "lines", {{"1", "a"}, {"1", "b"}, {"2", "c"}, {"2", "d"}});
    Host host;
    TessarinRelationNode root(&host);
    QVERIFY(root.build(hashOf({orders, lines})));
    QVERIFY(root.openAll());
    walk(root, orders, {lines});
    // A second detail over the same master starts at the master's first row.
    QVERIFY(root.first(orders));
    QCOMPARE(orders->cell("id") + lines->cell("value"), QStringLiteral("1a"));
    QVERIFY(root.last(orders));
    QCOMPARE(orders->cell("id") + lines->cell("value"), QStringLiteral("2d"));
}

QTEST_GUILESS_MAIN(TestEngineRelation)
#include "tst_engine_relation.moc"
