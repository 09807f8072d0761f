#include "tessarinbarcodedata.h"

#include "tessarinitem.h"

TessarinBarcodeData::TessarinBarcodeData()
{
    objectType = TessarinItem::BarcodeObject;
    tagname = QStringLiteral("barcode");
}

TessarinBarcodeData::~TessarinBarcodeData() = default;
