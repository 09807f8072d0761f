#include "tessarinpreviewpage.h"

#include "tessarinscale.h"

#include <QGraphicsDropShadowEffect>
#include <QPainter>

TessarinPreviewPage::TessarinPreviewPage(QWidget *parent)
    : QWidget(parent)
{
    setShadow(true);
    hide();
}

TessarinPreviewPage::~TessarinPreviewPage() = default;

void TessarinPreviewPage::setContent(const QByteArray &picture, const QSizeF &sizeMM)
{
    m_content = picture;
    m_sizeMM = sizeMM;
    m_picture = QPicture();
    if (!m_content.isEmpty())
        m_picture.setData(m_content.constData(), uint(m_content.size()));
    m_buffer = QPixmap();
    updateSize();
    show();
    update();
}

void TessarinPreviewPage::clear()
{
    m_content.clear();
    m_sizeMM = QSizeF();
    m_picture = QPicture();
    m_buffer = QPixmap();
    hide();
}

void TessarinPreviewPage::setScaleRate(double rate)
{
    if (rate <= 0 || qFuzzyCompare(rate, m_scaleRate))
        return;
    m_scaleRate = rate;
    m_buffer = QPixmap();
    updateSize();
    update();
}

QSize TessarinPreviewPage::sheetSize() const
{
    // The pictures were recorded at the screen's resolution; this is the same scale.
    const TessarinScale scale;
    return QSize(qRound(scale.mmToRealPixel(m_sizeMM.width()) * m_scaleRate),
                 qRound(scale.mmToRealPixel(m_sizeMM.height()) * m_scaleRate));
}

void TessarinPreviewPage::setBuffered(bool on)
{
    m_buffered = on;
    m_buffer = QPixmap();
    update();
}

void TessarinPreviewPage::setShadow(bool on)
{
    m_shadow = on;
    if (on) {
        auto *effect = new QGraphicsDropShadowEffect(this);
        effect->setBlurRadius(7);
        effect->setColor(Qt::darkGray);
        effect->setOffset(4, 4);
        setGraphicsEffect(effect); // deletes a previous effect
    } else {
        setGraphicsEffect(nullptr);
    }
}

void TessarinPreviewPage::updateSize()
{
    if (!hasContent())
        return;
    const QSize sheet = sheetSize();
    setFixedSize(sheet.width() + ShadowRoom, sheet.height() + ShadowRoom);
}

void TessarinPreviewPage::paintSheet(QPainter *painter) const
{
    const QSize sheet = sheetSize();
    if (sheet.isEmpty())
        return;
    painter->fillRect(QRect(QPoint(0, 0), sheet), Qt::white);
    painter->setRenderHint(QPainter::TextAntialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->save();
    painter->setClipRect(QRect(QPoint(0, 0), sheet));
    // drawPicture() adapts a picture to the device by the resolution the
    // picture claims, which after loading is not the one it was recorded
    // at (the screen's, as the sheet). Undo that: one recorded pixel is
    // scaleRate pixels here, on the widget and in a pixmap buffer alike.
    const QPaintDevice *device = painter->device();
    painter->scale(m_scaleRate * m_picture.logicalDpiX() / device->logicalDpiX(),
                   m_scaleRate * m_picture.logicalDpiY() / device->logicalDpiY());
    painter->drawPicture(0, 0, m_picture);
    painter->restore();
    painter->setPen(QPen(Qt::gray, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRect(0, 0, sheet.width() - 1, sheet.height() - 1));
}

void TessarinPreviewPage::paintEvent(QPaintEvent *)
{
    if (!hasContent())
        return;
    QPainter painter(this);
    if (!m_buffered) {
        paintSheet(&painter);
        return;
    }
    const QSize sheet = sheetSize();
    if (m_buffer.size() != sheet) {
        m_buffer = QPixmap(sheet);
        m_buffer.fill(Qt::white);
        QPainter bufferPainter(&m_buffer);
        paintSheet(&bufferPainter);
    }
    painter.drawPixmap(0, 0, m_buffer);
}
