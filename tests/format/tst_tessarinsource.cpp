#include <QtTest>

#include "formattestsupport.h"

#include "tessarinsource.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using namespace FormatTest;

namespace {

QString definitionXml(const QString &name)
{
    return QStringLiteral("<Tessarin version=\"2.17.0\" name=\"%1\"><scripts><script id=\"s\">{{x}} $P{x} "
                          "$p{x}</script></scripts></Tessarin>")
        .arg(name);
}

// A writer whose device gives up half-way through the document.
class BrokenDeviceWriter : public TessarinXMLDefWriter
{
public:
    using TessarinXMLDefWriter::TessarinXMLDefWriter;
    void writeVariables() override
    {
        m_xml.device()->close();
        TessarinXMLDefWriter::writeVariables();
    }
};

// Loads with a fresh definition and returns the error text ("" on success).
QString load(TessarinSource &source, TessarinDef &def)
{
    TessarinXMLDefReader reader(&def);
    source.setReportDef(&def);
    return source.load(reader) ? QString() : def.error()->text();
}

QString save(TessarinSource &source, TessarinDef &def)
{
    TessarinXMLDefWriter writer(&def);
    source.setReportDef(&def);
    return source.save(writer) ? QString() : def.error()->text();
}

QByteArray fileBytes(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestTessarinSource : public QObject
{
    Q_OBJECT
private slots:
    void loadFailures_data();
    void loadFailures();
    void queriesAndSubstitutions();
    void fileRoundTrip();
    void failedSaveKeepsPreviousFile();
    void database_data();
    void database();
};

void TestTessarinSource::loadFailures_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty string") << int(TessarinSource::String) << QString()
                                  << "Report definition XML string is undefined.";
    QTest::newRow("missing file") << int(TessarinSource::File) << "/nonexistent/r.tsn"
                                  << "Cannot open file /nonexistent/r.tsn";
    QTest::newRow("old version") << int(TessarinSource::File) << "<?xml version=\"1.0\"?>\n<Tessarin version=\"1.9\"/>"
                                 << "Parse error in file %1 at line 2, column 25:\nUncompatible Tessarin file version.";
    // Strings have no file name.
    QTest::newRow("malformed") << int(TessarinSource::String) << "<Tessarin version=\"2.0\">\n<scripts>\n<x></scripts>"
                               << "Parse error in file  at line 3, column 13:\nOpening and ending tag mismatch.";
    QTest::newRow("data source type")
        << int(TessarinSource::String)
        << "<Tessarin version=\"2.0\"><datasources><datasource type=\"csv\"/></datasources></Tessarin>"
        << "Parse error in file  at line 1, column 61:\nInvalid datasource type: csv";
    QTest::newRow("no query") << int(TessarinSource::Database) << QString() << "Report load sql query is undefined.";
}

void TestTessarinSource::loadFailures()
{
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(QString, error);
    QTemporaryDir dir;
    TessarinSource source;
    source.setSourceType(TessarinSource::ReportSourceType(type));
    if (type == TessarinSource::String) {
        source.setReportDefXML(text);
    } else if (type == TessarinSource::File && !text.startsWith(QLatin1Char('/'))) {
        QFile file(dir.filePath(QStringLiteral("r.tsn")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        source.setFileName(file.fileName());
        error = error.arg(file.fileName());
    } else {
        source.setFileName(text);
    }
    TessarinDef def;
    QCOMPARE(load(source, def), error);
    QCOMPARE(def.error()->code(), -1);
}

void TestTessarinSource::queriesAndSubstitutions()
{
    TessarinSource source;
    source.setTableName(QStringLiteral("reports"));
    QVERIFY(source.loadQuery().isEmpty());
    source.setColumnName(QStringLiteral("def"));
    source.setKeyColumnName(QStringLiteral("id"));
    source.setKeyValue(QStringLiteral("7"));
    QCOMPARE(source.loadQuery(), QStringLiteral("SELECT def FROM reports WHERE id='7'"));
    QCOMPARE(source.saveQuery(), QStringLiteral("UPDATE reports SET def=? WHERE id='7'"));

    // Substitutions change the text after it was read, not the definition.
    source.setSourceType(TessarinSource::String);
    source.setReportDefXML(definitionXml(QStringLiteral("r")));
    source.addParameter(QStringLiteral("x"), QStringLiteral("5"));
    TessarinDef def;
    QCOMPARE(load(source, def), QString());
    QVERIFY(source.reportDefXML().contains(QLatin1String(">5 5 $p{x}<")));
    QCOMPARE(def.script(QStringLiteral("s")), QStringLiteral("{{x}} $P{x} $p{x}"));

    // The database checks come before the statement is needed.
    TessarinSource db;
    db.setSourceType(TessarinSource::Database);
    QCOMPARE(save(db, def), QStringLiteral("Report definition is empty!"));
    def.error()->clear();
    db.setReportDefXML(QStringLiteral("<x/>"));
    QCOMPARE(save(db, def), QStringLiteral("Report save sql query is undefined."));
}

void TestTessarinSource::fileRoundTrip()
{
    ScopedRegistration txt(QStringLiteral("txt"), probeSource(TessarinDataSource::Text));
    QTemporaryDir dir;
    TessarinDef def;
    def.option().setReportName(QStringLiteral("Žluťoučký kůň"));
    def.option().setEncoding(QStringLiteral("ISO-8859-2"));
    auto *ds = new ProbeDataSource(&def);
    ds->setID(QStringLiteral("q"));
    def.addDataSource(ds);
    def.addDetail();

    TessarinSource source;
    source.setFileName(dir.filePath(QStringLiteral("r.tsn")));
    QCOMPARE(qApp->property("REPORT_PATH").toString(), dir.path());
    QCOMPARE(save(source, def), QString());
    const QByteArray bytes = fileBytes(source.fileName());
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?>"));
    QVERIFY(bytes.contains("\xaelu\xbbou\xe8k\xfd k\xf9\xf2"));

    TessarinDef back;
    QCOMPARE(load(source, back), QString());
    QCOMPARE(back.option().reportName(), QStringLiteral("Žluťoučký kůň"));
    QCOMPARE(back.details().at(0)->dataSourceId(), QStringLiteral("q"));
}

// The old file stays as it was until a new one is complete.
void TestTessarinSource::failedSaveKeepsPreviousFile()
{
    QTemporaryDir dir;
    TessarinSource source;
    source.setFileName(dir.filePath(QStringLiteral("r.tsn")));
    QFile previous(source.fileName());
    QVERIFY(previous.open(QIODevice::WriteOnly));
    previous.write("previous");
    previous.close();

    TessarinDef def;
    for (int i = 0; i < 400; ++i)
        def.addScript(QString::number(i), QString(100, QLatin1Char('x')));
    // A disk that fills up part of the way through.
    struct rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString error = save(source, def);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY2(error.startsWith(QStringLiteral("Cannot write file %1:\n").arg(source.fileName())), qPrintable(error));
    QVERIFY(error.endsWith(QLatin1Char('.')));
    QCOMPARE(fileBytes(source.fileName()), QByteArray("previous"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"r.tsn"}));

    TessarinDef other;
    source.setFileName(dir.filePath(QStringLiteral("missing/r.tsn")));
    QVERIFY(save(source, other).startsWith(QStringLiteral("Cannot write file %1:\n").arg(source.fileName())));
}

void TestTessarinSource::database_data()
{
    QTest::addColumn<QString>("driver");
    QTest::newRow("SQLite") << QStringLiteral("QSQLITE");
    QTest::newRow("PostgreSQL") << QStringLiteral("QPSQL");
}

// Stored definitions: the key is a value, never part of the statement.
void TestTessarinSource::database()
{
    QFETCH(QString, driver);
    if (driver == QLatin1String("QPSQL") && qEnvironmentVariableIsEmpty("TESSARIN_PGHOST"))
        QSKIP("TESSARIN_PGHOST is not set");
    QTemporaryDir dir;
    const QString connection = QStringLiteral("source_test_") + driver;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, connection);
        if (driver == QLatin1String("QSQLITE")) {
            db.setDatabaseName(dir.filePath(QStringLiteral("reports.sqlite")));
        } else {
            db.setHostName(qEnvironmentVariable("TESSARIN_PGHOST"));
            db.setPort(qEnvironmentVariableIntValue("TESSARIN_PGPORT"));
            db.setUserName(qEnvironmentVariable("TESSARIN_PGUSER"));
            db.setDatabaseName(qEnvironmentVariable("TESSARIN_PGDB"));
        }
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
    }
    auto cleanup = qScopeGuard([&] { QSqlDatabase::removeDatabase(connection); });
    QSqlQuery sql(QSqlDatabase::database(connection));
    const QString table = QStringLiteral("tsn_reports_%1").arg(QDateTime::currentMSecsSinceEpoch());
    QVERIFY2(sql.exec(QStringLiteral("CREATE TABLE %1 (id VARCHAR(64) PRIMARY KEY, def TEXT)").arg(table)),
             qPrintable(sql.lastError().text()));
    auto dropTable = qScopeGuard([&] { sql.exec(QStringLiteral("DROP TABLE ") + table); });
    QVERIFY(sql.prepare(QStringLiteral("INSERT INTO %1 (id, def) VALUES (?, ?)").arg(table)));
    for (const QString &key : {QStringLiteral("7"), QStringLiteral("O'Brien"), QStringLiteral("empty")}) {
        sql.addBindValue(key);
        sql.addBindValue(key == QLatin1String("empty") ? QString(QLatin1String("")) : definitionXml(key));
        QVERIFY2(sql.exec(), qPrintable(sql.lastError().text()));
    }
    auto stored = [&](const QString &key) {
        QSqlQuery q(QSqlDatabase::database(connection));
        q.prepare(QStringLiteral("SELECT def FROM %1 WHERE id=?").arg(table));
        q.addBindValue(key);
        return q.exec() && q.next() ? q.value(0).toString() : QStringLiteral("<no row>");
    };

    TessarinSource source;
    source.setSourceType(TessarinSource::Database);
    source.setConnectionID(connection);
    source.setTableName(table);
    source.setColumnName(QStringLiteral("def"));
    source.setKeyColumnName(QStringLiteral("id"));
    source.addParameter(QStringLiteral("x"), QStringLiteral("5"));
    auto loadKey = [&](TessarinDef &def, const QString &key) {
        source.setKeyValue(key);
        return load(source, def);
    };

    for (const QString &key : {QStringLiteral("7"), QStringLiteral("O'Brien")}) {
        TessarinDef def;
        QCOMPARE(loadKey(def, key), QString());
        QCOMPARE(def.option().reportName(), key);
        QVERIFY(source.reportDefXML().contains(QLatin1String(">5 5 $p{x}<")));
    }
    for (const QString &key : {QStringLiteral("7' OR '1'='1"), QStringLiteral("nobody")}) {
        TessarinDef def;
        QCOMPARE(loadKey(def, key), QStringLiteral("No report definition found!"));
        QVERIFY(def.scripts().isEmpty());
    }
    {
        TessarinDef def;
        QCOMPARE(loadKey(def, QStringLiteral("empty")), QStringLiteral("Report definition is empty!"));
        TessarinSource wrongTable(source);
        wrongTable.setTableName(QStringLiteral("no_such_table"));
        TessarinDef other;
        QVERIFY(!load(wrongTable, other).isEmpty());
    }

    // Non-ASCII text survives whatever encoding the definition names.
    for (const QString &encoding : {QStringLiteral("windows-1250"), QStringLiteral("ISO-8859-2")}) {
        const QString name = QStringLiteral("Příliš žluťoučký kůň ") + encoding;
        TessarinDef def;
        QCOMPARE(loadKey(def, QStringLiteral("O'Brien")), QString());
        def.option().setEncoding(encoding);
        def.option().setReportName(name);
        QCOMPARE(save(source, def), QString());
        TessarinDef back;
        QCOMPARE(loadKey(back, QStringLiteral("O'Brien")), QString());
        QCOMPARE(back.option().reportName(), name);
    }
    QCOMPARE(stored(QStringLiteral("7")), definitionXml(QStringLiteral("7")));

    // A key that would match every row as text matches none as a value.
    TessarinDef def;
    QCOMPARE(loadKey(def, QStringLiteral("7")), QString());
    source.setKeyValue(QStringLiteral("x' OR '1'='1"));
    QCOMPARE(save(source, def), QStringLiteral("No report definition found!"));
    QCOMPARE(stored(QStringLiteral("7")), definitionXml(QStringLiteral("7")));
    QCOMPARE(stored(QStringLiteral("empty")), QString());

    // Nothing is stored when the document could not be written.
    def.error()->clear();
    def.option().setReportName(QStringLiteral("broken"));
    source.setKeyValue(QStringLiteral("7"));
    BrokenDeviceWriter writer(&def);
    QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): device not open");
    QVERIFY(!source.save(writer));
    QVERIFY(def.error()->error());
    QCOMPARE(stored(QStringLiteral("7")), definitionXml(QStringLiteral("7")));
}

QTEST_MAIN(TestTessarinSource)
#include "tst_tessarinsource.moc"
