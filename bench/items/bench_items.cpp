// Usage: bench_items                     all runs, one child process each
//        bench_items MODE PAGES          one run, prints one result line
// Modes:
//   direct   the text of each record drawn with QPainter::drawText (baseline)
//   records  one text item per detail row: new HTML per row, measured, painted
//   split    one long text item (paragraphs of six lines) printed in parts,
//            page after page
//   split-plain  the same as plain text: one paragraph of lines joined by
//            line breaks (Qt re-shapes such a block whenever part of it is drawn)
#include "tessarindef.h"
#include "tessarinpdfoutput.h"
#include "tessarintextitem.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

constexpr int RowsPerPage = 6;
constexpr double RowHeightMM = 42;
constexpr double TopMM = 15;
constexpr double BodyMM = 297 - 15 - 15;

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

QString recordText(int record)
{
    return QStringLiteral("Record %1: <b>customer %2</b>, order %3. Delivery to warehouse %4, "
                          "%5 parcels, weight %6 kg. Notes: handle with care, keep dry, "
                          "the quick brown fox jumps over the lazy dog %1 times.")
        .arg(record)
        .arg(record * 7 % 1000)
        .arg(record * 13)
        .arg(record % 17)
        .arg(record % 9 + 1)
        .arg(record * 3 % 250);
}

QString recordHtml(int record)
{
    return QStringLiteral("<p>%1</p><ul><li>line A of %2</li><li>line B of %2</li></ul>")
        .arg(recordText(record))
        .arg(record);
}

struct Sampler
{
    QList<qint64> samples;
    void at(int page, int pages)
    {
        if (page == pages / 5 || page == pages / 2)
            samples << procStatusKiB("VmRSS");
    }
};

int runOne(const QString &mode, int pages)
{
    QTemporaryDir dir;
    TessarinDef def;
    TessarinPdfOutput out;
    out.option().setPaperSize(QPagedPaintDevice::A4, QPrinter::Portrait);
    out.setFileName(dir.filePath(QStringLiteral("bench.pdf")));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(10);

    auto item = std::make_unique<TessarinTextItem>(&def);
    item->setFont(font);
    item->setMetricSize(QSizeF(170, 10));
    item->setAutoHeight(true);
    item->setAbleToBreak(true);

    Sampler sampler;
    QElapsedTimer timer;
    timer.start();
    if (!out.setup())
        return 1;
    out.begin();
    int page = 0;
    if (mode.startsWith(QLatin1String("split"))) {
        const bool plain = mode == QLatin1String("split-plain");
        QString html;
        // Sized for about the number of pages asked for.
        const int lines = plain ? pages * 62 - 20 : pages * 55;
        for (int i = 0; i < lines; ++i) {
            const QString line = QStringLiteral("Line %1 of the long text, %2").arg(i + 1).arg(recordText(i).left(40));
            if (plain)
                html += line + QLatin1Char('\n');
            else
                html += (i % 6 == 0 ? QStringLiteral("<p>") : QStringLiteral("<br>")) + line;
        }
        item->setPlain(plain);
        item->setHtmlContent(html);
        item->adjustSize(&out);
        while (true) {
            ++page;
            if (item->breakTo(BodyMM, &out) < 0)
                return 2;
            item->paint(&out, QPointF(20, TopMM));
            out.setFlagPrintStarted(true);
            sampler.at(page, pages);
            if (!item->isBroken())
                break;
            out.newPage();
        }
    } else {
        const bool direct = mode == QLatin1String("direct");
        int record = 0;
        for (page = 1; page <= pages; ++page) {
            if (page > 1)
                out.newPage();
            for (int row = 0; row < RowsPerPage; ++row) {
                const QPointF origin(20, TopMM + row * RowHeightMM);
                ++record;
                if (direct) {
                    QPainter *p = out.painter();
                    const TessarinScale &s = out.scale();
                    p->setFont(font);
                    p->drawText(QRectF(s.mmToPoint(origin), s.mmToSize(QSizeF(170, RowHeightMM))),
                                Qt::TextWordWrap,
                                recordText(record) + QStringLiteral("\n- line A of %1\n- line B of %1").arg(record));
                } else {
                    // What the evaluator and the section layout do per row.
                    item->applyDynamicText(recordHtml(record));
                    item->adjustSize(&out);
                    item->paint(&out, origin);
                }
                out.setFlagPrintStarted(true);
            }
            sampler.at(page, pages);
        }
        --page;
    }
    sampler.samples << procStatusKiB("VmRSS");
    out.end();
    out.cleanup();
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (out.hasError()) {
        std::fprintf(stderr, "%s\n", qPrintable(out.errorText()));
        return 1;
    }
    std::printf("%-8s %4d pages  %7.2f s  %7.1f pages/s  RSS at 1/5, 1/2, end of run: %6.1f %6.1f %6.1f MiB\n",
                qPrintable(mode), page, seconds, page / seconds, sampler.samples.value(0) / 1024.0,
                sampler.samples.value(1) / 1024.0, sampler.samples.value(2) / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtimeDir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3)
        return runOne(args.at(1), args.at(2).toInt());

    int failures = 0;
    QMap<QString, double> rates;
    for (const QString &mode : {QStringLiteral("direct"), QStringLiteral("records"), QStringLiteral("split"),
                                QStringLiteral("split-plain")}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(app.applicationFilePath(), {mode, QStringLiteral("500")});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            ++failures;
        const QByteArray line = child.readAllStandardOutput();
        std::fputs(line.constData(), stdout);
        const QList<QByteArray> fields = line.simplified().split(' ');
        rates.insert(mode, fields.value(5).toDouble());
    }
    if (rates.value(QStringLiteral("direct")) > 0) {
        const double base = rates.value(QStringLiteral("direct"));
        std::printf("speed against direct painting: records %.2f, split %.2f, split-plain %.2f\n",
                    rates.value(QStringLiteral("records")) / base, rates.value(QStringLiteral("split")) / base,
                    rates.value(QStringLiteral("split-plain")) / base);
    }
    return failures ? 1 : 0;
}
