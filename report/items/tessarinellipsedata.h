#ifndef TESSARINELLIPSEDATA_H
#define TESSARINELLIPSEDATA_H

#include "tessarinshapedata.h"

#include <QRectF>

class TESSARIN2_EXPORT TessarinEllipseData : public TessarinShapeData
{
public:
    TessarinEllipseData();
    TessarinEllipseData(const TessarinEllipseData &) = default;
    TessarinEllipseData &operator=(const TessarinEllipseData &) = default;
    ~TessarinEllipseData() override;

    QRectF rect; // designer, scene pixels
};

#endif // TESSARINELLIPSEDATA_H
