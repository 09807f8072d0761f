// Usage: bench_engine                               all runs, one child process each
//        bench_engine sqlite|model|bare ROWS [PDF]   one run, prints one result line
//                                                    (and keeps the PDF when named)
//
// The report: a column header on every page, one detail of three fields on
// 5 mm rows, and a "Page X of Y" footer, so the engine runs two passes.
#include "tessarin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const char *const definition = R"(<?xml version="1.0" encoding="UTF-8"?>
<Tessarin version="2.0" name="bench" type="report">
 <options>
  <pagesize width="210" height="297">A4</pagesize>
  <topmargin>15</topmargin><bottommargin>15</bottommargin><leftmargin>20</leftmargin><rightmargin>20</rightmargin>
  <doublePass>true</doublePass>
 </options>
 <datasources>%1</datasources>
 <pageheader height="8">
  <label posX="0" posY="0" width="30" height="5">No.</label>
  <label posX="30" posY="0" width="100" height="5">Name</label>
  <label posX="130" posY="0" width="40" height="5">Amount</label>
 </pageheader>
 <details>
  <detail id="rows" height="5" datasource="rows">
   <items>
    <field posX="0" posY="0" width="30" height="5">id</field>
    <field posX="30" posY="0" width="100" height="5">name</field>
    <field posX="130" posY="0" width="40" height="5">amount</field>
   </items>
  </detail>
 </details>
 <pagefooter height="8">
  <field posX="0" posY="2" width="170" height="5" ftype="tpl">Page $V{pageno} of $V{pagecount}</field>
 </pagefooter>
</Tessarin>)";

QString nameOf(int row)
{
    return QStringLiteral("Customer %1 of the benchmark").arg(row);
}

QString amountOf(int row)
{
    return QString::number((row * 37) % 10000 / 100.0, 'f', 2);
}

qint64 procStatusKiB(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

bool fillDatabase(const QString &fileName, int rows)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(fileName);
    if (!db.open())
        return false;
    QSqlQuery q(db);
    q.exec(QStringLiteral("CREATE TABLE rows (id INTEGER PRIMARY KEY, name TEXT, amount TEXT)"));
    db.transaction();
    q.prepare(QStringLiteral("INSERT INTO rows VALUES (?, ?, ?)"));
    for (int i = 1; i <= rows; ++i) {
        q.addBindValue(i);
        q.addBindValue(nameOf(i));
        q.addBindValue(amountOf(i));
        if (!q.exec())
            return false;
    }
    return db.commit();
}

// The same pages painted directly: header, rows, footer.
int paintBare(const QString &fileName, int rows)
{
    QPdfWriter writer(fileName);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(1200);
    QPainter p(&writer);
    const double px = writer.resolution() / 25.4;
    const int perPage = int((297.0 - 15 - 15 - 8 - 8) / 5);
    const int pages = (rows + perPage - 1) / perPage;
    QFont font = p.font();
    font.setPointSize(10);
    p.setFont(font);
    auto text = [&](double x, double y, const QString &s) {
        p.drawText(QRectF(x * px, y * px, 100 * px, 5 * px), Qt::AlignLeft | Qt::AlignTop, s);
    };
    int row = 1;
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        text(20, 15, QStringLiteral("No."));
        text(50, 15, QStringLiteral("Name"));
        text(150, 15, QStringLiteral("Amount"));
        for (int i = 0; i < perPage && row <= rows; ++i, ++row) {
            const double y = 23 + i * 5;
            text(20, y, QString::number(row));
            text(50, y, nameOf(row));
            text(150, y, amountOf(row));
        }
        text(20, 297 - 15 - 8 + 2, QStringLiteral("Page %1 of %2").arg(page).arg(pages));
    }
    return pages;
}

int runOne(const QString &kind, int rows, const QString &keep)
{
    QTemporaryDir dir;
    const QString pdf = keep.isEmpty() ? dir.filePath(QStringLiteral("bench.pdf")) : keep;
    QStandardItemModel model;
    QString source;
    if (kind == QLatin1String("sqlite")) {
        if (!fillDatabase(dir.filePath(QStringLiteral("bench.db")), rows))
            return 1;
        source = QStringLiteral("<datasource id=\"rows\" type=\"sql\" source=\"static\" connection=\"internal\">"
                                "SELECT id, name, amount FROM rows ORDER BY id</datasource>");
    } else if (kind == QLatin1String("model")) {
        model.setColumnCount(3);
        model.setHorizontalHeaderLabels({QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("amount")});
        model.setRowCount(rows);
        for (int i = 0; i < rows; ++i) {
            model.setItem(i, 0, new QStandardItem(QString::number(i + 1)));
            model.setItem(i, 1, new QStandardItem(nameOf(i + 1)));
            model.setItem(i, 2, new QStandardItem(amountOf(i + 1)));
        }
        source = QStringLiteral("<datasource id=\"rows\" type=\"model\" modelID=\"rows\"/>");
    }

    const qint64 rssBefore = procStatusKiB("VmRSS");
    QElapsedTimer timer;
    timer.start();
    int pages = 0;
    if (kind == QLatin1String("bare")) {
        pages = paintBare(pdf, rows);
    } else {
        Tessarin report;
        report.addItemModel(QStringLiteral("rows"), &model);
        report.setReportDefXml(QString::fromLatin1(definition).arg(source));
        if (!report.runReportToPdf(pdf)) {
            std::fprintf(stderr, "%s\n", qPrintable(report.lastErrorMsg()));
            return 1;
        }
        pages = report.pageCount();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%-6s %6d rows %5d pages %7.2f s %9.0f rows/s %7.1f pages/s  peak RSS %6.1f MiB (before run %5.1f MiB)\n",
                qPrintable(kind), rows, pages, seconds, rows / seconds, pages / seconds,
                procStatusKiB("VmHWM") / 1024.0, rssBefore / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 || argc == 4) {
        QApplication app(argc, argv);
        return runOne(QString::fromLatin1(argv[1]), QString::fromLatin1(argv[2]).toInt(),
                      argc == 4 ? QString::fromLocal8Bit(argv[3]) : QString());
    }
    QCoreApplication app(argc, argv);
    const QStringList kinds{QStringLiteral("bare"), QStringLiteral("sqlite"), QStringLiteral("model")};
    for (int rows : {1000, 10000, 50000}) {
        QHash<QString, double> seconds;
        for (const QString &kind : kinds) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(), {kind, QString::number(rows)});
            if (!child.waitForFinished(-1) || child.exitCode() != 0) {
                std::printf("%s %d: failed\n", qPrintable(kind), rows);
                continue;
            }
            const QString line = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
            std::printf("%s\n", qPrintable(line));
            seconds.insert(kind, line.section(QLatin1String(" s "), 0, 0).section(QLatin1Char(' '), -1).toDouble());
        }
        if (seconds.value(QStringLiteral("bare")) > 0) {
            const double bare = seconds.value(QStringLiteral("bare"));
            std::printf("       %6d rows: time against the bare painter: sqlite %.2fx, model %.2fx\n\n", rows,
                        seconds.value(QStringLiteral("sqlite")) / bare, seconds.value(QStringLiteral("model")) / bare);
        }
        std::fflush(stdout);
    }
    return 0;
}
