#include "tessarintableitemdata.h"

#include "tessarinitem.h"

TessarinTableItemData::TessarinTableItemData()
{
    objectType = TessarinItem::TableObject;
    tagname = QStringLiteral("table");
}

TessarinTableItemData::~TessarinTableItemData() = default;
