// One cursor contract, run against every kind of data source over the same
// three rows.
#include "dstestutil.h"

#include "tessarindef.h"
#include "tessarinitemmodeldatasource.h"
#include "tessarinsqldatasource.h"
#include "tessarinstringlistdatasource.h"
#include "tessarintextdatasource.h"
#include "tessarinxmldatasource.h"
#include "tessarinxmldefreader.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QStringList namedColumns = {QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("amount")};
const QStringList numberedColumns = {QStringLiteral("col0"), QStringLiteral("col1"), QStringLiteral("col2")};
const QList<QStringList> expectedRows = {
    {QStringLiteral("1"), QStringLiteral("Ann"), QStringLiteral("10.5")},
    {QStringLiteral("2"), QStringLiteral("O'Brien"), QStringLiteral("20")},
    {QStringLiteral("3"), QStringLiteral("Zo\u00eb"), QStringLiteral("30")}};

const char delimiterChars[] = {'\t', ',', ';', ' ', '|', '#'};

QString delimitedText(char delimiter, bool header)
{
    QStringList lines;
    const QString d = QString(QChar::fromLatin1(delimiter));
    if (header)
        lines.append(namedColumns.join(d));
    for (const QStringList &row : expectedRows)
        lines.append(row.join(d));
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

class tst_DataSourceContract : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void contract_data();
    void contract();
    void registeredWithReader();

private:
    struct Subject {
        std::unique_ptr<TessarinDataSource> source;
        QStringList names;
        bool opensOnFirstRow = false;
    };
    Subject create(const QString &kind, int delimiter, bool header, bool file);
    QStringList row(TessarinDataSource *ds, const QStringList &names);

    QTemporaryDir m_dir;
    QStandardItemModel m_model;
};

void tst_DataSourceContract::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_model.setHorizontalHeaderLabels(namedColumns);
    for (const QStringList &r : expectedRows) {
        QList<QStandardItem *> items;
        for (const QString &v : r)
            items.append(new QStandardItem(v));
        m_model.appendRow(items);
    }

    auto fill = [](QSqlDatabase db, const QString &amountType) {
        QSqlQuery q(db);
        if (db.driverName() == QLatin1String("QPSQL"))
            q.exec(QStringLiteral("SET client_min_messages TO WARNING"));
        q.exec(QStringLiteral("DROP TABLE IF EXISTS contract"));
        QVERIFY2(q.exec(QStringLiteral("CREATE TABLE contract (id INTEGER, name TEXT, amount %1)").arg(amountType)),
                 qPrintable(q.lastError().text()));
        QVERIFY(q.prepare(QStringLiteral("INSERT INTO contract (id, name, amount) VALUES (?, ?, ?)")));
        for (const QStringList &r : expectedRows) {
            q.addBindValue(r.at(0).toInt());
            q.addBindValue(r.at(1));
            q.addBindValue(r.at(2).toDouble());
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        }
    };
    QSqlDatabase lite = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("contract"));
    lite.setDatabaseName(QStringLiteral(":memory:"));
    QVERIFY(lite.open());
    fill(lite, QStringLiteral("REAL"));
    if (postgresAvailable()) {
        QSqlDatabase pg = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("contract_pg_setup"));
        configurePostgres(pg);
        QVERIFY2(pg.open(), qPrintable(pg.lastError().text()));
        fill(pg, QStringLiteral("NUMERIC(6,1)"));
    }
}

void tst_DataSourceContract::cleanupTestCase()
{
    QSqlDatabase::removeDatabase(QStringLiteral("contract"));
    QSqlDatabase::removeDatabase(QStringLiteral("contract_pg_setup"));
}

tst_DataSourceContract::Subject tst_DataSourceContract::create(const QString &kind, int delimiter, bool header,
                                                               bool file)
{
    Subject s;
    s.names = namedColumns;
    if (kind == QLatin1String("text")) {
        auto *ds = new TessarinTextDataSource;
        ds->setColumnDelimiter(TessarinTextDataSource::Delimiter(delimiter));
        if (delimiter == TessarinTextDataSource::CustomDelimiter)
            ds->setCustomDelimiterCharacter('#');
        ds->setHasColumnHeader(header);
        const QString text = delimitedText(delimiterChars[delimiter], header);
        if (file) {
            const QString path = m_dir.filePath(QStringLiteral("contract%1.txt").arg(delimiter));
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(text.toUtf8());
            ds->setLocationType(TessarinDataSource::File);
            ds->setFileName(path);
        } else {
            ds->setSpecification(text);
        }
        if (!header)
            s.names = numberedColumns;
        s.source.reset(ds);
    } else if (kind == QLatin1String("list")) {
        auto *ds = new TessarinStringListDataSource;
        ds->setColumnDelimiter(TessarinStringListDataSource::Delimiter(delimiter));
        if (delimiter == TessarinStringListDataSource::CustomDelimiter)
            ds->setCustomDelimiterCharacter('#');
        ds->setStringList(delimitedText(delimiterChars[delimiter], false).trimmed().split(QLatin1Char('\n')));
        s.names = numberedColumns;
        s.opensOnFirstRow = true;
        s.source.reset(ds);
    } else if (kind == QLatin1String("xml")) {
        auto *ds = new TessarinXMLDataSource;
        QString xml = QStringLiteral("<data><datasources><datasource id=\"ds\"><columns>");
        for (const QString &n : namedColumns)
            xml += QStringLiteral("<column>%1</column>").arg(n);
        xml += QStringLiteral("</columns>");
        for (const QStringList &r : expectedRows)
            xml += QStringLiteral("<row><d>%1</d><d>%2</d><d>%3</d></row>").arg(r.at(0), r.at(1).toHtmlEscaped(), r.at(2));
        xml += QStringLiteral("</datasource></datasources></data>");
        if (file) {
            const QString path = m_dir.filePath(QStringLiteral("contract.xml"));
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(xml.toUtf8());
            ds->setLocationType(TessarinDataSource::File);
            ds->setFileName(path);
        } else {
            ds->setSpecification(xml);
        }
        s.source.reset(ds);
    } else if (kind == QLatin1String("model")) {
        auto *ds = new TessarinItemModelDataSource;
        ds->setItemModel(&m_model);
        s.opensOnFirstRow = true;
        s.source.reset(ds);
    } else {
        auto *ds = new TessarinSQLDataSource;
        ds->setSpecification(QStringLiteral("SELECT id, name, amount FROM contract ORDER BY id"));
        if (kind == QLatin1String("sqlite")) {
            ds->setConnectionID(QStringLiteral("contract"));
        } else {
            QSqlDatabase pg = QSqlDatabase::database(QStringLiteral("contract_pg_setup"), false);
            ds->setConnectionType(TessarinDataSource::External);
            ds->setDriver(QStringLiteral("QPSQL"));
            ds->setHost(pg.hostName());
            ds->setPort(QString::number(pg.port()));
            ds->setUser(pg.userName());
            ds->setDB(pg.databaseName());
            ds->setConnectionID(QStringLiteral("contract_pg"));
        }
        s.source.reset(ds);
    }
    s.source->setID(QStringLiteral("ds"));
    return s;
}

QStringList tst_DataSourceContract::row(TessarinDataSource *ds, const QStringList &names)
{
    QStringList byIndex;
    for (int i = 0; i < names.size(); ++i) {
        bool ok = false;
        byIndex.append(ds->value(i, &ok).toString());
        if (!ok)
            byIndex.last().prepend(QStringLiteral("!ok:"));
        bool okByName = false;
        const QString byName = ds->value(names.at(i), &okByName).toString();
        if (byName != byIndex.last() || !okByName)
            byIndex.last().append(QStringLiteral(" (by name: %1)").arg(byName));
    }
    return byIndex;
}

void tst_DataSourceContract::contract_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("delimiter");
    QTest::addColumn<bool>("header");
    QTest::addColumn<bool>("file");
    static const char *const delimiterNames[] = {"tab", "comma", "semicolon", "space", "vbar", "custom"};
    for (int d = 0; d < 6; ++d) {
        QTest::addRow("text %s, header, file", delimiterNames[d]) << "text" << d << true << true;
        QTest::addRow("text %s, no header, inline", delimiterNames[d]) << "text" << d << false << false;
    }
    QTest::newRow("string list comma") << "list" << 1 << false << false;
    QTest::newRow("string list custom") << "list" << 5 << false << false;
    QTest::newRow("xml inline") << "xml" << 0 << false << false;
    QTest::newRow("xml file") << "xml" << 0 << false << true;
    QTest::newRow("item model") << "model" << 0 << false << false;
    QTest::newRow("sql sqlite") << "sqlite" << 0 << false << false;
    QTest::newRow("sql postgresql") << "postgresql" << 0 << false << false;
}

void tst_DataSourceContract::contract()
{
    QFETCH(QString, kind);
    QFETCH(int, delimiter);
    QFETCH(bool, header);
    QFETCH(bool, file);
    if (kind == QLatin1String("postgresql") && !postgresAvailable())
        QSKIP("TESSARIN_PGHOST is not set");

    Subject s = create(kind, delimiter, header, file);
    TessarinDataSource *ds = s.source.get();
    TessarinError error;
    ds->setErrorHandler(&error);

    QVERIFY2(ds->open(), qPrintable(error.text()));
    QVERIFY(ds->isOpened());
    QCOMPARE(ds->isValid(), s.opensOnFirstRow);
    QCOMPARE(ds->columnCount(), 3);
    QCOMPARE(ds->columnNames(), s.names);
    QStringList keywords = s.names;
    for (const QString &n : s.names)
        keywords.append(QStringLiteral("ds.") + n);
    QStringList listed = ds->keywordList();
    listed.sort();
    keywords.sort();
    QCOMPARE(listed, keywords);

    // Before the first row: the scan loop's way in.
    QVERIFY(ds->seek(-1));
    QVERIFY(!ds->isValid());
    QVERIFY(ds->hasNext());
    QList<QStringList> walked;
    while (ds->next())
        walked.append(row(ds, s.names));
    QCOMPARE(walked, expectedRows);

    // Past the end: next() keeps failing and the last row stays current.
    QVERIFY(!ds->next());
    QVERIFY(!ds->hasNext());
    QVERIFY(ds->isValid());
    QCOMPARE(row(ds, s.names), expectedRows.at(2));
    QCOMPARE(ds->rowCount(), 3);
    QCOMPARE(ds->size(), 3);

    QVERIFY(ds->previous());
    QCOMPARE(row(ds, s.names), expectedRows.at(1));
    QVERIFY(ds->first());
    QCOMPARE(row(ds, s.names), expectedRows.at(0));
    // Before the start: previous() fails and the first row stays current.
    QVERIFY(!ds->previous());
    QVERIFY(ds->isValid());
    QCOMPARE(row(ds, s.names), expectedRows.at(0));
    QVERIFY(ds->hasNext());
    QVERIFY(ds->last());
    QCOMPARE(row(ds, s.names), expectedRows.at(2));

    QVERIFY(ds->seek(1));
    QCOMPARE(row(ds, s.names), expectedRows.at(1));
    QCOMPARE(ds->currentRow(), 1);   // what the evaluator saves and seeks back to
    QVERIFY(!ds->seek(7));
    QVERIFY(ds->seek(-1));
    QVERIFY(!ds->isValid());
    QCOMPARE(ds->currentRow(), -1);
    bool ok = true;
    QVERIFY(!ds->value(0, &ok).isValid());
    QVERIFY(ds->next());
    QCOMPARE(row(ds, s.names), expectedRows.at(0));

    QCOMPARE(ds->hasColumn(2), true);
    QCOMPARE(ds->hasColumn(3), false);
    QVERIFY(ds->hasColumn(s.names.at(1)));
    QCOMPARE(ds->columnIndexByName(s.names.at(2)), 2);

    // Close and open again: the rows are delivered from the start.
    QVERIFY(ds->close());
    QVERIFY(!ds->isOpened());
    QVERIFY2(ds->open(), qPrintable(error.text()));
    QVERIFY(ds->first());
    QCOMPARE(row(ds, s.names), expectedRows.at(0));
    QVERIFY(ds->next());
    QCOMPARE(row(ds, s.names), expectedRows.at(1));
    QVERIFY(ds->close());
    QVERIFY2(error.isOK(), qPrintable(error.text()));
}

void tst_DataSourceContract::registeredWithReader()
{
    // The definition reader creates each kind and hands it its own attributes.
    TessarinDef def;
    QStandardItemModel model(2, 1);
    def.addItemModel(QStringLiteral("m1"), &model);
    def.addStringList(QStringLiteral("names"), {QStringLiteral("a|1"), QStringLiteral("b|2")});
    TessarinXMLDefReader reader(&def);
    QVERIFY(reader.read(nullptr, QStringLiteral(
        "<Tessarin version=\"2.0\"><datasources>"
        "<datasource id=\"q\" type=\"sql\" connection=\"external\" driver=\"QSQLITE\" fwOnly=\"true\">"
        "SELECT 1</datasource>"
        "<datasource id=\"t\" type=\"txt\" columnDelimiter=\"comma\" hasColumnHeader=\"true\">a,b\n1,2</datasource>"
        "<datasource id=\"x\" type=\"xml\" source=\"file\">rows.xml</datasource>"
        "<datasource id=\"l\" type=\"list\" columnDelimiter=\"vbar\" listID=\"names\"/>"
        "<datasource id=\"m\" type=\"model\" modelID=\"m1\"/>"
        "</datasources></Tessarin>")));
    auto *sql = qobject_cast<TessarinSQLDataSource *>(def.dataSource(QStringLiteral("q")));
    QVERIFY(sql);
    QCOMPARE(sql->parent(), &def);
    QCOMPARE(sql->dbDriver(), QStringLiteral("QSQLITE"));
    QVERIFY(sql->isForwardOnly());
    QCOMPARE(sql->specification(), QStringLiteral("SELECT 1"));
    auto *text = qobject_cast<TessarinTextDataSource *>(def.dataSource(QStringLiteral("t")));
    QVERIFY(text);
    QVERIFY(text->open());
    QVERIFY(text->next());
    QCOMPARE(text->value(QStringLiteral("b")).toString(), QStringLiteral("2"));
    auto *xml = qobject_cast<TessarinXMLDataSource *>(def.dataSource(QStringLiteral("x")));
    QVERIFY(xml);
    QCOMPARE(xml->rawFileName(), QStringLiteral("rows.xml"));
    auto *list = qobject_cast<TessarinStringListDataSource *>(def.dataSource(QStringLiteral("l")));
    QVERIFY(list);
    QVERIFY(list->open());
    QCOMPARE(list->value(1).toString(), QStringLiteral("1"));
    auto *items = qobject_cast<TessarinItemModelDataSource *>(def.dataSource(QStringLiteral("m")));
    QVERIFY(items);
    QCOMPARE(items->itemModel(), &model);
}

QTEST_MAIN(tst_DataSourceContract)
#include "tst_datasource_contract.moc"
