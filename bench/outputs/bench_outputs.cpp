// Usage: bench_outputs                 all runs, one child process each
//        bench_outputs pdf|png PAGES   one run, prints one result line
#include "tessarinimageoutput.h"
#include "tessarinpdfoutput.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

// Peak and current resident memory of this process in KiB.
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

void paintPage(TessarinOutput *out, int page)
{
    QPainter *p = out->painter();
    const TessarinScale &s = out->scale();
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(s.mmToPixel(4));
    p->setFont(font);
    p->setPen(Qt::black);
    p->drawText(QPointF(s.mmToPixel(20), s.mmToPixel(20)), QStringLiteral("Benchmark report, page %1").arg(page));
    for (int row = 0; row < 40; ++row) {
        const double y = 30 + row * 6;
        p->drawText(QPointF(s.mmToPixel(20), s.mmToPixel(y + 4)),
                    QStringLiteral("Row %1   item %2   amount %3").arg(row + 1).arg(page * 40 + row).arg((page * 37 + row) % 1000));
        p->drawLine(QPointF(s.mmToPixel(20), s.mmToPixel(y + 5)), QPointF(s.mmToPixel(190), s.mmToPixel(y + 5)));
    }
    p->drawRect(QRectF(s.mmToPoint(QPointF(15, 15)), s.mmToPoint(QPointF(195, 282))));
}

int runOne(const QString &kind, int pages)
{
    QTemporaryDir dir;
    QScopedPointer<TessarinOutput> out;
    if (kind == QLatin1String("pdf")) {
        out.reset(new TessarinPdfOutput);
        out->setFileName(dir.filePath(QStringLiteral("bench.pdf")));
    } else {
        out.reset(new TessarinImageOutput);
        out->setFileName(dir.filePath(QStringLiteral("bench.png")));
    }
    const qint64 startRss = procStatusKiB("VmRSS");
    QElapsedTimer timer;
    timer.start();
    if (!out->setup())
        return 1;
    out->setReportNum(1);
    out->begin();
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            out->newPage();
        paintPage(out.data(), page);
        out->setFlagPrintStarted(true);
    }
    out->end();
    out->cleanup();
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (out->hasError()) {
        std::fprintf(stderr, "%s\n", qPrintable(out->errorText()));
        return 1;
    }
    std::printf("%-4s %5d pages  %8.2f s  %8.1f pages/s  peak RSS %7.1f MiB  (RSS before run %6.1f MiB)\n",
                qPrintable(kind), pages, seconds, pages / seconds, procStatusKiB("VmHWM") / 1024.0,
                startRss / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt wants a private runtime directory; children inherit this one.
    QTemporaryDir runtimeDir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3)
        return runOne(args.at(1), args.at(2).toInt());

    // Each run in a fresh process, so that every peak is its own.
    int failures = 0;
    for (const QString &kind : {QStringLiteral("pdf"), QStringLiteral("png")}) {
        for (int pages : {200, 2000}) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(app.applicationFilePath(), {kind, QString::number(pages)});
            if (!child.waitForFinished(-1) || child.exitCode() != 0)
                ++failures;
            std::fputs(child.readAllStandardOutput().constData(), stdout);
            std::fflush(stdout);
        }
    }
    return failures ? 1 : 0;
}
