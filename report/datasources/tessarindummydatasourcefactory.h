#ifndef TESSARINDUMMYDATASOURCEFACTORY_H
#define TESSARINDUMMYDATASOURCEFACTORY_H

#include "tessarindatasourcefactory.h"

// The factory a definition uses until the application installs its own: creates nothing.
class TESSARIN2_EXPORT TessarinDummyDataSourceFactory : public TessarinDataSourceFactory
{
public:
    TessarinDataSource *createCustomDataSource(const QString &id) override;
};

#endif // TESSARINDUMMYDATASOURCEFACTORY_H
