// tessarin-render: runs a report definition from the command line and writes
// the result as PDF, SVG or images.
#include "tessarin.h"
#include "tessarindef.h"
#include "tessarinerror.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

namespace {

enum ExitCode { ExitOk = 0, ExitReportError = 1, ExitUsage = 2 };

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Typed parameter values: whole numbers become int, decimals double, ISO dates QDate.
QVariant typedValue(const QString &text)
{
    bool ok = false;
    const int i = text.toInt(&ok);
    if (ok)
        return i;
    const double d = text.toDouble(&ok);
    if (ok)
        return d;
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid() && text.size() == 10)
        return date;
    return text;
}

QString formatFromName(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("jpeg"))
        return QStringLiteral("jpg");
    if (suffix == QLatin1String("htm"))
        return QStringLiteral("html");
    if (suffix == QLatin1String("xls"))
        return QStringLiteral("xls-html");
    return suffix;
}

int usageError(const QString &message)
{
    err() << "tessarin-render: " << message << "\n"
          << "Try 'tessarin-render --help' for more information.\n";
    err().flush();
    return ExitUsage;
}

int reportError(const QString &message)
{
    err() << message << "\n";
    err().flush();
    return ExitReportError;
}

// Parses "DRIVER:key=value;key=value" into a connection with that name.
bool openDatabase(const QString &spec, const QString &connectionName, QString *error)
{
    const int colon = spec.indexOf(QLatin1Char(':'));
    const QString driver = colon < 0 ? spec : spec.left(colon);
    const QString options = colon < 0 ? QString() : spec.mid(colon + 1);
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        *error = QStringLiteral("Database driver %1 is not available.").arg(driver);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, connectionName);
    QStringList rest;
    const QStringList parts = options.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString key = part.section(QLatin1Char('='), 0, 0).trimmed().toLower();
        const QString value = part.section(QLatin1Char('='), 1);
        if (key == QLatin1String("host") || key == QLatin1String("hostname"))
            db.setHostName(value);
        else if (key == QLatin1String("port"))
            db.setPort(value.toInt());
        else if (key == QLatin1String("dbname") || key == QLatin1String("database"))
            db.setDatabaseName(value);
        else if (key == QLatin1String("user"))
            db.setUserName(value);
        else if (key == QLatin1String("password"))
            db.setPassword(value);
        else
            rest << part;
    }
    if (!rest.isEmpty())
        db.setConnectOptions(rest.join(QLatin1Char(';')));
    if (!db.open()) {
        *error = QStringLiteral("Cannot open database: %1").arg(db.lastError().text());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Widgets are needed for the print dialog and preview; headless runs use the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt wants a private runtime directory; make the default one quietly instead of warning about it.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray dir = QDir::tempPath().toLocal8Bit() + "/runtime-" + QByteArray::number(uint(getuid()));
        QDir().mkpath(QString::fromLocal8Bit(dir));
        QFile::setPermissions(QString::fromLocal8Bit(dir), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tessarin-render"));
    QApplication::setApplicationVersion(Tessarin::version());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders a report definition to PDF, SVG or images."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("report"), QStringLiteral("Report definition file (.tsn)."));
    const QCommandLineOption outOpt({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Output file."), QStringLiteral("file"));
    const QCommandLineOption formatOpt(QStringLiteral("format"),
                                       QStringLiteral("Output format: pdf, svg, png, jpg, bmp, html, xls-html, txt (default: from the output file's extension)."),
                                       QStringLiteral("format"));
    const QCommandLineOption templateOpt(QStringLiteral("template"),
                                         QStringLiteral("Block template of the txt format."), QStringLiteral("file"));
    const QCommandLineOption cssOpt(QStringLiteral("css"),
                                    QStringLiteral("html format: write the styles into this style sheet file instead of the page."),
                                    QStringLiteral("file"));
    const QCommandLineOption paramOpt(QStringLiteral("param"),
                                      QStringLiteral("Report parameter; repeatable. Numbers and ISO dates are typed."),
                                      QStringLiteral("name=value"));
    const QCommandLineOption sqliteOpt(QStringLiteral("sqlite"),
                                       QStringLiteral("Open Qt's default database connection on this SQLite file."),
                                       QStringLiteral("file"));
    const QCommandLineOption dbOpt(QStringLiteral("db"),
                                   QStringLiteral("Open a database with any Qt SQL driver, e.g. QPSQL:host=127.0.0.1;port=5432;dbname=x;user=u."),
                                   QStringLiteral("driver:options"));
    const QCommandLineOption connOpt(QStringLiteral("connection-id"),
                                     QStringLiteral("Name of the connection the report's SQL sources use (and that --db opens)."),
                                     QStringLiteral("name"));
    const QCommandLineOption listOpt(QStringLiteral("string-list"),
                                     QStringLiteral("Give the report a string list read from a file, one entry per line; repeatable."),
                                     QStringLiteral("id=file"));
    const QCommandLineOption rangeOpt(QStringLiteral("page-range"),
                                      QStringLiteral("Pages to produce, e.g. 1-3,5."), QStringLiteral("ranges"));
    const QCommandLineOption copiesOpt(QStringLiteral("copies"),
                                       QStringLiteral("Produce the report this many times into one output."),
                                       QStringLiteral("n"));
    const QCommandLineOption langOpt(QStringLiteral("language"),
                                     QStringLiteral("Report language (two-letter code)."), QStringLiteral("code"));
    const QCommandLineOption zintOpt(QStringLiteral("zint-path"),
                                     QStringLiteral("Directory of the zint barcode program."), QStringLiteral("dir"));
    const QCommandLineOption previewOpt(QStringLiteral("preview"),
                                        QStringLiteral("Show the report in the preview window instead of writing a file."));
    const QCommandLineOption quietOpt({QStringLiteral("q"), QStringLiteral("quiet")},
                                      QStringLiteral("No progress and no summary on standard error."));
    parser.addOptions({outOpt, formatOpt, templateOpt, cssOpt, paramOpt, sqliteOpt, dbOpt, connOpt, listOpt, rangeOpt, copiesOpt,
                       langOpt, zintOpt, previewOpt, quietOpt});

    if (!parser.parse(QApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        fputs(qPrintable(parser.helpText()), stdout);
        return ExitOk;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        printf("tessarin-render %s\n", qPrintable(Tessarin::version()));
        return ExitOk;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return usageError(QStringLiteral("exactly one report definition file is needed."));
    const QString reportFile = positional.first();
    const bool quiet = parser.isSet(quietOpt);

    const bool preview = parser.isSet(previewOpt);
    const QString outFile = parser.value(outOpt);
    if (outFile.isEmpty() && !preview)
        return usageError(QStringLiteral("an output file is needed (-o FILE) unless --preview is given."));
    QString format = parser.isSet(formatOpt) ? parser.value(formatOpt).toLower()
                                             : (preview ? QStringLiteral("pdf") : formatFromName(outFile));
    const QStringList imageFormats{QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("bmp")};
    const QStringList otherFormats{QStringLiteral("pdf"), QStringLiteral("svg"), QStringLiteral("html"),
                                   QStringLiteral("xls-html"), QStringLiteral("txt")};
    if (!otherFormats.contains(format) && !imageFormats.contains(format))
        return usageError(
            QStringLiteral("unknown output format '%1' (pdf, svg, png, jpg, bmp, html, xls-html, txt).").arg(format));
    if (format == QLatin1String("txt") && !parser.isSet(templateOpt))
        return usageError(QStringLiteral("the txt format needs a block template (--template FILE)."));

    int copies = 1;
    if (parser.isSet(copiesOpt)) {
        bool ok = false;
        copies = parser.value(copiesOpt).toInt(&ok);
        if (!ok || copies < 1)
            return usageError(QStringLiteral("--copies needs a positive number."));
    }

    Tessarin report;
    for (const QString &param : parser.values(paramOpt)) {
        const int eq = param.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return usageError(QStringLiteral("--param needs name=value, got '%1'.").arg(param));
        report.addParameter(param.left(eq), typedValue(param.mid(eq + 1)));
    }
    for (const QString &entry : parser.values(listOpt)) {
        const int eq = entry.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return usageError(QStringLiteral("--string-list needs id=file, got '%1'.").arg(entry));
        QFile file(entry.mid(eq + 1));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return reportError(QStringLiteral("Cannot open file %1").arg(file.fileName()));
        QStringList lines;
        QTextStream in(&file);
        in.setCodec("UTF-8");
        while (!in.atEnd())
            lines << in.readLine();
        report.addStringList(entry.left(eq), lines);
    }

    if (!QFileInfo::exists(reportFile))
        return reportError(QStringLiteral("Cannot open file %1").arg(reportFile));

    const QString connectionId = parser.value(connOpt);
    if (parser.isSet(sqliteOpt)) {
        const QString dbFile = parser.value(sqliteOpt);
        // SQLite would silently create a missing file; a missing database is a user error.
        if (!QFileInfo::exists(dbFile))
            return reportError(QStringLiteral("Database file %1 does not exist.").arg(dbFile));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(dbFile);
        if (!db.open())
            return reportError(QStringLiteral("Cannot open database: %1").arg(db.lastError().text()));
    }
    if (parser.isSet(dbOpt)) {
        QString error;
        const QString name = connectionId.isEmpty() ? QLatin1String(QSqlDatabase::defaultConnection) : connectionId;
        if (!openDatabase(parser.value(dbOpt), name, &error))
            return reportError(error);
    }
    if (!connectionId.isEmpty())
        report.setConnectionID(connectionId);
    if (parser.isSet(langOpt))
        report.setCurrentLanguage(parser.value(langOpt));
    if (parser.isSet(zintOpt))
        report.setZintPath(parser.value(zintOpt));
    if (parser.isSet(rangeOpt))
        report.setPageRanges(parser.value(rangeOpt));
    report.setForceCopies(copies);
    report.setReportFile(QFileInfo(reportFile).absoluteFilePath());

    // Progress on stderr: one line rewritten in place on a terminal, a line per second otherwise.
    QElapsedTimer clock;
    clock.start();
    const bool tty = isatty(STDERR_FILENO);
    qint64 lastShown = 0; // short runs show no progress at all
    int pages = 0;
    int rows = 0;
    bool progressShown = false;
    auto showProgress = [&](bool force) {
        if (quiet)
            return;
        if (!force && clock.elapsed() - lastShown < (tty ? 200 : 1000))
            return;
        lastShown = clock.elapsed();
        progressShown = true;
        err() << (tty ? "\r" : "") << "pages " << pages << ", rows " << rows << (tty ? "" : "\n");
        err().flush();
    };
    QObject::connect(&report, QOverload<int>::of(&Tessarin::pageProgress), [&](int page) {
        pages = qMax(pages, page);
        showProgress(false);
    });
    QObject::connect(&report, QOverload<int>::of(&Tessarin::dataRowProgress), [&](int row) {
        rows = row;
        showProgress(false);
    });

    if (preview) {
        // The window shows the pages and can print or export them; it returns when closed.
        if (!report.runReportToPreview() || report.hasError())
            return reportError(report.lastErrorMsg());
        report.execPreview(report.takeOutput(), nullptr, false);
        return ExitOk;
    }

    // Write into a temporary name first, so a failed run never leaves a half-written output file.
    const QFileInfo outInfo(outFile);
    QDir().mkpath(outInfo.absolutePath());
    bool ok = false;
    QString produced = outInfo.absoluteFilePath();
    if (format == QLatin1String("pdf")) {
        const QString tmp = outInfo.absolutePath() + QStringLiteral("/.") + outInfo.fileName() + QStringLiteral(".part");
        ok = report.runReportToPdf(tmp);
        if (ok) {
            QFile::remove(produced);
            ok = QFile::rename(tmp, produced);
        }
        QFile::remove(tmp);
    } else if (format == QLatin1String("svg")) {
        ok = report.runReportToSVG(produced);
    } else if (format == QLatin1String("html")) {
        ok = report.runReportToHtml(produced, 0, parser.value(cssOpt));
    } else if (format == QLatin1String("xls-html")) {
        ok = report.runReportToExcelHtml(produced);
    } else if (format == QLatin1String("txt")) {
        ok = report.runReportToText(produced, parser.value(templateOpt));
    } else {
        QString target = produced;
        if (outInfo.suffix().toLower() != format && !(format == QLatin1String("jpg") && outInfo.suffix().toLower() == QLatin1String("jpeg")))
            target = outInfo.absolutePath() + QLatin1Char('/') + outInfo.completeBaseName() + QLatin1Char('.') + format;
        ok = report.runReportToImage(target);
    }
    if (progressShown && tty) {
        showProgress(true);
        err() << "\n";
    }

    if (!ok || report.hasError()) {
        QString message = report.lastErrorMsg();
        if (message.isEmpty())
            message = QStringLiteral("The report could not be produced.");
        return reportError(message);
    }
    if (!quiet) {
        const int total = qMax(report.pageCount(), pages);
        err() << "Wrote " << produced << " (" << total << " page" << (total == 1 ? "" : "s") << ") in "
              << clock.elapsed() << " ms\n";
        err().flush();
    }
    return ExitOk;
}
