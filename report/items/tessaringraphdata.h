#ifndef TESSARINGRAPHDATA_H
#define TESSARINGRAPHDATA_H

#include "tessarinitemdata.h"

#include <QString>

// Properties of a graph item: the text its renderer interprets and the
// class id under which a renderer may be registered.
class TESSARIN2_EXPORT TessarinGraphData : public TessarinItemData
{
public:
    TessarinGraphData();
    TessarinGraphData(const TessarinGraphData &) = default;
    TessarinGraphData &operator=(const TessarinGraphData &) = default;
    ~TessarinGraphData() override;

    QString graphDefinition;
    QString classID{QStringLiteral("none")};
};

#endif // TESSARINGRAPHDATA_H
