#ifndef TESSARINABSTRACTITEMRENDERING_H
#define TESSARINABSTRACTITEMRENDERING_H

#include "tessaringraphrenderer.h"

// A base for custom item drawing that is not a chart; it behaves exactly like
// a graph renderer, the name only tells readers of the application what it is for.
class TESSARIN2_EXPORT TessarinAbstractItemRendering : public TessarinGraphRenderer
{
public:
    TessarinAbstractItemRendering() = default;
};

#endif // TESSARINABSTRACTITEMRENDERING_H
