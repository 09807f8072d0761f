#ifndef TESSARINTABLEITEMDATA_H
#define TESSARINTABLEITEMDATA_H

#include "tessarinitemdata.h"

#include <QList>
#include <QString>

class QAbstractItemModel;
class QTableView;
class TessarinDataSource;

// Properties of a table item. The model and the view belong to the
// application and are found in the definition by name.
class TESSARIN2_EXPORT TessarinTableItemData : public TessarinItemData
{
public:
    TessarinTableItemData();
    TessarinTableItemData(const TessarinTableItemData &) = default;
    TessarinTableItemData &operator=(const TessarinTableItemData &) = default;
    ~TessarinTableItemData() override;

    double tableSpacing = 0; // mm
    double cellSpacing = 0;  // mm

    TessarinDataSource *dataSource = nullptr; // not owned
    QAbstractItemModel *model = nullptr;      // not owned
    QString modelName;
    QTableView *view = nullptr; // not owned
    QString viewName;

    bool showHeaderH = true;
    bool showHeaderV = true;
    bool elidedMode = false;
    bool showBorder = true;

    QList<int> hiddenRows;
    QList<int> hiddenColumns;
};

#endif // TESSARINTABLEITEMDATA_H
