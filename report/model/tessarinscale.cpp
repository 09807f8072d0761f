#include "tessarinscale.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
// The desktop's logical horizontal resolution; 96 when there is no GUI (console tools).
double desktopDpi()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (QScreen *screen = QGuiApplication::primaryScreen())
            return screen->logicalDotsPerInchX();
    }
    return 96.0;
}
}

TessarinScale::TessarinScale()
{
    const double d = desktopDpi() * m_trimFactor;
    m_dpi = d;
    m_screenDpi = int(d);
}

TessarinScale::TessarinScale(double dpi)
    : m_dpi(dpi)
{
}

int TessarinScale::mmToPixel(double mm) const
{
    return qRound(mm * m_dpi / 25.4);
}

double TessarinScale::mmToRealPixel(double mm) const
{
    return mm * m_dpi / 25.4;
}

double TessarinScale::pixelToMM(int px) const
{
    return px / m_dpi * 25.4;
}

double TessarinScale::pixelToMM(double px) const
{
    return px / m_dpi * 25.4;
}

QPointF TessarinScale::mmToPoint(const QPointF &point) const
{
    return QPointF(qRound(point.x() * m_dpi / 25.4), qRound(point.y() * m_dpi / 25.4));
}

QPointF TessarinScale::pointToMM(const QPointF &point) const
{
    return QPointF(point.x() / m_dpi * 25.4, point.y() / m_dpi * 25.4);
}

QSizeF TessarinScale::mmToSize(const QSizeF &size) const
{
    return QSizeF(qRound(size.width() * m_dpi / 25.4), qRound(size.height() * m_dpi / 25.4));
}

QSizeF TessarinScale::sizeToMM(const QSizeF &size) const
{
    return QSizeF(size.width() / m_dpi * 25.4, size.height() / m_dpi * 25.4);
}

int TessarinScale::fontPointSizeToPixel(double pt) const
{
    return qRound(pt / m_pointsPerMM * m_dpi / 25.4);
}

double TessarinScale::fontPixelSizeToPoint(double px) const
{
    return px / m_dpi * 25.4 * m_pointsPerMM;
}

double TessarinScale::screenToDeviceDpiFactor() const
{
    return m_dpi / m_screenDpi;
}
