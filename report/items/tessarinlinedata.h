#ifndef TESSARINLINEDATA_H
#define TESSARINLINEDATA_H

#include "tessarinshapedata.h"

#include <QLineF>
#include <QPointF>

// A line runs from metricPos (the "from" point) to endPos (the "to" point).
class TESSARIN2_EXPORT TessarinLineData : public TessarinShapeData
{
public:
    TessarinLineData();
    TessarinLineData(const TessarinLineData &) = default;
    TessarinLineData &operator=(const TessarinLineData &) = default;
    ~TessarinLineData() override;

    QPointF endPos; // mm, relative to the section
    QLineF line;    // designer, item coordinates in scene pixels
};

#endif // TESSARINLINEDATA_H
