#ifndef ITEMTESTUTIL_H
#define ITEMTESTUTIL_H

// Shared by the text and shape item tests: an output that paints into one
// in-memory image and records what the items hand to renderItem(), a reader
// positioned on a single item element, and the poppler tools.

#include "tessarinoutput.h"
#include "tessarinxmlreader.h"

#include <QImage>
#include <QList>
#include <QPair>
#include <QPainter>
#include <QProcess>
#include <QStringList>

class ImageTestOutput : public TessarinOutput
{
public:
    // 254 dpi: exactly 10 pixels per millimetre.
    explicit ImageTestOutput(OutputType type = ImageOutput, double dpi = 254, QSizeF pageMM = QSizeF(100, 100))
        : image(qRound(pageMM.width() * dpi / 25.4), qRound(pageMM.height() * dpi / 25.4), QImage::Format_ARGB32)
    {
        setOutput(type);
        setScaleDpi(dpi);
        const int dotsPerMeter = qRound(dpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        image.fill(Qt::white);
        option().setPaperSize(QStringLiteral("CUSTOM"), pageMM);
    }
    ~ImageTestOutput() override { deletePainter(); }

    bool setup() override { return true; }
    void cleanup() override {}
    void begin() override { setPainter(new QPainter(&image)); }
    void end() override { deletePainter(); }
    void newPage() override {}
    QPaintDevice *device() const override { return const_cast<QImage *>(&image); }
    void renderItem(TessarinItem *item, const QRectF &rect) override { rendered.append(qMakePair(item, rect)); }

    QImage image;
    QList<QPair<TessarinItem *, QRectF>> rendered;
};

// A reader over one item element: read() of the item starts on it.
class SingleElementReader : public TessarinXMLReader
{
public:
    explicit SingleElementReader(const QString &element)
    {
        m_xml.addData(element);
        while (!m_xml.atEnd() && !m_xml.isStartElement())
            m_xml.readNext();
    }
    void init() override {}
};

inline QString runTool(const QString &program, const QStringList &args)
{
    QProcess proc;
    proc.start(program, args);
    if (!proc.waitForFinished(60000) || proc.exitCode() != 0)
        return QString();
    return QString::fromUtf8(proc.readAllStandardOutput());
}

// Text of every page of a PDF, split at the form feeds pdftotext puts
// between pages (the one after the last page is dropped).
inline QStringList pdfPages(const QString &file)
{
    QStringList pages = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")})
                            .split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

#endif // ITEMTESTUTIL_H
