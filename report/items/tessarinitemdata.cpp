#include "tessarinitemdata.h"

TessarinItemData::TessarinItemData() = default;

TessarinItemData::~TessarinItemData() = default;
