#ifndef OUTPUTTESTUTIL_H
#define OUTPUTTESTUTIL_H

// Shared by the output tests: a stand-in for the engine's page loop and
// helpers around the poppler command-line tools.

#include "tessarinoutput.h"

#include <QImage>
#include <QMap>
#include <QPainter>
#include <QProcess>

#include <functional>

using PagePainter = std::function<void(TessarinOutput *, int report, int page)>;

// A caption with report and page number, and a black bar at 20..70 x 20..30 mm.
inline void paintCaption(TessarinOutput *out, int report, int page)
{
    QPainter *p = out->painter();
    const TessarinScale &s = out->scale();
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(s.mmToPixel(6));
    p->setFont(f);
    p->drawText(QPointF(s.mmToPixel(20), s.mmToPixel(50)), QStringLiteral("Report%1 Page%2").arg(report).arg(page));
    p->fillRect(QRectF(s.mmToPoint(QPointF(20, 20)), s.mmToPoint(QPointF(70, 30))), Qt::black);
}

// The engine's page loop: newPage() before every page in range once a page
// was started (with breakBetweenReports also at the first page of a later
// report or copy), painting pages in range, stopping after pageRangeTo().
struct EngineLoop
{
    int globalPage = 0;
    bool pageStarted = false;
    bool breakBetweenReports = true;

    int runReport(TessarinOutput *out, int reportNo, int pages, const PagePainter &paint = paintCaption)
    {
        out->setReportNum(reportNo);
        out->begin();
        int pageNo = 0;
        while (pageNo < pages) {
            const bool inRange = out->isPageInRange(++globalPage);
            ++pageNo;
            if (globalPage > 1 && inRange && pageStarted && (pageNo > 1 || breakBetweenReports))
                out->newPage();
            if (inRange) {
                pageStarted = true;
                paint(out, reportNo, pageNo);
                out->setFlagPrintStarted(true);
            }
            if (pageNo == out->pageRangeTo())
                break;
        }
        out->end();
        return pageNo;
    }

    // A job as the report API runs it: per report the batch flags, setup(), the run, cleanup().
    bool runJob(TessarinOutput *out, const QList<int> &pagesPerReport, const PagePainter &paint = paintCaption)
    {
        for (int r = 0; r < pagesPerReport.size(); ++r) {
            out->setBatchMode(pagesPerReport.size() > 1);
            out->setFlagFirst(r == 0);
            out->setFlagLast(r == pagesPerReport.size() - 1);
            if (!out->setup())
                return false;
            runReport(out, r + 1, pagesPerReport.at(r), paint);
            out->cleanup();
        }
        return true;
    }
};

inline QString runTool(const QString &program, const QStringList &args)
{
    QProcess proc;
    proc.start(program, args);
    proc.waitForFinished(60000);
    return QString::fromUtf8(proc.readAllStandardOutput() + proc.readAllStandardError());
}

inline QMap<QString, QString> pdfInfo(const QString &file)
{
    QMap<QString, QString> info;
    for (const QString &line : runTool(QStringLiteral("pdfinfo"), {file}).split(QLatin1Char('\n')))
        if (line.indexOf(QLatin1Char(':')) > 0)
            info.insert(line.section(QLatin1Char(':'), 0, 0), line.section(QLatin1Char(':'), 1).trimmed());
    return info;
}

inline QStringList pdfPageTexts(const QString &file)
{
    return runTool(QStringLiteral("pdftotext"), {file, QStringLiteral("-")}).split(QLatin1Char('\f'));
}

inline QRect darkBox(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 64)
                box |= QRect(x, y, 1, 1);
    return box;
}

#endif // OUTPUTTESTUTIL_H
