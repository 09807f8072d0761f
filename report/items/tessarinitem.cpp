#include "tessarinitem.h"

TessarinItem::TessarinItem(QGraphicsItem *parent)
    : QGraphicsItem(parent)
{
}

TessarinItem::~TessarinItem() = default;
