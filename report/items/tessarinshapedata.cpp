#include "tessarinshapedata.h"

TessarinShapeData::TessarinShapeData() = default;

TessarinShapeData::~TessarinShapeData() = default;
