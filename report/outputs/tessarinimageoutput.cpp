#include "tessarinimageoutput.h"

#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

TessarinImageOutput::TessarinImageOutput(QObject *parent)
    : TessarinOutput(parent)
{
    setOutput(ImageOutput);
}

TessarinImageOutput::~TessarinImageOutput()
{
    deletePainter();
}

QString TessarinImageOutput::format() const
{
    if (!m_format.isEmpty())
        return m_format;
    const QString suffix = QFileInfo(fileName()).suffix().toLower();
    if (!suffix.isEmpty() && QImageWriter::supportedImageFormats().contains(suffix.toLatin1()))
        return suffix;
    return QStringLiteral("png");
}

QString TessarinImageOutput::fileExtension() const
{
    if (m_format.isEmpty()) {
        const QString suffix = QFileInfo(fileName()).suffix();
        if (!suffix.isEmpty() && format() == suffix.toLower())
            return suffix;
    }
    const QString f = format().toLower();
    return f == QLatin1String("jpeg") ? QStringLiteral("jpg") : f;
}

QString TessarinImageOutput::pageFileName(int page) const
{
    const QFileInfo info(fileName());
    return info.path() + QLatin1Char('/')
        + QStringLiteral("%1_p%2.%3").arg(info.completeBaseName()).arg(page).arg(fileExtension());
}

bool TessarinImageOutput::setup()
{
    if (isJobStart()) {
        clearError();
        m_pageCount = 0;
        if (fileName().isEmpty()) {
            setFileError(QString(), tr("No file name is set"));
            return false;
        }
    }
    return true;
}

void TessarinImageOutput::cleanup()
{
}

void TessarinImageOutput::begin()
{
    if (!isSuccessive() && m_pageCount > 0)
        markPageOpenedByBegin();
    startPage(false);
}

void TessarinImageOutput::newPage()
{
    // One continuous image: the engine makes no page breaks for it, and a
    // stray request must not cut it.
    if (isSuccessive() || absorbNewPage())
        return;
    endPainterKeepState();
    finishPage();
    startPage(true);
}

void TessarinImageOutput::end()
{
    endPainterKeepState();
    finishPage();
}

QPaintDevice *TessarinImageOutput::device() const
{
    return m_image.isNull() ? nullptr : const_cast<QImage *>(&m_image);
}

void TessarinImageOutput::rotatePainter(QPainter *painter)
{
    if (!isSuccessive())
        TessarinOutput::rotatePainter(painter);
}

void TessarinImageOutput::startPage(bool carryState)
{
    ++m_pageCount;
    const QSizeF pageMM = isSuccessive() ? option().pageSizeMM() : devicePageSizeMM();
    const int width = qMax(1, m_scale.mmToPixel(pageMM.width()));
    const int height = qMax(1, isSuccessive() ? m_maximumHeight : m_scale.mmToPixel(pageMM.height()));
    m_image = QImage(width, height, QImage::Format_RGB32);
    if (m_image.isNull()) {
        setErrorText(tr("Cannot create an image of %1 x %2 pixels.").arg(width).arg(height));
        installDiscardPainter();
        return;
    }
    m_image.fill(Qt::white);
    // Fonts on the image measure at the output's resolution.
    const int dpm = qRound(m_scale.dpi() / 0.0254);
    m_image.setDotsPerMeterX(dpm);
    m_image.setDotsPerMeterY(dpm);
    beginPainterOn(&m_image, QPainter::Antialiasing | QPainter::SmoothPixmapTransform, carryState);
}

void TessarinImageOutput::finishPage()
{
    if (m_image.isNull())
        return;
    if (isSuccessive()) {
        const double bottomMM = finalPosMM().y() + option().bottomMarginMM();
        const int height = qBound(1, m_scale.mmToPixel(bottomMM), m_image.height());
        saveImage(m_image.copy(0, 0, m_image.width(), height), fileName());
    } else {
        saveImage(m_image, pageFileName(m_pageCount));
    }
    m_image = QImage();
}

void TessarinImageOutput::saveImage(const QImage &image, const QString &name)
{
    // After the first failure the remaining pages are not attempted.
    if (hasError())
        return;
    QFile file(name);
    if (!openForWriting(file))
        return;
    QImageWriter writer(&file, format().toLatin1());
    if (!writer.write(image)) {
        setFileError(name, writer.errorString());
        return;
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        setFileError(name, file.errorString());
}
