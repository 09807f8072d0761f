#ifndef TESSARINRECTDATA_H
#define TESSARINRECTDATA_H

#include "tessarinshapedata.h"

#include <QRectF>

class TESSARIN2_EXPORT TessarinRectData : public TessarinShapeData
{
public:
    TessarinRectData();
    TessarinRectData(const TessarinRectData &) = default;
    TessarinRectData &operator=(const TessarinRectData &) = default;
    ~TessarinRectData() override;

    // Corner roundness in percent of half the width and half the height.
    int roundX = 0;
    int roundY = 0;
    QRectF rect; // designer, scene pixels
};

#endif // TESSARINRECTDATA_H
