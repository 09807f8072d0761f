#include "tessarindatasource.h"

TessarinDataSource::TessarinDataSource(QObject *parent)
    : QObject(parent)
{
}

TessarinDataSource::~TessarinDataSource() = default;
