#include "tessarindummydatasourcefactory.h"

TessarinDataSource *TessarinDummyDataSourceFactory::createCustomDataSource(const QString &)
{
    return nullptr;
}
