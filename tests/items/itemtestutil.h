#ifndef ITEMTESTUTIL_H
#define ITEMTESTUTIL_H

// Helpers of the item tests: reading one item element from text, writing an
// item and looking at what was written, and an output that paints onto an
// image at a chosen resolution and records what it was handed.

#include "tessarinoutput.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlwriter.h"

#include <QImage>
#include <QPainter>
#include <QXmlStreamReader>

class ItemReader : public TessarinXMLReader
{
public:
    void init() override {}
};

// Reads xml into item; true when the reader was left on the item's end element.
template<typename Item>
bool readItem(Item &item, const QString &xml, TessarinDef *def = nullptr)
{
    ItemReader reader;
    reader.setReportDef(def);
    reader.xml().addData(xml);
    while (!reader.xml().atEnd() && !reader.xml().isStartElement())
        reader.xml().readNext();
    const QString name = reader.xml().name().toString();
    item.read(&reader);
    return reader.xml().isEndElement() && reader.xml().name() == name && !reader.xml().hasError();
}

template<typename Item>
QString writeItem(Item &item)
{
    QString out;
    TessarinXMLWriter writer(&out);
    item.write(&writer);
    return out;
}

// The written element: attributes, direct text and (name, text) of children,
// a child's "lang" attribute appended to its name as "@lang".
struct WrittenElement
{
    QXmlStreamAttributes attributes;
    QList<QPair<QString, QString>> children;
    QString text;

    explicit WrittenElement(const QString &xml)
    {
        QXmlStreamReader r(xml);
        while (!r.atEnd() && !r.isStartElement())
            r.readNext();
        attributes = r.attributes();
        while (!r.atEnd()) {
            if (r.readNext() == QXmlStreamReader::EndElement)
                break;
            if (r.isCharacters())
                text += r.text();
            if (r.isStartElement()) {
                QString name = r.name().toString();
                if (r.attributes().hasAttribute(QLatin1String("lang")))
                    name += QLatin1Char('@') + r.attributes().value(QLatin1String("lang"));
                children.append(qMakePair(name, r.readElementText(QXmlStreamReader::IncludeChildElements)));
            }
        }
    }
    bool has(const char *name) const { return attributes.hasAttribute(QLatin1String(name)); }
    QString attr(const char *name) const { return attributes.value(QLatin1String(name)).toString(); }
};

// Paints onto an image; type says which kind of output it pretends to be.
class ImagePaintOutput : public TessarinOutput
{
    Q_OBJECT
public:
    ImagePaintOutput(double dpi, const QSize &pixels, OutputType type = ImageOutput)
        : image(pixels, QImage::Format_ARGB32)
    {
        setOutput(type);
        setScaleDpi(dpi);
        image.fill(Qt::white);
        image.setDotsPerMeterX(qRound(dpi / 0.0254));
        image.setDotsPerMeterY(qRound(dpi / 0.0254));
        setPainter(new QPainter(&image));
    }
    ~ImagePaintOutput() override { deletePainter(); }

    bool setup() override { return true; }
    void cleanup() override {}
    void begin() override {}
    void end() override {}
    void newPage() override {}
    QPaintDevice *device() const override { return const_cast<QImage *>(&image); }
    void renderItem(TessarinItem *item, const QRectF &rect) override { rendered.append(qMakePair(item, rect)); }

    QImage image;
    QList<QPair<TessarinItem *, QRectF>> rendered;
};

// Bounding box of the pixels darker than threshold.
inline QRect inkBox(const QImage &image, int threshold = 128)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < threshold)
                box |= QRect(x, y, 1, 1);
    return box;
}

#endif // ITEMTESTUTIL_H
