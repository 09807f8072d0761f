#ifndef TESSARINSCALE_H
#define TESSARINSCALE_H

#include "tessaringlobal.h"
#include <QPointF>
#include <QSizeF>

// Converts between millimetres (the unit of report definitions), device pixels
// and typographic points at a given resolution.
class TESSARIN2_EXPORT TessarinScale
{
public:
    TessarinScale();
    explicit TessarinScale(double dpi);

    double dpi() const { return m_dpi; }
    void setDpi(double dpi) { m_dpi = dpi; }
    int screenDpi() const { return m_screenDpi; }
    void setScreenDpi(int dpi) { m_screenDpi = dpi; }
    double trimFactor() const { return m_trimFactor; }
    void setTrimFactor(double f) { m_trimFactor = f; }
    void setScreenResolution() {}

    int mmToPixel(double mm) const;
    double mmToRealPixel(double mm) const;
    double pixelToMM(int px) const;
    double pixelToMM(double px) const;
    QPointF mmToPoint(const QPointF &point) const;
    QPointF pointToMM(const QPointF &point) const;
    QSizeF mmToSize(const QSizeF &size) const;
    QSizeF sizeToMM(const QSizeF &size) const;
    int fontPointSizeToPixel(double pt) const;
    double fontPixelSizeToPoint(double px) const;
    double screenToDeviceDpiFactor() const;

    static constexpr double pointsPerMM = 2.8346;

private:
    double m_dpi = -1;
    int m_screenDpi = 96;
    double m_trimFactor = 1.0;
    double m_pointsPerMM = pointsPerMM;
};

#endif // TESSARINSCALE_H
