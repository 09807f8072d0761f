#ifndef MEDIATESTUTIL_H
#define MEDIATESTUTIL_H

// Shared by the image and barcode item tests: an output painting into one
// image at 10 pixels per millimetre, a reader on a single item element, a
// data source over rows held in memory, and pixel helpers.

#include "tessarindatasource.h"
#include "tessarinoutput.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlwriter.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QtTest>
#include <QVariantList>

class MediaTestOutput : public TessarinOutput
{
public:
    explicit MediaTestOutput(OutputType type = ImageOutput)
        : image(1000, 1000, QImage::Format_ARGB32)
    {
        setOutput(type);
        setScaleDpi(254);
        image.fill(Qt::white);
        option().setPaperSize(QStringLiteral("CUSTOM"), QSizeF(100, 100));
        setPainter(new QPainter(&image));
    }
    ~MediaTestOutput() override { deletePainter(); }
    bool setup() override { return true; }
    void cleanup() override {}
    void begin() override {}
    void end() override {}
    void newPage() override {}
    void renderItem(TessarinItem *, const QRectF &rect) override { rendered.append(rect); }
    QImage snapshot()
    {
        painter()->end();
        const QImage copy = image.copy();
        painter()->begin(&image);
        return copy;
    }

    QImage image;
    QList<QRectF> rendered;
};

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

template <typename Item>
QString writtenElement(Item &item)
{
    QString text;
    TessarinXMLWriter writer(&text);
    item.write(&writer);
    return text;
}

// One column "v" over the given values; next() moves on. The definition
// it is made for owns it.
class MemoryRows : public TessarinDataSource
{
public:
    MemoryRows(const QVariantList &values, QObject *definition)
        : TessarinDataSource(definition)
        , m_values(values)
    {
        setID(QStringLiteral("ds"));
        setOpened(true);
    }
    bool open() override { return true; }
    bool close() override { return true; }
    bool first() override { return seek(0); }
    bool last() override { return seek(m_values.size() - 1); }
    bool next() override { return seek(m_row + 1); }
    bool previous() override { return seek(m_row - 1); }
    bool hasNext() override { return m_row + 1 < m_values.size(); }
    bool seek(int index) override
    {
        if (index < 0 || index >= m_values.size())
            return false;
        m_row = index;
        return true;
    }
    int size() const override { return m_values.size(); }
    int columnCount() const override { return 1; }
    QString columnName(int) const override { return QStringLiteral("v"); }
    bool isValid() const override { return true; }
    QVariant value(int, bool *ok = nullptr, int = -1) override
    {
        if (ok)
            *ok = true;
        return m_values.value(m_row);
    }
    QVariant value(const QString &, bool *ok = nullptr, int role = -1) override { return value(0, ok, role); }

private:
    QVariantList m_values;
    int m_row = 0;
};

inline QImage filledImage(QColor color, int width = 8, int height = 8)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// Left half red, right half blue.
inline QImage halvesImage()
{
    QImage image = filledImage(Qt::red, 20, 10);
    QPainter(&image).fillRect(10, 0, 10, 10, Qt::blue);
    return image;
}

inline QByteArray encoded(const QImage &image, const char *format = "PNG")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Colour classes that survive anti-aliasing: r(ed), b(lue), g(reen),
// d(ark), w(hite).
inline bool is(char kind, QRgb c)
{
    switch (kind) {
    case 'r': return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
    case 'b': return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60;
    case 'g': return qGreen(c) > 200 && qRed(c) < 60 && qBlue(c) < 60;
    case 'd': return qGray(c) < 60;
    default: return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 240;
    }
}

// Pixels of rect that are not white.
inline int inkIn(const QImage &image, const QRect &rect)
{
    int ink = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ink += is('w', image.pixel(x, y)) ? 0 : 1;
    return ink;
}

// Checks "x,y:k" samples, k a colour class of is().
inline void checkPixels(const QImage &image, const QString &samples)
{
    for (const QString &s : samples.split(QLatin1Char(' '))) {
        const QStringList parts = s.split(QRegularExpression(QStringLiteral("[,:]")));
        const QRgb c = image.pixel(parts[0].toInt(), parts[1].toInt());
        QVERIFY2(is(parts[2][0].toLatin1(), c), qPrintable(s + QStringLiteral(" is ") + QColor(c).name()));
    }
}

#endif // MEDIATESTUTIL_H
