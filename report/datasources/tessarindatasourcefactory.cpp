#include "tessarindatasourcefactory.h"

TessarinDataSourceFactory::~TessarinDataSourceFactory() = default;

TessarinDataSource *TessarinDummyDataSourceFactory::createCustomDataSource(const QString &)
{
    return nullptr;
}
