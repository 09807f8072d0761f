#ifndef TABLEGRAPHTESTUTIL_H
#define TABLEGRAPHTESTUTIL_H

// Helpers of the table and graph item tests: an output painting into an
// image, and running reports into PDF text.

#include "tessarinoutput.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRectF>
#include <QStringList>

// Paints one page into an image at a chosen resolution and records what
// reaches renderItem().
class ImageTestOutput : public TessarinOutput
{
public:
    explicit ImageTestOutput(int dpi, OutputType type = ImageOutput, QSize size = QSize(1200, 1600))
        : m_image(size, QImage::Format_ARGB32)
    {
        setOutput(type);
        setResolution(dpi);
        m_image.fill(Qt::white);
    }
    ~ImageTestOutput() override { setPainter(nullptr); }

    bool setup() override { return true; }
    void cleanup() override {}
    void begin() override
    {
        m_ownPainter.begin(&m_image);
        setPainter(&m_ownPainter);
    }
    void end() override
    {
        setPainter(nullptr);
        m_ownPainter.end();
    }
    void newPage() override {}
    void deletePainter() override {}
    void renderItem(TessarinItem *, const QRectF &rect) override { rendered.append(rect); }

    int countPixels(QRgb rgb) const
    {
        int n = 0;
        for (int y = 0; y < m_image.height(); ++y)
            for (int x = 0; x < m_image.width(); ++x)
                n += (m_image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF);
        return n;
    }
    const QImage &image() const { return m_image; }

    QList<QRectF> rendered;

private:
    QImage m_image;
    QPainter m_ownPainter;
};

inline QString pdfText(const QString &fileName, int *pages = nullptr)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {fileName});
    info.waitForFinished(30000);
    const QString infoText = QString::fromUtf8(info.readAllStandardOutput());
    if (pages) {
        *pages = 0;
        for (const QString &line : infoText.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("Pages:")))
                *pages = line.mid(6).trimmed().toInt();
    }
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), fileName, QStringLiteral("-")});
    text.waitForFinished(30000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

// Words of a PDF page's text, in reading order.
inline QStringList pdfWords(const QString &pageText)
{
    return pageText.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

inline QString reportXml(const QString &body, const QString &options = QString())
{
    return QStringLiteral("<?xml version=\"1.0\"?><Tessarin version=\"2.0\" type=\"report\"><options>%1</options>"
                          "<datasources><datasource id=\"one\" type=\"txt\" source=\"static\" "
                          "hasColumnHeader=\"true\">x\n1</datasource></datasources>%2"
                          "</Tessarin>")
        .arg(options, body);
}

#endif // TABLEGRAPHTESTUTIL_H
