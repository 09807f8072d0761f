#ifndef TESSARINCROSSTABINDEX_H
#define TESSARINCROSSTABINDEX_H

#include "tessaringlobal.h"

// The row and column a cross table has reached while it is printed; -1 for
// "none yet".
class TESSARIN2_EXPORT TessarinCrossTabIndex
{
public:
    TessarinCrossTabIndex() = default;
    TessarinCrossTabIndex(int row, int column)
        : row(row)
        , column(column)
    {
    }

    void reset()
    {
        row = -1;
        column = -1;
    }
    bool isValid() const { return row >= 0 && column >= 0; }

    int row = -1;
    int column = -1;
};

#endif // TESSARINCROSSTABINDEX_H
