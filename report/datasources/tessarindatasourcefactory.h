#ifndef TESSARINDATASOURCEFACTORY_H
#define TESSARINDATASOURCEFACTORY_H

#include "tessaringlobal.h"
#include <QString>

class TessarinDataSource;

// Creates the application's own "custom" data sources by id.
class TESSARIN2_EXPORT TessarinDataSourceFactory
{
public:
    virtual ~TessarinDataSourceFactory() = default;
    virtual TessarinDataSource *createCustomDataSource(const QString &id) = 0;
};

#endif // TESSARINDATASOURCEFACTORY_H
