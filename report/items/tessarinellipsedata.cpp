#include "tessarinellipsedata.h"

#include "tessarinitem.h"

TessarinEllipseData::TessarinEllipseData()
{
    objectType = TessarinItem::EllipseObject;
    tagname = QStringLiteral("ellipse");
}

TessarinEllipseData::~TessarinEllipseData() = default;
