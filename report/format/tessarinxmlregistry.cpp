#include "tessarinxmlregistry.h"

#include "tessarindatasource.h"

#include <QHash>

namespace {

// Function-local statics: classes register from static initializers of other
// translation units, which may run before anything in this file.
QHash<QString, TessarinXMLRegistry::ItemConstructor> &itemTable()
{
    static QHash<QString, TessarinXMLRegistry::ItemConstructor> table;
    return table;
}

QHash<QString, TessarinXMLRegistry::DataSourceConstructor> &dataSourceTable()
{
    static QHash<QString, TessarinXMLRegistry::DataSourceConstructor> table;
    return table;
}

bool isBuiltInDataSourceType(const QString &typeName)
{
    const int type = TessarinDataSource::dataSourceTypeFromName(typeName);
    return type >= 0 && type != TessarinDataSource::Custom;
}

QStringList sortedKeys(QStringList keys)
{
    keys.sort();
    return keys;
}

} // namespace

bool TessarinXMLRegistry::registerItem(const QString &elementName, const ItemConstructor &constructor)
{
    if (elementName.isEmpty() || !constructor)
        return false;
    itemTable().insert(elementName, constructor);
    return true;
}

bool TessarinXMLRegistry::registerDataSource(const QString &typeName, const DataSourceConstructor &constructor)
{
    if (!isBuiltInDataSourceType(typeName) || !constructor)
        return false;
    dataSourceTable().insert(typeName, constructor);
    return true;
}

void TessarinXMLRegistry::unregisterItem(const QString &elementName)
{
    itemTable().remove(elementName);
}

void TessarinXMLRegistry::unregisterDataSource(const QString &typeName)
{
    dataSourceTable().remove(typeName);
}

bool TessarinXMLRegistry::hasItem(const QString &elementName)
{
    return itemTable().contains(elementName);
}

bool TessarinXMLRegistry::hasDataSource(const QString &typeName)
{
    return dataSourceTable().contains(typeName);
}

QStringList TessarinXMLRegistry::itemElementNames()
{
    return sortedKeys(itemTable().keys());
}

QStringList TessarinXMLRegistry::dataSourceTypeNames()
{
    return sortedKeys(dataSourceTable().keys());
}

TessarinXMLRegistry::ItemConstructor TessarinXMLRegistry::itemConstructor(const QString &elementName)
{
    return itemTable().value(elementName);
}

TessarinXMLRegistry::DataSourceConstructor TessarinXMLRegistry::dataSourceConstructor(const QString &typeName)
{
    return dataSourceTable().value(typeName);
}

TessarinItem *TessarinXMLRegistry::createItem(const QString &elementName, TessarinDef *definition)
{
    const auto it = itemTable().constFind(elementName);
    return it == itemTable().constEnd() ? nullptr : (*it)(definition);
}

TessarinDataSource *TessarinXMLRegistry::createDataSource(const QString &typeName, TessarinDef *definition)
{
    const auto it = dataSourceTable().constFind(typeName);
    return it == dataSourceTable().constEnd() ? nullptr : (*it)(definition);
}
