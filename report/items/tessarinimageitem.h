#ifndef TESSARINIMAGEITEM_H
#define TESSARINIMAGEITEM_H

#include "tessarinimagedata.h"
#include "tessarinitem.h"

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>

// A raster image or an SVG drawing: embedded in the definition, read from a
// file (fixed or named by a column), taken from a column (image bytes,
// Base64 text, SVG bytes or a pixmap), from a report parameter, or
// downloaded from a URL (fixed or from a column). It is scaled into the
// item's box by the aspect-ratio rule and aligned inside it.
//
// Pictures come from data the report does not control, so loading is
// bounded: a download stops after maxDownloadBytes() bytes or
// downloadTimeout() milliseconds, a Base64 or SVG file longer than
// maxDownloadBytes() is not read, and a raster image larger than
// MaxImagePixels pixels is refused from its header, before it is decoded.
// A refused or unreadable picture leaves the item without picture;
// loadError() tells why.
class TESSARIN2_EXPORT TessarinImageItem : public TessarinItem
{
public:
    static constexpr qint64 MaxImagePixels = qint64(1) << 28;
    static constexpr qint64 DefaultMaxDownloadBytes = qint64(64) * 1024 * 1024;
    static constexpr int DefaultDownloadTimeout = 30000;

    explicit TessarinImageItem(TessarinDef *reportDef = nullptr, QGraphicsItem *parent = nullptr);
    ~TessarinImageItem() override;

    TessarinImageData *imageData() const { return static_cast<TessarinImageData *>(d); }

    // Fills the pixmap or the SVG data from the source. With an evaluator,
    // tokens in a file name are substituted. False only when a Base64 or
    // SVG file cannot be read.
    bool load(TessarinEvaluator *evaluator = nullptr);

    // The pixmap as Base64 of a PNG file.
    QByteArray toBase64() const;
    // The fragment markup outputs embed: the picture as a PNG data URL.
    QByteArray toHtml() const;
    // Where a picture of the given size goes inside rect, by the alignment;
    // a picture as large as the rectangle (or larger) starts at its corner.
    QPointF imageTargetPoint(const QRectF &rect, const QSizeF &size) const;

    // Decoding with the size check: a null image (and the reason in error)
    // for unreadable data and for pictures over MaxImagePixels.
    static QImage decodeImage(const QByteArray &bytes, QString *error = nullptr);
    static QImage readImageFile(const QString &fileName, QString *error = nullptr);

    Qt::AspectRatioMode aspectRatioMode() const { return imageData()->aspectRatioMode; }
    void setAspectRatioMode(Qt::AspectRatioMode mode) { imageData()->aspectRatioMode = mode; }
    Qt::TransformationMode transformMode() const { return imageData()->transformMode; }
    void setTransformMode(Qt::TransformationMode mode) { imageData()->transformMode = mode; }
    bool isScaling() const { return imageData()->scaling; }
    void setScaling(bool on) { imageData()->scaling = on; }
    TessarinImageData::ImageFormat imageFormat() const { return imageData()->imageFormat; }
    void setImageFormat(TessarinImageData::ImageFormat format) { imageData()->imageFormat = format; }
    Qt::Alignment alignment() const { return imageData()->alignment; }
    void setAlignment(Qt::Alignment flags) { imageData()->alignment = flags; }
    QByteArray htmlWidth() const { return imageData()->htmlWidth; }
    void setHtmlWidth(const QByteArray &width) { imageData()->htmlWidth = width; }
    QByteArray htmlHeight() const { return imageData()->htmlHeight; }
    void setHtmlHeight(const QByteArray &height) { imageData()->htmlHeight = height; }
    QByteArray svgData() const { return imageData()->svgData; }
    void setSvgData(const QByteArray &svg) { imageData()->svgData = svg; }
    QPixmap pixmap() const { return imageData()->pixmap; }
    void setPixmap(const QPixmap &pixmap) { imageData()->pixmap = pixmap; }

    qint64 maxDownloadBytes() const { return m_maxDownloadBytes; }
    void setMaxDownloadBytes(qint64 bytes) { m_maxDownloadBytes = bytes > 0 ? bytes : DefaultMaxDownloadBytes; }
    int downloadTimeout() const { return m_downloadTimeout; }
    void setDownloadTimeout(int milliseconds)
    {
        m_downloadTimeout = milliseconds > 0 ? milliseconds : DefaultDownloadTimeout;
    }
    // Why the last load gave no picture; empty after a successful load.
    QString loadError() const { return m_loadError; }

    // TessarinItem
    void paint(TessarinOutput *output, const QPointF &origin) override;
    bool read(TessarinXMLReader *reader) override;
    bool write(TessarinXMLWriter *writer) override;
    void updateValue(TessarinOutput *output, TessarinEvaluator *evaluator) override;
    void updateContent() override;
    void setDefaultForEditor() override;
    QList<SourceType> availableSourceTypes() const override;
    bool reloadDynamicContent(TessarinEvaluator *evaluator) override;

    // QGraphicsItem (designer)
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    // Takes bytes in the item's format: image bytes, Base64 text or SVG.
    void setPictureBytes(const QByteArray &bytes);
    void setPictureImage(const QImage &image);
    void loadFromValue(const QVariant &value);
    bool loadFile(const QString &name, TessarinEvaluator *evaluator);
    void loadUrl(const QString &url);
    void loadParameter();
    bool download(const QString &url, QByteArray &content);
    // The box the picture is scaled into, in output pixels.
    QSizeF boxSize(TessarinOutput *output) const;

    qint64 m_maxDownloadBytes = DefaultMaxDownloadBytes;
    int m_downloadTimeout = DefaultDownloadTimeout;
    QString m_loadError;
    // The parameter value the picture was last loaded from.
    QVariant m_loadedParameter;
    bool m_parameterLoaded = false;
};

#endif // TESSARINIMAGEITEM_H
