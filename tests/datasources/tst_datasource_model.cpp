// The item model source: header and item roles, appearance roles, and the
// update signals through which an application refills its model.
#include "dstestutil.h"

#include "tessarindef.h"
#include "tessarinerror.h"
#include "tessarinevaluator.h"
#include "tessarinitemmodeldatasource.h"
#include "tessarinstringlistdatasource.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QStandardItemModel>
#include <QtTest>

namespace {

// Headers and items whose roles all differ, so that a wrong role shows.
class RoleModel : public QAbstractTableModel
{
public:
    QStringList headers = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    int rows = 2;
    bool nullEditHeader = false;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override { return parent.isValid() ? 0 : rows; }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : headers.size();
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const QString cell = QStringLiteral("%1%2").arg(headers.value(index.column())).arg(index.row());
        switch (role) {
        case Qt::EditRole: return cell;
        case Qt::DisplayRole: return QStringLiteral("shown ") + cell;
        case Qt::UserRole: return QStringLiteral("user ") + cell;
        case Qt::FontRole: return QFont(QStringLiteral("Serif"), 13);
        default: return QVariant();
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Vertical)
            return role == Qt::DisplayRole ? QVariant(QStringLiteral("row %1").arg(section)) : QVariant();
        const QString h = headers.value(section);
        switch (role) {
        case Qt::EditRole: return nullEditHeader ? QVariant() : QVariant(h);
        case Qt::DisplayRole: return h.toUpper();
        case Qt::ToolTipRole: return QStringLiteral("about ") + h;
        case Qt::UserRole: return QStringLiteral("user header ") + h;
        case Qt::DecorationRole: return QStringLiteral("icon ") + h;
        default: return QVariant();
        }
    }
    void refill(int newRows)
    {
        beginResetModel();
        rows = newRows;
        endResetModel();
    }
};

} // namespace

class tst_DataSourceModel : public QObject
{
    Q_OBJECT

private slots:
    void columnLookup();
    void roles();
    void signalsLetTheApplicationRefill();
    void missingModel();
    void readFromDefinition();
};

void tst_DataSourceModel::columnLookup()
{
    RoleModel model;
    TessarinItemModelDataSource ds;
    ds.setItemModel(&model);
    QCOMPARE(ds.columnIndexByName(QStringLiteral("b")), 1);
    QCOMPARE(ds.columnIndexByName(QStringLiteral("b:x")), 1);
    QCOMPARE(ds.columnIndexByName(QStringLiteral("col2")), 2);
    QCOMPARE(ds.columnIndexByName(QStringLiteral("z")), 0);
    QCOMPARE(ds.columnTitle(2), QStringLiteral("C"));
    QCOMPARE(ds.columnNames(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
}

void tst_DataSourceModel::roles()
{
    RoleModel model;
    TessarinItemModelDataSource ds;
    ds.setItemModel(&model);
    QCOMPARE(ds.appearanceRoles(), (QList<int>{Qt::FontRole, Qt::TextAlignmentRole, Qt::BackgroundRole,
                                               Qt::ForegroundRole}));
    QVERIFY(!ds.useAppearanceRoles());
    QVERIFY(ds.open());
    QVERIFY(ds.next());
    bool ok = false;
    QCOMPARE(ds.value(1, &ok, -1).toString(), QStringLiteral("b1"));   // edit role, not display
    QVERIFY(ok);
    QCOMPARE(ds.value(1, &ok, Qt::DisplayRole).toString(), QStringLiteral("shown b1"));
    QCOMPARE(ds.value(QStringLiteral("c"), &ok, Qt::UserRole).toString(), QStringLiteral("user c1"));
    QCOMPARE(ds.value(0, &ok, Qt::FontRole).value<QFont>().pointSize(), 13);
    QCOMPARE(ds.value(0, &ok, -5).toString(), QStringLiteral("A"));   // header, whatever the row
    QCOMPARE(ds.value(0, &ok, -3).toString(), QStringLiteral("icon a"));
    QCOMPARE(ds.value(0, &ok, -4).toString(), QStringLiteral("user header a"));
    QCOMPARE(ds.value(0, &ok, -6).toString(), QStringLiteral("about a"));
    QCOMPARE(ds.value(0, &ok, -2).toString(), QStringLiteral("a"));
    model.nullEditHeader = true;
    QCOMPARE(ds.value(0, &ok, -2).toString(), QStringLiteral("user a1"));
    QVERIFY(!ds.value(7, &ok).isValid());
    QVERIFY(!ok);

    QVERIFY(ds.seek(-1));
    QVERIFY(!ds.isValid());
    QVERIFY(!ds.seek(2));   // no such row: the cursor stays
    QVERIFY(!ds.isValid());
}

void tst_DataSourceModel::signalsLetTheApplicationRefill()
{
    RoleModel model;
    TessarinDef def;
    auto *region = new TessarinStringListDataSource(&def);
    region->setID(QStringLiteral("region"));
    region->setStringList({QStringLiteral("north")});
    def.addDataSource(region);
    QVERIFY(region->open());
    TessarinItemModelDataSource ds;
    ds.setID(QStringLiteral("items"));
    ds.setItemModel(&model);
    ds.setForeignKeyValue(QStringLiteral("42"));
    ds.setSpecification(QStringLiteral("filter $D{region.col0}"));
    TessarinEvaluator evaluator(&def);
    ds.evaluate(&evaluator);
    QStringList heard;
    connect(&ds, &TessarinDataSource::updateRequestFKey, this, [&](const QString &id, const QString &key) {
        heard.append(QStringLiteral("fkey %1 %2").arg(id, key));
        model.refill(key.toInt() % 5);   // the application refills for the key
    });
    connect(&ds, &TessarinDataSource::updateRequest, this, [&](const QString &id, const QString &data) {
        heard.append(QStringLiteral("request %1 %2").arg(id, data));
    });
    QVERIFY(ds.open());
    QCOMPARE(heard, (QStringList{QStringLiteral("fkey items 42"), QStringLiteral("request items filter north")}));
    QCOMPARE(ds.rowCount(), 2);
    QVERIFY(ds.isValid());   // on the first row of the refilled model
    QCOMPARE(ds.value(0).toString(), QStringLiteral("a0"));

    QVERIFY(ds.last());
    heard.clear();
    ds.setForeignKeyValue(QStringLiteral("9"));
    QVERIFY(ds.update());
    QCOMPARE(heard.size(), 2);
    QCOMPARE(ds.rowCount(), 4);
    QCOMPARE(ds.value(0).toString(), QStringLiteral("a0"));   // back on the first row
    int rows = 1;
    while (ds.next())
        ++rows;
    QCOMPARE(rows, 4);
}

void tst_DataSourceModel::missingModel()
{
    TessarinError error;
    TessarinItemModelDataSource ds;
    ds.setID(QStringLiteral("items"));
    ds.setModelID(QStringLiteral("m1"));
    ds.setErrorHandler(&error);
    QVERIFY(!ds.open());
    QCOMPARE(error.text(), QStringLiteral("Item model not found. Data source ID: items Model ID: m1"));
    QVERIFY(!ds.next());
    QVERIFY(!ds.hasNext());
    QVERIFY(!ds.isValid());
    QCOMPARE(ds.rowCount(), -1);
    bool ok = true;
    QVERIFY(!ds.value(0, &ok).isValid());
    QVERIFY(!ok);

    // The application may hand the model over when it is asked for the rows.
    RoleModel late;
    connect(&ds, &TessarinDataSource::updateRequest, this, [&] { ds.setItemModel(&late); });
    QVERIFY(ds.open());
    QCOMPARE(ds.value(0).toString(), QStringLiteral("a0"));
    disconnect(&ds, &TessarinDataSource::updateRequest, this, nullptr);

    // A model the application deletes is not read afterwards.
    auto *model = new QStandardItemModel(1, 1);
    ds.setItemModel(model);
    QVERIFY(ds.open());
    delete model;
    QVERIFY(!ds.isValid());
    QCOMPARE(ds.rowCount(), -1);
}

void tst_DataSourceModel::readFromDefinition()
{
    RoleModel model;
    TessarinDef def;
    def.addItemModel(QStringLiteral("m1"), &model);
    TessarinItemModelDataSource ds(&def);
    SnippetReader reader(QStringLiteral("<datasource modelID=\"m1\" parentID=\"orders\" useFormatRoles=\"true\"/>"));
    reader.setReportDef(&def);
    QVERIFY(ds.read(&reader));
    QCOMPARE(ds.itemModel(), &model);
    QCOMPARE(ds.parentId(), QStringLiteral("orders"));
    QVERIFY(ds.useAppearanceRoles());
    const QString xml = writtenElement(&ds);
    QVERIFY(xml.contains(QLatin1String("modelID=\"m1\"")));
    QVERIFY(xml.contains(QLatin1String("useFormatRoles=\"true\"")));
    QVERIFY(!xml.contains(QLatin1String("parentID")));

    TessarinItemModelDataSource other(&def);
    SnippetReader unknown(QStringLiteral("<datasource modelID=\"m2\"/>"));
    unknown.setReportDef(&def);
    QVERIFY(!other.read(&unknown));
}

QTEST_MAIN(tst_DataSourceModel)
#include "tst_datasource_model.moc"
