#include "tessarinlinedata.h"

#include "tessarinitem.h"

TessarinLineData::TessarinLineData()
{
    objectType = TessarinItem::LineObject;
    tagname = QStringLiteral("line");
}

TessarinLineData::~TessarinLineData() = default;
