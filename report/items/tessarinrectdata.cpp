#include "tessarinrectdata.h"

#include "tessarinitem.h"

TessarinRectData::TessarinRectData()
{
    objectType = TessarinItem::RectangleObject;
    tagname = QStringLiteral("rectangle");
}

TessarinRectData::~TessarinRectData() = default;
