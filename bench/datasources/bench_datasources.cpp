// Usage: bench_datasources [rows]   (default 100000)
#include "tessarindatasource.h"
#include "tessarinitemmodeldatasource.h"
#include "tessarinsqldatasource.h"
#include "tessarinstringlistdatasource.h"
#include "tessarintextdatasource.h"
#include "tessarinxmldatasource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <functional>

namespace {

int rows = 100000;
qint64 checksum = 0;   // keeps the reads from being optimised away

QString field(int row, int column)
{
    switch (column) {
    case 0: return QString::number(row);
    case 1: return QStringLiteral("name%1").arg(row % 977);
    default: return QString::number(row * 0.25, 'f', 2);
    }
}

// Best of five runs, in rows per second.
double measure(const std::function<int()> &run)
{
    double best = 0;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        const int n = run();
        const double seconds = qMax<qint64>(timer.nsecsElapsed(), 1) / 1e9;
        if (n != rows)
            std::fprintf(stderr, "  warning: %d rows read instead of %d\n", n, rows);
        best = qMax(best, n / seconds);
    }
    return best;
}

int readAll(TessarinDataSource *ds)
{
    if (!ds->open())
        return -1;
    int n = 0;
    while (ds->next()) {
        for (int c = 0; c < 3; ++c)
            checksum += ds->value(c).toString().size();
        ++n;
    }
    ds->close();
    return n;
}

void report(const char *name, double rate, const char *baselineName, double baseline)
{
    std::printf("%-34s %12.0f rows/s   %5.2f x %s\n", name, rate, rate / baseline, baselineName);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1)
        rows = qMax(1, QByteArray(argv[1]).toInt());
    QTemporaryDir dir;

    // The same rows as tab-separated text, a string list, an XML document, a model and an SQLite table.
    QStringList lines;
    QString xml = QStringLiteral("<data><datasources><datasource id=\"b\"><columns><column>id</column>"
                                 "<column>name</column><column>amount</column></columns>");
    QStandardItemModel model(rows, 3);
    for (int r = 0; r < rows; ++r) {
        lines.append(field(r, 0) + QLatin1Char('\t') + field(r, 1) + QLatin1Char('\t') + field(r, 2));
        xml += QStringLiteral("<row><d>%1</d><d>%2</d><d>%3</d></row>").arg(field(r, 0), field(r, 1), field(r, 2));
        for (int c = 0; c < 3; ++c)
            model.setItem(r, c, new QStandardItem(field(r, c)));
    }
    xml += QStringLiteral("</datasource></datasources></data>");
    const QString textPath = dir.filePath(QStringLiteral("rows.txt"));
    {
        QFile f(textPath);
        f.open(QIODevice::WriteOnly);
        f.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(dir.filePath(QStringLiteral("rows.db")));
    db.open();
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("CREATE TABLE rows (id INTEGER, name TEXT, amount REAL)"));
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO rows VALUES (?, ?, ?)"));
        for (int r = 0; r < rows; ++r) {
            q.addBindValue(r);
            q.addBindValue(field(r, 1));
            q.addBindValue(r * 0.25);
            q.exec();
        }
        db.commit();
    }
    const QString select = QStringLiteral("SELECT id, name, amount FROM rows");

    std::printf("%d rows, 3 columns, best of 5 runs\n\n", rows);

    const double readLine = measure([&] {
        QFile f(textPath);
        f.open(QIODevice::ReadOnly);
        int n = 0;
        while (!f.atEnd()) {
            const QString line = QString::fromUtf8(f.readLine()).chopped(1);
            for (const QStringRef &part : line.splitRef(QLatin1Char('\t')))
                checksum += part.size();
            ++n;
        }
        return n;
    });
    report("baseline QFile::readLine + split", readLine, "readLine", readLine);
    report("text file", measure([&] {
               TessarinTextDataSource ds;
               ds.setLocationType(TessarinDataSource::File);
               ds.setFileName(textPath);
               return readAll(&ds);
           }), "readLine", readLine);
    report("text inline", measure([&] {
               TessarinTextDataSource ds;
               ds.setSpecification(lines.join(QLatin1Char('\n')));
               return readAll(&ds);
           }), "readLine", readLine);
    report("string list", measure([&] {
               TessarinStringListDataSource ds;
               ds.setStringList(lines);
               // Opens on the first row: count it before stepping on.
               if (!ds.open())
                   return -1;
               int n = 0;
               do {
                   for (int c = 0; c < 3; ++c)
                       checksum += ds.value(c).toString().size();
                   ++n;
               } while (ds.next());
               return n;
           }), "readLine", readLine);
    report("xml inline (parse + walk)", measure([&] {
               TessarinXMLDataSource ds;
               ds.setID(QStringLiteral("b"));
               ds.setSpecification(xml);
               return readAll(&ds);
           }), "readLine", readLine);

    const double modelLoop = measure([&] {
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < 3; ++c)
                checksum += model.index(r, c).data(Qt::EditRole).toString().size();
        }
        return rows;
    });
    std::printf("\n");
    report("baseline model index loop", modelLoop, "model loop", modelLoop);
    report("item model", measure([&] {
               TessarinItemModelDataSource ds;
               ds.setItemModel(&model);
               if (!ds.open())
                   return -1;
               int n = 0;
               do {
                   for (int c = 0; c < 3; ++c)
                       checksum += ds.value(c).toString().size();
                   ++n;
               } while (ds.next());
               return n;
           }), "model loop", modelLoop);

    auto plainQuery = [&](bool forwardOnly) {
        return measure([&] {
            QSqlQuery q(db);
            q.setForwardOnly(forwardOnly);
            q.exec(select);
            int n = 0;
            while (q.next()) {
                for (int c = 0; c < 3; ++c)
                    checksum += q.value(c).toString().size();
                ++n;
            }
            return n;
        });
    };
    auto sqlSource = [&](bool forwardOnly) {
        return measure([&] {
            TessarinSQLDataSource ds;
            ds.setConnectionID(QStringLiteral("bench"));
            ds.setSpecification(select);
            ds.setForwardOnly(forwardOnly);
            return readAll(&ds);
        });
    };
    const double queryForward = plainQuery(true);
    const double queryScroll = plainQuery(false);
    std::printf("\n");
    report("baseline QSqlQuery forward-only", queryForward, "QSqlQuery fw", queryForward);
    report("baseline QSqlQuery scrollable", queryScroll, "QSqlQuery fw", queryForward);
    report("sql forward-only", sqlSource(true), "QSqlQuery fw", queryForward);
    report("sql scrollable", sqlSource(false), "QSqlQuery scroll", queryScroll);
    report("sql scrollable + rowCount()", measure([&] {
               TessarinSQLDataSource ds;
               ds.setConnectionID(QStringLiteral("bench"));
               ds.setSpecification(select);
               if (!ds.open() || ds.rowCount() != rows)
                   return -1;
               int n = 0;
               while (ds.next()) {
                   for (int c = 0; c < 3; ++c)
                       checksum += ds.value(c).toString().size();
                   ++n;
               }
               ds.close();
               return n;
           }), "QSqlQuery scroll", queryScroll);

    std::printf("\n(checksum %lld)\n", checksum);
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return 0;
}
