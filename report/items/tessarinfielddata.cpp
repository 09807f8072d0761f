#include "tessarinfielddata.h"

TessarinFieldData::TessarinFieldData() = default;

TessarinFieldData::~TessarinFieldData() = default;
