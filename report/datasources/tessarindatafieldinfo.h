#ifndef TESSARINDATAFIELDINFO_H
#define TESSARINDATAFIELDINFO_H

#include "tessaringlobal.h"
#include <QString>

// Describes one column of a data source for report designers.
class TESSARIN2_EXPORT TessarinDataFieldInfo
{
public:
    TessarinDataFieldInfo() = default;
    TessarinDataFieldInfo(const QString &name, const QString &briefDescription = QString(),
                          const QString &longDescription = QString())
        : m_name(name), m_briefDescription(briefDescription), m_longDescription(longDescription)
    {
    }
    TessarinDataFieldInfo(const TessarinDataFieldInfo &) = default;
    TessarinDataFieldInfo &operator=(const TessarinDataFieldInfo &) = default;
    virtual ~TessarinDataFieldInfo() = default;

    QString name() const { return m_name; }
    QString briefDescription() const { return m_briefDescription; }
    QString longDescription() const { return m_longDescription; }

private:
    QString m_name;
    QString m_briefDescription;
    QString m_longDescription;
};

#endif // TESSARINDATAFIELDINFO_H
