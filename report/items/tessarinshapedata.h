#ifndef TESSARINSHAPEDATA_H
#define TESSARINSHAPEDATA_H

#include "tessarinitemdata.h"

#include <QBrush>
#include <QPen>
#include <QRectF>
#include <QString>

// Properties shared by lines, rectangles and ellipses.
class TESSARIN2_EXPORT TessarinShapeData : public TessarinItemData
{
public:
    TessarinShapeData();
    TessarinShapeData(const TessarinShapeData &) = default;
    TessarinShapeData &operator=(const TessarinShapeData &) = default;
    ~TessarinShapeData() override;

    double lineWidth = 0.2; // mm
    QPen pen;
    QBrush brush;
    QRectF boundingRectCache; // designer, scene pixels; null when stale
    // Expressions evaluated per record; they overwrite pen, brush and width.
    QString dynFillColor;
    QString dynLineColor;
    QString dynLineWidth;
};

#endif // TESSARINSHAPEDATA_H
