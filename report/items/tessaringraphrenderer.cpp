#include "tessaringraphrenderer.h"

TessarinGraphRenderer::~TessarinGraphRenderer() = default;
