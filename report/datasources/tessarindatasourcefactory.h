#ifndef TESSARINDATASOURCEFACTORY_H
#define TESSARINDATASOURCEFACTORY_H

#include "tessaringlobal.h"

#include <QString>

class TessarinDataSource;

// Creates the application's own data sources for "custom" data source
// elements when no custom data source provider is installed.
class TESSARIN2_EXPORT TessarinDataSourceFactory
{
public:
    virtual ~TessarinDataSourceFactory();
    // A new data source, or null when the id is unknown to the factory.
    virtual TessarinDataSource *createCustomDataSource(const QString &id) = 0;
};

// The factory in place until an application installs one: it knows no ids.
class TESSARIN2_EXPORT TessarinDummyDataSourceFactory : public TessarinDataSourceFactory
{
public:
    TessarinDataSource *createCustomDataSource(const QString &id) override;
};

#endif // TESSARINDATASOURCEFACTORY_H
