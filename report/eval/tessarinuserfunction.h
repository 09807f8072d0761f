#ifndef TESSARINUSERFUNCTION_H
#define TESSARINUSERFUNCTION_H

#include "tessaringlobal.h"

class TessarinEvaluator;
class TessarinItem;
class TessarinOutput;

// A hook of the host application: registered by name in the definition and
// named by an item's "funcID", it is called every time that item's value is
// refreshed, before the item is measured and painted, and may change the
// item in any way. The object stays the application's.
class TESSARIN2_EXPORT TessarinUserFunction
{
public:
    // How far the application lets the function reach; the library only
    // stores it.
    enum UserAccess : int { NoAccess = 0, ReadOnly = 1, ReadWrite = 2 };

    TessarinUserFunction() = default;
    virtual ~TessarinUserFunction();

    UserAccess userAccess() const { return m_userAccess; }
    void setUserAccess(UserAccess access) { m_userAccess = access; }

    // output is null when the value is refreshed outside painting (for
    // example when another field reads this one's display value).
    virtual void updateItem(TessarinItem *item, TessarinOutput *output, TessarinEvaluator *evaluator) = 0;

private:
    UserAccess m_userAccess = ReadWrite;
};

#endif // TESSARINUSERFUNCTION_H
