// engine_demo: builds an SQLite database from sales.sql, runs the report
// definition sales.tsn over it and writes a PDF.
//
//   engine_demo [output.pdf]

#include "tessarin.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Runs the statements of an SQL script one after the other.
bool runScript(QSqlDatabase &db, const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        err() << "Cannot read " << fileName << ": " << file.errorString() << Qt::endl;
        return false;
    }
    QString script;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (!line.trimmed().startsWith(QLatin1String("--")))
            script += line + QLatin1Char('\n');
    }
    QSqlQuery query(db);
    for (const QString &statement : script.split(QLatin1Char(';'))) {
        if (statement.trimmed().isEmpty())
            continue;
        if (!query.exec(statement)) {
            err() << "SQL error: " << query.lastError().text() << Qt::endl;
            return false;
        }
    }
    return true;
}

}

int main(int argc, char *argv[])
{
    // Reports lay out with fonts; a widget application provides them (and
    // the parameter dialogs a definition may ask for).
    QApplication app(argc, argv);
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("engine_demo.pdf");
    const QDir here(QCoreApplication::applicationDirPath());

    QTemporaryDir work;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(work.filePath(QStringLiteral("sales.db")));
    if (!work.isValid() || !db.open()) {
        err() << "Cannot create the database: " << db.lastError().text() << Qt::endl;
        return 1;
    }
    if (!runScript(db, here.filePath(QStringLiteral("sales.sql"))))
        return 1;

    Tessarin report;
    report.setReportFile(here.filePath(QStringLiteral("sales.tsn")));
    report.addParameter(QStringLiteral("period"), QStringLiteral("first quarter 2024"));
    QObject::connect(&report, qOverload<QString>(&Tessarin::pageProgress), &report,
                     [](const QString &text) { err() << text << Qt::endl; });
    if (!report.runReportToPdf(output)) {
        err() << "The report failed: " << report.lastErrorMsg() << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "Wrote " << QDir::toNativeSeparators(QFileInfo(output).absoluteFilePath()) << " ("
                        << report.pageCount() << (report.pageCount() == 1 ? " page" : " pages") << ", "
                        << report.runTimeElapsed() << " ms)" << Qt::endl;
    return 0;
}
