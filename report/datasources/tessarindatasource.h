#ifndef TESSARINDATASOURCE_H
#define TESSARINDATASOURCE_H

#include "tessaringlobal.h"

#include <QObject>
#include <QString>

// The row cursor through which the engine reads data. This is the part of the
// interface that the definition model relies on; the cursor operations and
// the common properties are added by the data source layer.
class TESSARIN2_EXPORT TessarinDataSource : public QObject
{
    Q_OBJECT
public:
    enum DataSourceType : int { SQL = 0, Text = 1, XML = 2, StringList = 3, ItemModel = 4, Custom = 5 };
    Q_ENUM(DataSourceType)
    enum OpenRoles : int { Begin = 0, Child = 1, Group = 2, Sub = 3 };
    Q_ENUM(OpenRoles)

    explicit TessarinDataSource(QObject *parent = nullptr);
    ~TessarinDataSource() override;

    virtual QString id() const = 0;
    virtual DataSourceType dataSourceType() const = 0;
    virtual OpenRoles openRole() const = 0;
    // Row the cursor stands on, -1 before the first row.
    virtual int currentRow() const = 0;
};

#endif // TESSARINDATASOURCE_H
