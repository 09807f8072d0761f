#include "tessarinimageitem.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinhttpclient.h"
#include "tessarinoutput.h"
#include "tessarinscale.h"
#include "tessarinutils.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>

namespace {

const bool imageRegistered = TessarinXMLRegistry::registerItem(
    QStringLiteral("image"), [](TessarinDef *def) -> TessarinItem * { return new TessarinImageItem(def); });

QString tr(const char *text)
{
    return QCoreApplication::translate("TessarinImageItem", text);
}


// Decodes only after the header has told a size within the limit, so that a
// small file announcing an enormous picture never reaches the decoder.
QImage readChecked(QImageReader &reader, QString *error)
{
    const QSize size = reader.size();
    if (!size.isValid()) {
        if (error)
            *error = reader.canRead() ? tr("The image size cannot be determined.")
                                      : tr("Cannot read the image: %1").arg(reader.errorString());
        return QImage();
    }
    if (qint64(size.width()) * size.height() > TessarinImageItem::MaxImagePixels) {
        if (error)
            *error = tr("The image is too large: %1 x %2 pixels.").arg(size.width()).arg(size.height());
        return QImage();
    }
    QImage image;
    if (!reader.read(&image)) {
        if (error)
            *error = tr("Cannot read the image: %1").arg(reader.errorString());
        return QImage();
    }
    // A decoder is free to deliver something other than its header said.
    if (qint64(image.width()) * image.height() > TessarinImageItem::MaxImagePixels) {
        if (error)
            *error = tr("The image is too large: %1 x %2 pixels.").arg(image.width()).arg(image.height());
        return QImage();
    }
    return image;
}

// Reads at most maxBytes of a file; a longer one (or an endless device) is
// refused rather than read into memory.
bool readLimited(const QString &fileName, qint64 maxBytes, QByteArray &bytes, QString &error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = tr("Cannot read file %1: %2").arg(fileName, file.errorString());
        return false;
    }
    bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes) {
        bytes.clear();
        error = tr("The file %1 exceeds %2 bytes.").arg(fileName).arg(maxBytes);
        return false;
    }
    return true;
}

// The size of the picture's box in output pixels: the designed size with
// any dynamic size applied.
QSizeF scaledBox(const TessarinScale &scale, QSizeF mm, const QSizeF &designed)
{
    if (!(mm.width() > 0))
        mm.setWidth(designed.width());
    if (!(mm.height() > 0))
        mm.setHeight(designed.height());
    return scale.mmToSize(mm);
}

} // namespace

TessarinImageItem::TessarinImageItem(TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinItem(new TessarinImageData, reportDef, parent)
{
    Q_UNUSED(imageRegistered)
}

TessarinImageItem::~TessarinImageItem() = default;

QImage TessarinImageItem::decodeImage(const QByteArray &bytes, QString *error)
{
    if (bytes.isEmpty()) {
        if (error)
            *error = tr("No image data.");
        return QImage();
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return readChecked(reader, error);
}

QImage TessarinImageItem::readImageFile(const QString &fileName, QString *error)
{
    QImageReader reader(fileName);
    // A file named .png that holds a JPEG still loads.
    reader.setDecideFormatFromContent(true);
    return readChecked(reader, error);
}

void TessarinImageItem::setPictureImage(const QImage &image)
{
    imageData()->pixmap = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

void TessarinImageItem::setPictureBytes(const QByteArray &bytes)
{
    TessarinImageData *t = imageData();
    switch (t->imageFormat) {
    case TessarinImageData::Svg:
        t->svgData = bytes;
        break;
    case TessarinImageData::B64:
        setPictureImage(decodeImage(QByteArray::fromBase64(bytes), &m_loadError));
        break;
    case TessarinImageData::Bin:
        setPictureImage(decodeImage(bytes, &m_loadError));
        break;
    }
}

void TessarinImageItem::loadFromValue(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return;
    const int type = value.userType();
    if (type == QMetaType::QPixmap) {
        if (imageFormat() != TessarinImageData::Svg)
            imageData()->pixmap = value.value<QPixmap>();
    } else if (type == QMetaType::QImage) {
        if (imageFormat() != TessarinImageData::Svg) {
            const QImage image = value.value<QImage>();
            if (qint64(image.width()) * image.height() > MaxImagePixels)
                m_loadError = tr("The image is too large: %1 x %2 pixels.").arg(image.width()).arg(image.height());
            else
                setPictureImage(image);
        }
    } else if (type == QMetaType::QByteArray) {
        setPictureBytes(value.toByteArray());
    } else if (type == QMetaType::QString && imageFormat() != TessarinImageData::Bin) {
        // Text columns carry Base64 or SVG; raw image bytes never arrive as text.
        setPictureBytes(value.toString().toUtf8());
    } else {
        m_loadError = tr("The value holds no image.");
    }
}

bool TessarinImageItem::loadFile(const QString &name, TessarinEvaluator *evaluator)
{
    QString fileName = name;
    // Tokens first, so that placeholders and the report directory apply to
    // the name the data gave.
    if (evaluator && fileName.contains(QLatin1Char('$')))
        evaluator->substituteTokens(fileName, false);
    if (fileName.trimmed().isEmpty())
        return true;
    TessarinUtils::evaluateFileName(fileName);

    if (imageFormat() == TessarinImageData::Bin) {
        setPictureImage(readImageFile(fileName, &m_loadError));
        return true;
    }
    QByteArray bytes;
    if (!readLimited(fileName, m_maxDownloadBytes, bytes, m_loadError))
        return false;
    setPictureBytes(bytes);
    return true;
}

bool TessarinImageItem::download(const QString &url, QByteArray &content)
{
    content.clear();
    TessarinHttpClient client;
    client.setTimeout(m_downloadTimeout);
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&client, SIGNAL(finished()), &loop, SLOT(quit()));
    QObject::connect(&deadline, SIGNAL(timeout()), &loop, SLOT(quit()));
    bool tooLarge = false;
    const qint64 limit = m_maxDownloadBytes;
    QObject::connect(&client, &TessarinHttpClient::readBytes, &loop, [&](qint64 received, qint64 total) {
        if (received > limit || total > limit) {
            tooLarge = true;
            loop.quit();
        }
    });
    deadline.start(m_downloadTimeout);
    client.downloadContent(url);
    if (!client.isDone())
        loop.exec();
    // Leaving early destroys the client, which aborts the transfer.
    if (tooLarge || client.content().size() > limit) {
        m_loadError = tr("The download of %1 exceeds %2 bytes.").arg(url).arg(limit);
        return false;
    }
    if (!client.isDone()) {
        m_loadError = tr("The download of %1 did not finish within %2 ms.").arg(url).arg(m_downloadTimeout);
        return false;
    }
    if (client.error() != 0) {
        m_loadError = client.errorMessage();
        return false;
    }
    content = client.content();
    return true;
}

void TessarinImageItem::loadUrl(const QString &url)
{
    if (url.trimmed().isEmpty())
        return;
    QByteArray content;
    if (download(url, content))
        setPictureBytes(content);
}

void TessarinImageItem::loadParameter()
{
    const QVariant value = d->reportDef ? d->reportDef->parameter(d->text) : QVariant();
    m_loadedParameter = value;
    m_parameterLoaded = true;
    // Text names a file; anything else is the picture itself.
    if (value.userType() == QMetaType::QString)
        loadFile(value.toString(), nullptr);
    else
        loadFromValue(value);
}

bool TessarinImageItem::load(TessarinEvaluator *evaluator)
{
    TessarinImageData *t = imageData();
    m_loadError.clear();
    if (sourceType() == Static) {
        // The embedded picture moves from the text into the pixmap (or the
        // SVG data) once; afterwards there is nothing new to load.
        if (t->text.isEmpty())
            return true;
        t->pixmap = QPixmap();
        t->svgData.clear();
        if (t->imageFormat == TessarinImageData::Svg)
            t->svgData = t->text.trimmed().toUtf8();
        else
            setPictureImage(decodeImage(QByteArray::fromBase64(t->text.toLatin1()), &m_loadError));
        t->text.clear();
        return true;
    }

    // A record without a picture must not show the previous record's one.
    t->pixmap = QPixmap();
    t->svgData.clear();
    switch (sourceType()) {
    case File:
        return loadFile(t->text, evaluator);
    case FileFromDataSource:
        return loadFile(value().toString(), evaluator);
    case DataSource:
        loadFromValue(value());
        return true;
    case Url:
        loadUrl(t->text);
        return true;
    case UrlFromDataSource:
        loadUrl(value().toString());
        return true;
    case Parameter:
        loadParameter();
        return true;
    default:
        return true;
    }
}

QByteArray TessarinImageItem::toBase64() const
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    imageData()->pixmap.save(&buffer, "PNG");
    return png.toBase64();
}

QByteArray TessarinImageItem::toHtml() const
{
    const TessarinImageData *t = imageData();
    if (t->pixmap.isNull())
        return QStringLiteral("<!-- Invalid image. Item ID: %1 -->").arg(id()).toLatin1();
    QByteArray html("<div style=\"margin-top: 10px; margin-bottom: 10px;\" align=\"{IMG_ALIGN}\">"
                    "<img src=\"data:image/png;base64,{IMG_BASE64}\" {IMG_WIDTH} {IMG_HEIGHT}/></div>");
    static const char *const aligns[] = {"left", "center", "right"};
    const int index = TessarinUtils::horizontalAlignmentToIndex(t->alignment);
    html.replace("{IMG_ALIGN}", index >= 0 && index <= 2 ? QByteArray(aligns[index]) : QByteArray());
    html.replace("{IMG_BASE64}", toBase64());
    html.replace("{IMG_WIDTH}", t->htmlWidth.isEmpty() ? QByteArray() : "width=\"" + t->htmlWidth + '"');
    html.replace("{IMG_HEIGHT}", t->htmlHeight.isEmpty() ? QByteArray() : "height=\"" + t->htmlHeight + '"');
    return html;
}

QPointF TessarinImageItem::imageTargetPoint(const QRectF &rect, const QSizeF &size) const
{
    const Qt::Alignment a = imageData()->alignment;
    QPointF point = rect.topLeft();
    if (size.width() < rect.width()) {
        if (a & Qt::AlignHCenter)
            point.setX(rect.left() + (rect.width() - size.width()) * 0.5);
        else if (a & Qt::AlignRight)
            point.setX(rect.right() - size.width());
    }
    if (size.height() < rect.height()) {
        if (a & Qt::AlignVCenter)
            point.setY(rect.top() + (rect.height() - size.height()) * 0.5);
        else if (a & Qt::AlignBottom)
            point.setY(rect.bottom() - size.height());
    }
    return point;
}

QSizeF TessarinImageItem::boxSize(TessarinOutput *output) const
{
    const TessarinScale scale = output ? output->scale() : TessarinScale();
    return scaledBox(scale, realMetricSize(), d->metricSize);
}

void TessarinImageItem::paint(TessarinOutput *output, const QPointF &origin)
{
    if (!output)
        return;
    const TessarinImageData *t = imageData();
    const QRectF rect = itemRect(output, origin);
    const QSizeF box = boxSize(output);
    QPainter *painter = output->painter();
    const bool draws = painter && drawsOn(output);

    const auto placed = [&](const QSizeF &pictureSize) {
        const QSizeF size = pictureSize.scaled(box, t->aspectRatioMode);
        QRectF target(imageTargetPoint(rect, size), size);
        if (d->pinToRight) {
            const TessarinPageOption &o = d->reportDef ? d->reportDef->option() : output->option();
            target.moveRight(output->scale().mmToRealPixel(o.pageWidthMM() - o.rightMarginMM()));
        }
        return target;
    };
    // Covering the box must not paint over the neighbours of the item.
    const auto clip = [&]() {
        if (t->aspectRatioMode == Qt::KeepAspectRatioByExpanding)
            painter->setClipRect(rect, Qt::IntersectClip);
    };

    if (t->imageFormat == TessarinImageData::Svg) {
        QSvgRenderer renderer;
        QRectF target = rect;
        if (!t->svgData.isEmpty() && renderer.load(t->svgData)) {
            target = placed(QSizeF(renderer.defaultSize()));
            if (draws) {
                painter->save();
                clip();
                renderer.render(painter, target);
                painter->restore();
            }
        }
        output->renderItem(this, target);
        return;
    }

    if (t->pixmap.isNull())
        return;
    const QRectF target = placed(QSizeF(t->pixmap.size()));
    if (draws) {
        painter->save();
        clip();
        if (t->transformMode == Qt::SmoothTransformation) {
            painter->drawPixmap(target.topLeft(),
                                t->pixmap.scaled(target.size().toSize(), t->aspectRatioMode, Qt::SmoothTransformation));
        } else {
            painter->drawPixmap(target, t->pixmap, QRectF(t->pixmap.rect()));
        }
        painter->restore();
    }
    output->renderItem(this, target);
}

bool TessarinImageItem::read(TessarinXMLReader *reader)
{
    TessarinItem::read(reader);
    TessarinImageData *t = imageData();
    t->scaling = true;

    const QString aspect = reader->attrib(QStringLiteral("aspectRatio"));
    if (aspect == QLatin1String("keep"))
        t->aspectRatioMode = Qt::KeepAspectRatio;
    else if (aspect == QLatin1String("expand"))
        t->aspectRatioMode = Qt::KeepAspectRatioByExpanding;
    else if (aspect == QLatin1String("ignore"))
        t->aspectRatioMode = Qt::IgnoreAspectRatio;

    if (reader->isAttrib(QStringLiteral("transformMode")))
        t->transformMode = reader->attrib(QStringLiteral("transformMode")) == QLatin1String("smooth")
                               ? Qt::SmoothTransformation
                               : Qt::FastTransformation;

    const QString format = reader->attrib(QStringLiteral("format"));
    if (format == QLatin1String("bin") || format == QLatin1String("0"))
        t->imageFormat = TessarinImageData::Bin;
    else if (format == QLatin1String("b64") || format == QLatin1String("1"))
        t->imageFormat = TessarinImageData::B64;
    else if (format == QLatin1String("svg") || format == QLatin1String("2"))
        t->imageFormat = TessarinImageData::Svg;

    if (reader->isAttrib(QStringLiteral("alignment")) || reader->isAttrib(QStringLiteral("alignmentH"))
        || reader->isAttrib(QStringLiteral("alignmentV"))) {
        Qt::Alignment flags = reader->readAlignment();
        // The writer leaves out the top edge, which is the default.
        if (!(flags & Qt::AlignVertical_Mask))
            flags |= Qt::AlignTop;
        t->alignment = flags;
    }
    if (reader->isAttrib(QStringLiteral("htmlWidth")))
        t->htmlWidth = reader->attrib(QStringLiteral("htmlWidth")).toLatin1();
    if (reader->isAttrib(QStringLiteral("htmlHeight")))
        t->htmlHeight = reader->attrib(QStringLiteral("htmlHeight")).toLatin1();

    switch (sourceType()) {
    case Static:
    case DataSource:
    case File:
    case FileFromDataSource:
    case Parameter:
    case Url:
    case UrlFromDataSource:
        d->text = reader->elementText();
        break;
    default:
        // No content of its own; the reader skips the element.
        return true;
    }
    switch (sourceType()) {
    case Static:
    case File:
    case Parameter:
    case Url:
        load(nullptr);
        break;
    default:
        break;
    }
    return true;
}

bool TessarinImageItem::write(TessarinXMLWriter *writer)
{
    QXmlStreamWriter &xml = writer->xml();
    const TessarinImageData *t = imageData();
    xml.writeStartElement(d->tagname);
    TessarinItem::write(writer);

    const char *aspect = "keep";
    if (t->aspectRatioMode == Qt::IgnoreAspectRatio)
        aspect = "ignore";
    else if (t->aspectRatioMode == Qt::KeepAspectRatioByExpanding)
        aspect = "expand";
    xml.writeAttribute(QStringLiteral("aspectRatio"), QLatin1String(aspect));
    if (t->transformMode == Qt::SmoothTransformation)
        xml.writeAttribute(QStringLiteral("transformMode"), QStringLiteral("smooth"));
    writer->writeInt(QStringLiteral("format"), int(t->imageFormat));
    writer->writeAlignment(t->alignment);
    if (!t->htmlWidth.isEmpty())
        xml.writeAttribute(QStringLiteral("htmlWidth"), QString::fromLatin1(t->htmlWidth));
    if (!t->htmlHeight.isEmpty())
        xml.writeAttribute(QStringLiteral("htmlHeight"), QString::fromLatin1(t->htmlHeight));

    switch (sourceType()) {
    case Static:
        if (t->imageFormat == TessarinImageData::Svg) {
            xml.writeCharacters(t->svgData.isEmpty() ? t->text : QString::fromUtf8(t->svgData));
        } else if (!t->pixmap.isNull()) {
            // Whatever the picture was embedded as, it goes back as PNG.
            xml.writeCharacters(QString::fromLatin1(toBase64()));
        } else {
            xml.writeCharacters(t->text);
        }
        break;
    case DataSource:
    case File:
    case FileFromDataSource:
    case Parameter:
    case Url:
    case UrlFromDataSource:
        xml.writeCharacters(t->text);
        break;
    default:
        break;
    }
    xml.writeEndElement();
    return true;
}

void TessarinImageItem::updateValue(TessarinOutput *output, TessarinEvaluator *evaluator)
{
    const TessarinImageData *t = imageData();
    switch (sourceType()) {
    case Static:
        if (t->pixmap.isNull() && t->svgData.isEmpty())
            load(nullptr);
        break;
    case File:
        // A fixed name was loaded when the definition was read.
        if (evaluator && t->text.contains(QLatin1Char('$')))
            evaluator->evaluateDynamicImage(this);
        break;
    case Url:
        // Downloaded once when the definition was read; fetching the same
        // address again for every record would only cost time.
        break;
    case Parameter:
        if (!m_parameterLoaded || !d->reportDef || d->reportDef->parameter(t->text) != m_loadedParameter)
            load(evaluator);
        break;
    case DataSource:
    case FileFromDataSource:
    case UrlFromDataSource:
        if (evaluator)
            evaluator->evaluateDynamicImage(this);
        break;
    default:
        break;
    }
    TessarinItem::updateValue(output, evaluator);
}

bool TessarinImageItem::reloadDynamicContent(TessarinEvaluator *evaluator)
{
    return load(evaluator);
}

void TessarinImageItem::updateContent()
{
    load(nullptr);
}

void TessarinImageItem::setDefaultForEditor()
{
    resize(QSizeF(100, 100));
}

QList<TessarinItem::SourceType> TessarinImageItem::availableSourceTypes() const
{
    return {Static, DataSource, FileFromDataSource, File, UrlFromDataSource, Url, Parameter};
}

void TessarinImageItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const TessarinImageData *t = imageData();
    const QRectF box(QPointF(0, 0), d->currentSize);
    painter->save();
    painter->setClipRect(box);
    QSvgRenderer renderer;
    if (t->imageFormat == TessarinImageData::Svg && !t->svgData.isEmpty() && renderer.load(t->svgData)) {
        const QSizeF size = QSizeF(renderer.defaultSize()).scaled(box.size(), t->aspectRatioMode);
        renderer.render(painter, QRectF(imageTargetPoint(box, size), size));
    } else if (!t->pixmap.isNull()) {
        const QSizeF size = QSizeF(t->pixmap.size()).scaled(box.size(), t->aspectRatioMode);
        painter->drawPixmap(QRectF(imageTargetPoint(box, size), size), t->pixmap, QRectF(t->pixmap.rect()));
    } else {
        painter->setPen(Qt::gray);
        painter->drawText(box, Qt::AlignCenter | Qt::TextWordWrap, tr("Image"));
    }
    painter->restore();
    painter->save();
    painter->setPen(QPen(Qt::lightGray, 0, Qt::DotLine));
    painter->drawRect(box);
    painter->restore();
    paintSelection(painter);
}
