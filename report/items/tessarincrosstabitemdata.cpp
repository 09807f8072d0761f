#include "tessarincrosstabitemdata.h"

#include <QStringList>

#include <algorithm>

TessarinCrossTabItemData::TessarinCrossTabItemData() = default;

TessarinCrossTabItemData::~TessarinCrossTabItemData() = default;

void TessarinCrossTabItemData::setHiddenDataSourceColumns(const QString &text)
{
    hiddenColumns.clear();
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        bool ok = false;
        const int column = part.trimmed().toInt(&ok);
        if (ok && column >= 0)
            hiddenColumns.insert(column);
    }
}

QString TessarinCrossTabItemData::hiddenDataSourceColumns() const
{
    QList<int> columns = hiddenColumns.values();
    std::sort(columns.begin(), columns.end());
    QStringList parts;
    for (int column : qAsConst(columns))
        parts.append(QString::number(column));
    return parts.join(QLatin1Char(','));
}
