#ifndef TESSARINCUSTOMDSPROVIDER_H
#define TESSARINCUSTOMDSPROVIDER_H

#include "tessaringlobal.h"
#include <QObject>

class TessarinDataSource;
class TessarinDef;

// An application object that creates data sources for the definition reader.
class TESSARIN2_EXPORT TessarinCustomDSProvider : public QObject
{
    Q_OBJECT
public:
    explicit TessarinCustomDSProvider(QObject *parent = nullptr) : QObject(parent) {}

public slots:
    // Returns a new data source for the element with this id and type, or null.
    virtual TessarinDataSource *createDataSource(const QString &id, int type, TessarinDef *definition) = 0;
};

#endif // TESSARINCUSTOMDSPROVIDER_H
