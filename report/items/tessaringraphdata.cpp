#include "tessaringraphdata.h"

#include "tessarinitem.h"

TessarinGraphData::TessarinGraphData()
{
    objectType = TessarinItem::GraphObject;
    tagname = QStringLiteral("graph");
}

TessarinGraphData::~TessarinGraphData() = default;
