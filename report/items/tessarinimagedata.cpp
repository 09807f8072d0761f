#include "tessarinimagedata.h"

#include "tessarinitem.h"

TessarinImageData::TessarinImageData()
{
    objectType = TessarinItem::ImageObject;
    tagname = QStringLiteral("image");
}

TessarinImageData::~TessarinImageData() = default;
