#ifndef TESSARINXMLREGISTRY_H
#define TESSARINXMLREGISTRY_H

#include "tessaringlobal.h"

#include <QString>
#include <QStringList>

#include <functional>

class TessarinDataSource;
class TessarinDef;
class TessarinItem;

// The one place where item classes and data source classes plug into the
// definition reader. A class registers a constructor function under its
// element name ("label", "field", ...) or data source type name ("sql",
// "txt", "xml", "list", "model"); the reader creates objects only through
// this table, so adding a class to the library needs no change in the reader.
//
// Register from a static initializer in the class's own source file:
//
//     static const bool labelRegistered = TessarinXMLRegistry::registerItem(
//         QStringLiteral("label"), [](TessarinDef *def) -> TessarinItem * {
//             auto *item = new TessarinLabelItem;
//             item->setReportDef(def);
//             return item;
//         });
//
//     static const bool sqlRegistered = TessarinXMLRegistry::registerDataSource(
//         QStringLiteral("sql"),
//         [](TessarinDef *def) -> TessarinDataSource * { return new TessarinSQLDataSource(def); });
//
// Contract with the reader:
// - An item constructor returns a new item without parent whose report
//   definition is the given one (which may be null for a bare reader). The
//   reader then calls the item's read(reader) on the item's start element;
//   read either consumes the element through its end element or leaves the
//   reader on the start element, in which case the reader skips the rest.
// - A data source constructor returns a new data source whose QObject parent
//   is the given definition. The reader sets the common attributes and then
//   calls the source's read(reader) for its own attributes; that read must
//   not move the reader (the element text is read afterwards).
// - Names not in the table are skipped as unknown elements. The data source
//   "custom" type is never looked up here: it goes to the definition's
//   provider or factory.
//
// Registration is meant for start-up; the table is not guarded against
// concurrent changes while a definition is being read.
class TESSARIN2_EXPORT TessarinXMLRegistry
{
public:
    using ItemConstructor = std::function<TessarinItem *(TessarinDef *definition)>;
    using DataSourceConstructor = std::function<TessarinDataSource *(TessarinDef *definition)>;

    TessarinXMLRegistry() = delete;

    // Replaces an earlier entry of the same name. False, and nothing
    // registered, for an empty name or an empty function.
    static bool registerItem(const QString &elementName, const ItemConstructor &constructor);
    // Only the type names a definition may use for a built-in data source
    // ("sql", "txt", "xml", "list", "model") are accepted.
    static bool registerDataSource(const QString &typeName, const DataSourceConstructor &constructor);
    static void unregisterItem(const QString &elementName);
    static void unregisterDataSource(const QString &typeName);

    static bool hasItem(const QString &elementName);
    static bool hasDataSource(const QString &typeName);
    // Sorted, so that listings are stable.
    static QStringList itemElementNames();
    static QStringList dataSourceTypeNames();

    // The registered function, empty when there is none; lets a caller
    // replace an entry for a while and put the original back.
    static ItemConstructor itemConstructor(const QString &elementName);
    static DataSourceConstructor dataSourceConstructor(const QString &typeName);

    // Null when nothing is registered under the name.
    static TessarinItem *createItem(const QString &elementName, TessarinDef *definition);
    static TessarinDataSource *createDataSource(const QString &typeName, TessarinDef *definition);
};

#endif // TESSARINXMLREGISTRY_H
