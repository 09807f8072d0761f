#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run render(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(RENDER_BIN), args);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(1000);
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString tool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString &file)
{
    const QRegularExpression re(QStringLiteral("Pages:\\s+(\\d+)"));
    const auto m = re.match(tool(QStringLiteral("pdfinfo"), {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString pdfText(const QString &file)
{
    return tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
}

// Builds an SQLite file from one of the sample SQL scripts.
bool buildDatabase(const QString &script, const QString &dbFile)
{
    QFile f(script);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QString text;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (!line.trimmed().startsWith(QLatin1String("--")))
            text += line + QLatin1Char('\n');
    }
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("builder"));
        db.setDatabaseName(dbFile);
        ok = db.open();
        QSqlQuery q(db);
        for (const QString &stmt : text.split(QLatin1Char(';'))) {
            if (ok && !stmt.trimmed().isEmpty() && !q.exec(stmt)) {
                qWarning() << q.lastError().text();
                ok = false;
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("builder"));
    return ok;
}

const char *listReport = R"(<?xml version="1.0" encoding="UTF-8"?>
<Tessarin version="2.0" name="list" type="report">
 <options><pagesize width="148" height="105">CUSTOM</pagesize>
  <topmargin>5</topmargin><bottommargin>5</bottommargin><leftmargin>5</leftmargin><rightmargin>5</rightmargin></options>
 <datasources>
  <datasource id="people" type="list" source="static" listID="people" columnDelimiter="comma"/>
 </datasources>
 <reportheader height="8">
  <field posX="0" posY="0" width="130" height="6" ftype="tpl">Title $P{title} / $P{count}</field>
 </reportheader>
 <details>
  <detail id="d" height="6" datasource="people">
   <items><field posX="0" posY="0" width="130" height="5" ftype="tpl">Person $D{people.col0} in $D{people.col1}</field></items>
  </detail>
 </details>
</Tessarin>
)";

} // namespace

class TestTessarinRender : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void salesReportToPdf();
    void invoiceWithCopiesAndPageRange();
    void svgAndImageFormats();
    void markupAndTextFormats();
    void parametersAndStringLists();
    void usageErrors();
    void reportErrors();
    void postgresConnection();

private:
    QTemporaryDir m_dir;
    QString m_salesDb;
    QString m_invoiceDb;
    QString m_listFile;
    QString m_listReport;
};

void TestTessarinRender::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_salesDb = m_dir.filePath(QStringLiteral("sales.db"));
    m_invoiceDb = m_dir.filePath(QStringLiteral("invoice.db"));
    QVERIFY(buildDatabase(QStringLiteral(PROJECT_SOURCE_DIR "/examples/sales/sales.sql"), m_salesDb));
    QVERIFY(buildDatabase(QStringLiteral(PROJECT_SOURCE_DIR "/examples/invoice/invoice.sql"), m_invoiceDb));
    m_listFile = m_dir.filePath(QStringLiteral("people.txt"));
    QFile list(m_listFile);
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("Ann,Lindholm\nBo,Haverby\nCyd,Kellmoor\n");
    list.close();
    m_listReport = m_dir.filePath(QStringLiteral("list.tsn"));
    QFile def(m_listReport);
    QVERIFY(def.open(QIODevice::WriteOnly));
    def.write(listReport);
}

void TestTessarinRender::salesReportToPdf()
{
    const QString out = m_dir.filePath(QStringLiteral("out/sales.pdf"));
    const Run r = render({QStringLiteral(PROJECT_SOURCE_DIR "/examples/sales/sales.tsn"), QStringLiteral("--sqlite"),
                          m_salesDb, QStringLiteral("-o"), out});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains(QStringLiteral("Wrote ")), qPrintable(r.err));
    const int pages = pdfPages(out);
    QVERIFY(pages > 3);
    const QString text = pdfText(out);
    // Page X of Y needs the page count of the first pass.
    QVERIFY(text.contains(QStringLiteral("Page 1 of %1").arg(pages)));
    QVERIFY(text.contains(QStringLiteral("Page %1 of %1").arg(pages)));
    QVERIFY(text.contains(QStringLiteral("Region East")));
    QVERIFY(text.contains(QStringLiteral("Subtotal Juniper Books")));
    QVERIFY(text.contains(QStringLiteral("240 orders, grand total")));
    // No temporary file left beside the output.
    QCOMPARE(QDir(m_dir.filePath(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("sales.pdf")});
}

void TestTessarinRender::invoiceWithCopiesAndPageRange()
{
    const QString invoice = QStringLiteral(PROJECT_SOURCE_DIR "/examples/invoice/invoice.tsn");
    const QString one = m_dir.filePath(QStringLiteral("invoice.pdf"));
    Run r = render({invoice, QStringLiteral("--sqlite"), m_invoiceDb, QStringLiteral("-o"), one, QStringLiteral("-q")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty());
    QCOMPARE(pdfPages(one), 3);
    const QString text = pdfText(one);
    QVERIFY(text.contains(QStringLiteral("INV-2026-0042")));
    QVERIFY(text.contains(QStringLiteral("730.80")));   // 609.00 net + 20 % VAT

    const QString copies = m_dir.filePath(QStringLiteral("copies.pdf"));
    r = render({invoice, QStringLiteral("--sqlite"), m_invoiceDb, QStringLiteral("-o"), copies, QStringLiteral("--copies"),
                QStringLiteral("2")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(pdfPages(copies), 6);

    const QString ranged = m_dir.filePath(QStringLiteral("ranged.pdf"));
    r = render({invoice, QStringLiteral("--sqlite"), m_invoiceDb, QStringLiteral("-o"), ranged,
                QStringLiteral("--page-range"), QStringLiteral("2")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(pdfPages(ranged), 1);
    QVERIFY(pdfText(ranged).contains(QStringLiteral("INV-2026-0042")));
}

void TestTessarinRender::svgAndImageFormats()
{
    const QString invoice = QStringLiteral(PROJECT_SOURCE_DIR "/examples/invoice/invoice.tsn");
    Run r = render({invoice, QStringLiteral("--sqlite"), m_invoiceDb, QStringLiteral("-o"),
                    m_dir.filePath(QStringLiteral("svg/inv.svg"))});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QDir(m_dir.filePath(QStringLiteral("svg"))).entryList(QDir::Files),
             (QStringList{QStringLiteral("inv_p1.svg"), QStringLiteral("inv_p2.svg"), QStringLiteral("inv_p3.svg")}));

    // --format wins over the file name's extension.
    r = render({invoice, QStringLiteral("--sqlite"), m_invoiceDb, QStringLiteral("-o"),
                m_dir.filePath(QStringLiteral("img/inv.out")), QStringLiteral("--format"), QStringLiteral("png")});
    QCOMPARE(r.exitCode, 0);
    const QImage page(m_dir.filePath(QStringLiteral("img/inv_p1.png")));
    QVERIFY(!page.isNull());
    QVERIFY(page.height() > page.width());   // A4 portrait

    r = render({invoice, QStringLiteral("--sqlite"), m_invoiceDb, QStringLiteral("-o"),
                m_dir.filePath(QStringLiteral("img/inv.jpg"))});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("img/inv_p3.jpg"))));
}

void TestTessarinRender::markupAndTextFormats()
{
    const QString invoice = QStringLiteral(PROJECT_SOURCE_DIR "/examples/invoice/invoice.tsn");
    const QString html = m_dir.filePath(QStringLiteral("inv.html"));
    Run r = render({invoice, QStringLiteral("--sqlite"), m_invoiceDb, QStringLiteral("-o"), html});
    QCOMPARE(r.exitCode, 0);
    QFile h(html);
    QVERIFY(h.open(QIODevice::ReadOnly));
    const QByteArray page = h.readAll();
    QVERIFY(page.startsWith("<!DOCTYPE html"));
    QVERIFY(page.contains("INV-2026-0043"));

    const QString xls = m_dir.filePath(QStringLiteral("inv.xls"));
    r = render({invoice, QStringLiteral("--sqlite"), m_invoiceDb, QStringLiteral("-o"), xls});
    QCOMPARE(r.exitCode, 0);
    QFile x(xls);
    QVERIFY(x.open(QIODevice::ReadOnly));
    QVERIFY(x.readAll().contains("Dune Outfitters"));

    const QString tpl = m_dir.filePath(QStringLiteral("people.tpl"));
    QFile t(tpl);
    QVERIFY(t.open(QIODevice::WriteOnly));
    t.write("<!-- BEGIN {D.d} -->\n$D{people.col0};$D{people.col1}\n<!-- END -->\n");
    t.close();
    const QString txt = m_dir.filePath(QStringLiteral("people.txt.out"));
    r = render({m_listReport, QStringLiteral("--string-list"), QStringLiteral("people=") + m_listFile,
                QStringLiteral("--format"), QStringLiteral("txt"), QStringLiteral("--template"), tpl,
                QStringLiteral("-o"), txt});
    QCOMPARE(r.exitCode, 0);
    QFile out(txt);
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QByteArray text = out.readAll();
    QVERIFY2(text.contains("Ann;Lindholm\n") && text.contains("Cyd;Kellmoor\n"), text.constData());

    // The txt format cannot run without its template.
    QCOMPARE(render({m_listReport, QStringLiteral("--format"), QStringLiteral("txt"), QStringLiteral("-o"), txt}).exitCode, 2);
}

void TestTessarinRender::parametersAndStringLists()
{
    const QString out = m_dir.filePath(QStringLiteral("list.pdf"));
    const Run r = render({m_listReport, QStringLiteral("--string-list"), QStringLiteral("people=") + m_listFile,
                          QStringLiteral("--param"), QStringLiteral("title=Staff"), QStringLiteral("--param"),
                          QStringLiteral("count=3"), QStringLiteral("-o"), out});
    QCOMPARE(r.exitCode, 0);
    const QString text = pdfText(out);
    QVERIFY2(text.contains(QStringLiteral("Title Staff / 3")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Person Ann in Lindholm")));
    QVERIFY(text.contains(QStringLiteral("Person Cyd in Kellmoor")));
}

void TestTessarinRender::usageErrors()
{
    const QString out = m_dir.filePath(QStringLiteral("usage.pdf"));
    QCOMPARE(render({QStringLiteral("--no-such-option")}).exitCode, 2);
    QCOMPARE(render({}).exitCode, 2);
    QCOMPARE(render({m_listReport}).exitCode, 2);   // no output file
    QCOMPARE(render({m_listReport, QStringLiteral("-o"), m_dir.filePath(QStringLiteral("x.doc"))}).exitCode, 2);
    QCOMPARE(render({m_listReport, QStringLiteral("-o"), out, QStringLiteral("--param"), QStringLiteral("novalue")}).exitCode, 2);
    QCOMPARE(render({m_listReport, QStringLiteral("-o"), out, QStringLiteral("--copies"), QStringLiteral("0")}).exitCode, 2);
    QVERIFY(!QFile::exists(out));

    Run r = render({QStringLiteral("--version")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("2.17.0")));
    r = render({QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("--sqlite")));
}

void TestTessarinRender::reportErrors()
{
    // A malformed definition: exit 1 with the definition's error text verbatim.
    const QString bad = m_dir.filePath(QStringLiteral("bad.tsn"));
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("<?xml version=\"1.0\"?>\n<Tessarin version=\"1.5\" name=\"old\"/>\n");
    f.close();
    const QString out = m_dir.filePath(QStringLiteral("bad.pdf"));
    Run r = render({bad, QStringLiteral("-o"), out});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("Parse error in file ") + bad + QStringLiteral(" at line 2")), qPrintable(r.err));
    QVERIFY(r.err.contains(QStringLiteral("Uncompatible Tessarin file version.")));
    QVERIFY(!QFile::exists(out));

    // A missing database file is not silently created as an empty database.
    const QString missingDb = m_dir.filePath(QStringLiteral("missing.db"));
    r = render({QStringLiteral(PROJECT_SOURCE_DIR "/examples/sales/sales.tsn"), QStringLiteral("--sqlite"), missingDb,
                QStringLiteral("-o"), out});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.contains(missingDb));
    QVERIFY(!QFile::exists(missingDb));
    QVERIFY(!QFile::exists(out));

    // A database without the report's tables: the SQL error, and no half-written PDF.
    const QString emptyDb = m_dir.filePath(QStringLiteral("empty.db"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("empty"));
        db.setDatabaseName(emptyDb);
        QVERIFY(db.open());
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE other (x INTEGER)"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("empty"));
    r = render({QStringLiteral(PROJECT_SOURCE_DIR "/examples/sales/sales.tsn"), QStringLiteral("--sqlite"), emptyDb,
                QStringLiteral("-o"), out});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("Cannot open datasource")), qPrintable(r.err));
    QVERIFY(!QFile::exists(out));

    // The preview window is never opened for a report that fails.
    r = render({bad, QStringLiteral("--preview")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.contains(QStringLiteral("Uncompatible Tessarin file version.")));

    r = render({m_dir.filePath(QStringLiteral("nothere.tsn")), QStringLiteral("-o"), out});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.contains(QStringLiteral("Cannot open file ")));
}

void TestTessarinRender::postgresConnection()
{
    const QByteArray host = qgetenv("TESSARIN_PGHOST");
    if (host.isEmpty())
        QSKIP("TESSARIN_PGHOST is not set");
    const QString options = QStringLiteral("QPSQL:host=%1;port=%2;dbname=%3;user=%4")
                                .arg(QString::fromLocal8Bit(host), QString::fromLocal8Bit(qgetenv("TESSARIN_PGPORT")),
                                     QString::fromLocal8Bit(qgetenv("TESSARIN_PGDB")),
                                     QString::fromLocal8Bit(qgetenv("TESSARIN_PGUSER")));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pgsetup"));
        db.setHostName(QString::fromLocal8Bit(host));
        db.setPort(qEnvironmentVariableIntValue("TESSARIN_PGPORT"));
        db.setDatabaseName(QString::fromLocal8Bit(qgetenv("TESSARIN_PGDB")));
        db.setUserName(QString::fromLocal8Bit(qgetenv("TESSARIN_PGUSER")));
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        q.exec(QStringLiteral("DROP TABLE IF EXISTS invoice_lines"));
        q.exec(QStringLiteral("DROP TABLE IF EXISTS invoices"));
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE invoices (id INTEGER PRIMARY KEY, number TEXT, issued TEXT, customer TEXT, "
                                      "address TEXT, vat_rate DOUBLE PRECISION)")));
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE invoice_lines (id SERIAL PRIMARY KEY, invoice_id INTEGER, position INTEGER, "
                                      "description TEXT, quantity DOUBLE PRECISION, unit_price DOUBLE PRECISION)")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO invoices VALUES (1, 'PG-0001', '2026-12-01', 'O''Brien Ltd', 'Dock 1', 0.2)")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO invoice_lines (invoice_id, position, description, quantity, unit_price) "
                                      "VALUES (1, 1, 'Printer', 2, 100), (1, 2, 'Paper', 10, 2.5)")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("pgsetup"));

    const QString out = m_dir.filePath(QStringLiteral("pg.pdf"));
    const Run r = render({QStringLiteral(PROJECT_SOURCE_DIR "/examples/invoice/invoice.tsn"), QStringLiteral("--db"), options,
                          QStringLiteral("-o"), out});
    QCOMPARE(r.exitCode, 0);
    const QString text = pdfText(out);
    QVERIFY2(text.contains(QStringLiteral("O'Brien Ltd")), qPrintable(r.err + text));
    QVERIFY(text.contains(QStringLiteral("270.00")));   // 225.00 net + 20 % VAT
}

QTEST_GUILESS_MAIN(TestTessarinRender)
#include "tst_tessarin_render.moc"
