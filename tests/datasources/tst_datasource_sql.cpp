// What only the SQL source does: refusing statements, private connections,
// forward-only stepping, foreign keys, counting rows SQLite cannot count.
#include "dstestutil.h"

#include "tessarindef.h"
#include "tessarinerror.h"
#include "tessarinevaluator.h"
#include "tessarinsqldatasource.h"
#include "tessarinstringlistdatasource.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

class tst_DataSourceSql : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void refusedStatements_data();
    void refusedStatements();
    void openFailures();
    void externalFileConnection();
    void samePrivateConnectionName();
    void failedDriverRegistrationIsRemoved();
    void forwardOnlySteppingBack();
    void sizeCountedOncePerExecution();
    void masterChildQuotedKeys_data();
    void masterChildQuotedKeys();
    void childHasNextFollowsParent();
    void valuesAndColumnGuessing();
    void evaluateSubstitutesTokens();
    void attributesRoundTrip();

private:
    TessarinSQLDataSource *source(const QString &sql, TessarinError *error, QObject *parent);
    QTemporaryDir m_dir;
};

void tst_DataSourceSql::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("sqltest"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    QVERIFY(db.open());
    QSqlQuery q(db);
    QVERIFY(q.exec(QStringLiteral("CREATE TABLE t (n INTEGER, word TEXT)")));
    QVERIFY(q.exec(QStringLiteral("INSERT INTO t VALUES (1, 'one'), (2, 'two'), (3, 'three')")));
    QVERIFY(q.exec(QStringLiteral("CREATE TABLE customers (id INTEGER, name TEXT)")));
    QVERIFY(q.exec(QStringLiteral("INSERT INTO customers VALUES (1, 'O''Brien'), (2, 'Smith'), "
                                  "(3, 'x'' OR ''1''=''1')")));
    QVERIFY(q.exec(QStringLiteral("CREATE TABLE orders (customer TEXT, customer_id INTEGER, item TEXT)")));
    QVERIFY(q.exec(QStringLiteral("INSERT INTO orders VALUES ('O''Brien', 1, 'lamp'), ('O''Brien', 1, 'desk'), "
                                  "('Smith', 2, 'pen')")));
}

void tst_DataSourceSql::cleanupTestCase()
{
    QSqlDatabase::removeDatabase(QStringLiteral("sqltest"));
}

TessarinSQLDataSource *tst_DataSourceSql::source(const QString &sql, TessarinError *error, QObject *parent)
{
    auto *ds = new TessarinSQLDataSource(parent);
    ds->setID(QStringLiteral("ds"));
    ds->setConnectionID(QStringLiteral("sqltest"));
    ds->setSpecification(sql);
    ds->setErrorHandler(error);
    return ds;
}

void tst_DataSourceSql::refusedStatements_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("select") << "SELECT n FROM t" << true;
    QTest::newRow("keyword inside literal") << "SELECT 'delete; drop' AS w FROM t" << true;
    QTest::newRow("word containing a keyword") << "select n as updated_at from t" << true;
    QTest::newRow("trailing semicolon") << "SELECT n FROM t;  " << true;
    QTest::newRow("read-only cte") << "WITH x AS (SELECT n FROM t) SELECT n FROM x" << true;
    QTest::newRow("blank") << "   " << false;
    QTest::newRow("delete after blanks, mixed case") << "  \n DeLeTe FROM t" << false;
    QTest::newRow("insert") << "insert into t values (9, 'nine')" << false;
    QTest::newRow("update") << "UPDATE t SET n = 0" << false;
    QTest::newRow("truncate") << "truncate table t" << false;
    QTest::newRow("drop") << "DROP TABLE t" << false;
    QTest::newRow("hidden behind a comment") << "-- harmless\nDELETE FROM t" << false;
    QTest::newRow("hidden behind a block comment") << "/* x */ update t set n = 0" << false;
    QTest::newRow("second statement") << "SELECT n FROM t; DELETE FROM t" << false;
    QTest::newRow("data-changing cte") << "WITH d AS (DELETE FROM t RETURNING *) SELECT * FROM d" << false;
    QTest::newRow("select into") << "SELECT * INTO t2 FROM t" << false;
}

void tst_DataSourceSql::refusedStatements()
{
    QFETCH(QString, sql);
    QFETCH(bool, accepted);
    TessarinError error;
    QScopedPointer<TessarinSQLDataSource> ds(source(sql, &error, nullptr));
    QCOMPARE(ds->queryIsValid(sql), accepted);
    if (sql.trimmed().isEmpty() || accepted)
        return;
    QVERIFY(!ds->open());
    QCOMPARE(error.text(), QStringLiteral("Not a valid SQL statement: %1").arg(sql));
    QVERIFY(!ds->queryObject());
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("sqltest")));
    QVERIFY(q.exec(QStringLiteral("SELECT COUNT(*) FROM t")) && q.next());
    QCOMPARE(q.value(0).toInt(), 3);
}

void tst_DataSourceSql::openFailures()
{
    {
        TessarinError error;
        QScopedPointer<TessarinSQLDataSource> ds(source(QStringLiteral("SELECT n FROM t"), &error, nullptr));
        ds->setConnectionID(QStringLiteral("no_such_connection"));
        QVERIFY(!ds->open());
        QCOMPARE(error.text(), QStringLiteral("Database is not connected or invalid in \"ds\" data source."));
    }
    {
        TessarinError error;
        QScopedPointer<TessarinSQLDataSource> ds(source(QStringLiteral("SELECT n FROM missing_table"), &error, nullptr));
        QVERIFY(!ds->open());
        QVERIFY(!ds->isOpened());
        QVERIFY2(error.text().contains(QLatin1String("missing_table")), qPrintable(error.text()));
        QVERIFY(error.text().endsWith(QLatin1String("\nSELECT n FROM missing_table")));
    }
}

void tst_DataSourceSql::externalFileConnection()
{
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    {
        QSqlDatabase setup = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("filesetup"));
        setup.setDatabaseName(m_dir.filePath(QStringLiteral("data.db")));
        QVERIFY(setup.open());
        QSqlQuery q(setup);
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE f (v TEXT)")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO f VALUES ('from file')")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("filesetup"));

    TessarinError error;
    QScopedPointer<TessarinSQLDataSource> ds(source(QStringLiteral("SELECT v FROM f"), &error, nullptr));
    ds->setConnectionType(TessarinDataSource::External);
    ds->setDriver(QStringLiteral("QSQLITE"));
    ds->setDB(QStringLiteral("{FILE}data.db"));
    ds->setConnectionID(QStringLiteral("ext"));
    const bool opened = ds->open();
    QDir::setCurrent(before);
    QVERIFY2(opened, qPrintable(error.text()));
    QCOMPARE(QSqlDatabase::database(QStringLiteral("ext_ds"), false).databaseName(),
             QFileInfo(m_dir.filePath(QStringLiteral("data.db"))).absoluteFilePath());
    QVERIFY(ds->first());
    QCOMPARE(ds->value(0).toString(), QStringLiteral("from file"));
    QVERIFY(ds->close());
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("ext_ds")));
}

void tst_DataSourceSql::samePrivateConnectionName()
{
    auto external = [this](TessarinError *error) {
        auto *ds = source(QStringLiteral("SELECT v FROM f"), error, nullptr);
        ds->setID(QStringLiteral("orders"));
        ds->setConnectionType(TessarinDataSource::External);
        ds->setDriver(QStringLiteral("QSQLITE"));
        ds->setDB(m_dir.filePath(QStringLiteral("data.db")));
        ds->setConnectionID(QStringLiteral("shared"));
        return ds;
    };
    TessarinError firstError, secondError;
    QScopedPointer<TessarinSQLDataSource> first(external(&firstError));
    QScopedPointer<TessarinSQLDataSource> second(external(&secondError));
    QVERIFY2(first->open(), qPrintable(firstError.text()));
    QVERIFY(!second->open());
    QCOMPARE(secondError.text(), QStringLiteral("Database connection ID shared_orders is already used."));
    // The failure must not have taken the first source's connection away.
    QVERIFY(first->first());
    QVERIFY(first->close());
    secondError.clear();
    QVERIFY2(second->open(), qPrintable(secondError.text()));
    QVERIFY(second->close());
}

void tst_DataSourceSql::failedDriverRegistrationIsRemoved()
{
    TessarinError error;
    QScopedPointer<TessarinSQLDataSource> ds(source(QStringLiteral("SELECT 1"), &error, nullptr));
    ds->setConnectionType(TessarinDataSource::External);
    ds->setDriver(QStringLiteral("QNOSUCHDRIVER"));
    for (int attempt = 0; attempt < 2; ++attempt) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("QNOSUCHDRIVER driver not loaded")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("available drivers")));
        error.clear();
        QVERIFY(!ds->open());
        QCOMPARE(error.text(), QStringLiteral("Could not load database driver: QNOSUCHDRIVER"));
        QVERIFY(!QSqlDatabase::contains(QStringLiteral("sqltest_ds")));
    }
}

void tst_DataSourceSql::forwardOnlySteppingBack()
{
    TessarinError error;
    QScopedPointer<TessarinSQLDataSource> ds(source(QStringLiteral("SELECT n, word FROM t ORDER BY n"), &error, nullptr));
    ds->setForwardOnly(true);
    QVERIFY(ds->open());
    QCOMPARE(ds->size(), -1);   // unknown without scrolling: stays unknown
    QVERIFY(!ds->previous());
    QVERIFY(ds->first());
    QCOMPARE(ds->value(0).toInt(), 1);
    QVERIFY(!ds->previous());   // nothing buffered before the first row
    QVERIFY(ds->next());
    QVERIFY(ds->hasNext());     // looks ahead without losing the current row
    QCOMPARE(ds->value(QStringLiteral("word")).toString(), QStringLiteral("two"));
    QVERIFY(ds->previous());
    QCOMPARE(ds->value(0).toInt(), 1);
    QVERIFY(!ds->previous());   // one row of look-back only
    QVERIFY(ds->next());
    QCOMPARE(ds->value(0).toInt(), 2);
    QVERIFY(ds->next());
    QCOMPARE(ds->value(1).toString(), QStringLiteral("three"));
    QVERIFY(!ds->hasNext());
    QVERIFY(!ds->next());
    QVERIFY(ds->isValid());
    QCOMPARE(ds->value(1).toString(), QStringLiteral("three"));
    QVERIFY(!ds->previous());
    QVERIFY(!ds->next());
    QCOMPARE(ds->value(0).toInt(), 3);
    // A new execution starts over.
    QVERIFY(ds->update());
    QVERIFY(ds->next());
    QCOMPARE(ds->value(0).toInt(), 1);
    QVERIFY(ds->last());
    QCOMPARE(ds->value(0).toInt(), 3);
    QVERIFY(error.isOK());
}

void tst_DataSourceSql::sizeCountedOncePerExecution()
{
    TessarinError error;
    QScopedPointer<TessarinSQLDataSource> ds(
        source(QStringLiteral("SELECT item FROM orders WHERE customer = '{ID}' ORDER BY item"), &error, nullptr));
    ds->setForeignKeyValue(QStringLiteral("O'Brien"));
    QVERIFY(ds->open());
    QVERIFY(ds->next());
    QCOMPARE(ds->size(), 2);
    // Counting must not move the cursor.
    QCOMPARE(ds->value(0).toString(), QStringLiteral("desk"));
    QVERIFY(ds->next());
    QCOMPARE(ds->value(0).toString(), QStringLiteral("lamp"));
    ds->setForeignKeyValue(QStringLiteral("Smith"));
    QVERIFY(ds->update());
    QCOMPARE(ds->rowCount(), 1);
    ds->setForeignKeyValue(QStringLiteral("nobody"));
    QVERIFY(ds->update());
    QCOMPARE(ds->rowCount(), 0);
    QVERIFY(!ds->first());
}

void tst_DataSourceSql::masterChildQuotedKeys_data()
{
    QTest::addColumn<QString>("connection");
    QTest::newRow("sqlite") << "sqltest";
    QTest::newRow("postgresql") << "pg";
}

void tst_DataSourceSql::masterChildQuotedKeys()
{
    QFETCH(QString, connection);
    if (connection == QLatin1String("pg")) {
        if (!postgresAvailable())
            QSKIP("TESSARIN_PGHOST is not set");
        if (!QSqlDatabase::contains(connection)) {
            QSqlDatabase pg = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
            configurePostgres(pg);
            QVERIFY2(pg.open(), qPrintable(pg.lastError().text()));
            QSqlQuery q(pg);
            q.exec(QStringLiteral("SET client_min_messages TO WARNING"));
            q.exec(QStringLiteral("DROP TABLE IF EXISTS orders"));
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE orders (customer TEXT, customer_id INTEGER, item TEXT)")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO orders VALUES ('O''Brien', 1, 'lamp'), "
                                          "('O''Brien', 1, 'desk'), ('Smith', 2, 'pen'), ('back\\slash', 4, 'cup')")));
        }
    }
    TessarinError error;
    QScopedPointer<TessarinSQLDataSource> child(
        source(QStringLiteral("SELECT item FROM orders WHERE customer = '{ID}' ORDER BY item"), &error, nullptr));
    child->setConnectionID(connection);
    auto items = [&](const QString &key) {
        child->setForeignKeyValue(key);
        QStringList found;
        if (!(child->isOpened() ? child->update() : child->open()))
            return QStringList{QStringLiteral("error: ") + error.text()};
        while (child->next())
            found.append(child->value(0).toString());
        return found;
    };
    QCOMPARE(items(QStringLiteral("O'Brien")), (QStringList{QStringLiteral("desk"), QStringLiteral("lamp")}));
    QCOMPARE(items(QStringLiteral("x' OR '1'='1")), QStringList());
    QCOMPARE(items(QStringLiteral("Smith")), QStringList{QStringLiteral("pen")});
    QCOMPARE(items(QStringLiteral("x'; DELETE FROM orders; --")), QStringList());
    if (connection == QLatin1String("pg"))
        QCOMPARE(items(QStringLiteral("back\\slash")), QStringList{QStringLiteral("cup")});
    child->close();

    // A placeholder without quotes takes a number, anything else only as a literal.
    QScopedPointer<TessarinSQLDataSource> numeric(
        source(QStringLiteral("SELECT item FROM orders WHERE customer_id = {PK} ORDER BY item"), &error, nullptr));
    numeric->setConnectionID(connection);
    numeric->setForeignKeyValue(QStringLiteral("2"));
    QVERIFY2(numeric->open(), qPrintable(error.text()));
    QVERIFY(numeric->next());
    QCOMPARE(numeric->value(0).toString(), QStringLiteral("pen"));
    QVERIFY(!numeric->next());
    numeric->setForeignKeyValue(QStringLiteral("2 OR 1=1"));
    if (numeric->update()) {
        QVERIFY(!numeric->next());   // SQLite compares the literal and finds nothing
    } else {
        QVERIFY(error.text().contains(QLatin1String("2 OR 1=1")));   // PostgreSQL refuses the literal
    }
}

void tst_DataSourceSql::childHasNextFollowsParent()
{
    TessarinError error;
    QObject owner;
    TessarinSQLDataSource *parent = source(QStringLiteral("SELECT name FROM customers ORDER BY id"), &error, &owner);
    TessarinSQLDataSource *child =
        source(QStringLiteral("SELECT item FROM orders WHERE customer = '{ID}'"), &error, &owner);
    child->setParentDataSource(parent);
    QVERIFY(parent->open());
    QVERIFY(parent->first());
    child->setForeignKeyValue(parent->primaryKeyValue());
    QVERIFY(child->open());
    QVERIFY(child->last());
    QVERIFY(child->hasNext());   // the parent still has rows
    QVERIFY(parent->last());
    QVERIFY(!child->hasNext());
}

void tst_DataSourceSql::valuesAndColumnGuessing()
{
    TessarinError error;
    QScopedPointer<TessarinSQLDataSource> ds(source(QStringLiteral("SELECT n, word FROM t ORDER BY n"), &error, nullptr));
    QVERIFY(!ds->value(0).isValid());   // no query yet
    QCOMPARE(ds->columnIndexByName(QStringLiteral("n")), -1);
    QVERIFY(ds->open());
    QVERIFY(ds->first());
    QCOMPARE(ds->value(1, nullptr, -5).toString(), QStringLiteral("word"));
    bool ok = false;
    QCOMPARE(ds->value(QStringLiteral("1"), &ok).toString(), QStringLiteral("0"));
    QVERIFY(ok);
    QTest::ignoreMessage(QtWarningMsg, "Column 'nosuch' not found in ds");
    QVERIFY(!ds->value(QStringLiteral("nosuch"), &ok).isValid());
    QVERIFY(!ok);
    QVERIFY(!ds->value(5, &ok).isValid());
    QVERIFY(!ok);
    QCOMPARE(ds->primaryKeyValue(), QStringLiteral("1"));

    ds->setSpecification(QStringLiteral("SELECT a, b AS x FROM t"));
    QCOMPARE(ds->columnNames(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("x")}));
    ds->setSpecification(QStringLiteral("select A, a, 10x, sum(b) as total from t where c = 1"));
    QCOMPARE(ds->columnNames(),
             (QStringList{QStringLiteral("A"), QStringLiteral("sum"), QStringLiteral("b"), QStringLiteral("total")}));
    QCOMPARE(ds->keywordList().mid(4, 2), (QStringList{QStringLiteral("ds.A"), QStringLiteral("ds.sum")}));
}

void tst_DataSourceSql::evaluateSubstitutesTokens()
{
    TessarinDef def;
    def.addParameter(QStringLiteral("min"), 2);
    def.addParameter(QStringLiteral("conn"), QStringLiteral("sqltest"));
    auto *limit = new TessarinStringListDataSource(&def);
    limit->setID(QStringLiteral("lim"));
    limit->setStringList({QStringLiteral("3")});
    def.addDataSource(limit);
    QVERIFY(limit->open());
    TessarinError error;
    TessarinSQLDataSource *ds =
        source(QStringLiteral("SELECT word FROM t WHERE n >= $P{min} AND n < $D{lim.col0} ORDER BY n"), &error, &def);
    ds->setConnectionID(QStringLiteral("$P{conn}"));
    TessarinEvaluator evaluator(&def);
    ds->evaluate(&evaluator);
    QCOMPARE(ds->sqlQuery(), QStringLiteral("SELECT word FROM t WHERE n >= 2 AND n < 3 ORDER BY n"));
    QCOMPARE(ds->connectionID(), QStringLiteral("sqltest"));
    QVERIFY2(ds->open(), qPrintable(error.text()));
    QVERIFY(ds->next());
    QCOMPARE(ds->value(0).toString(), QStringLiteral("two"));
    QVERIFY(!ds->next());
    // A changed parameter reaches the statement through evaluate() and update().
    def.addParameter(QStringLiteral("min"), 1);
    ds->evaluate(&evaluator);
    QVERIFY(ds->update());
    QCOMPARE(ds->rowCount(), 2);
}

void tst_DataSourceSql::attributesRoundTrip()
{
    TessarinSQLDataSource ds;
    ds.setConnectionType(TessarinDataSource::External);
    ds.setConnectionID(QStringLiteral("main"));
    ds.setHost(QStringLiteral("db.example"));
    ds.setDB(QStringLiteral("{FILE}x.db"));
    ds.setUser(QStringLiteral("u"));
    ds.setPassword(QStringLiteral("p\"w"));
    ds.setPort(QStringLiteral("5433"));
    ds.setDriver(QStringLiteral("QPSQL"));
    ds.setForwardOnly(true);
    ds.setConnectOptions(QStringLiteral("connect_timeout=3"));
    ds.setRecordFilter(QStringLiteral("never written"));
    const QString xml = writtenElement(&ds);
    QVERIFY(!xml.contains(QLatin1String("recordFilter")));
    QVERIFY(!xml.contains(QLatin1String("forceUpdateOnStepBackRel")));

    TessarinSQLDataSource copy;
    SnippetReader reader(xml);
    QVERIFY(copy.read(&reader));
    QCOMPARE(copy.connectionType(), TessarinDataSource::External);
    QCOMPARE(copy.connectionID(), QStringLiteral("main"));
    QCOMPARE(copy.dbHost(), ds.dbHost());
    QCOMPARE(copy.dbDatabase(), ds.dbDatabase());
    QCOMPARE(copy.dbUser(), ds.dbUser());
    QCOMPARE(copy.dbPassword(), ds.dbPassword());
    QCOMPARE(copy.dbPort(), ds.dbPort());
    QCOMPARE(copy.dbDriver(), ds.dbDriver());
    QVERIFY(copy.isForwardOnly());
    QCOMPARE(copy.connectOptions(), ds.connectOptions());

    // An internal connection writes neither its server nor its credentials.
    copy.setConnectionType(TessarinDataSource::Internal);
    const QString internal = writtenElement(&copy);
    QVERIFY(internal.contains(QLatin1String("connection=\"internal\"")));
    QVERIFY(!internal.contains(QLatin1String("password")));
    QVERIFY(!internal.contains(QLatin1String("host")));
}

QTEST_GUILESS_MAIN(tst_DataSourceSql)
#include "tst_datasource_sql.moc"
