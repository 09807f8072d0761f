#ifndef TESSARINPARAMETER_H
#define TESSARINPARAMETER_H

#include "tessarindata.h"

// A named value handed to a report by the application.
class TESSARIN2_EXPORT TessarinParameter : public TessarinData
{
public:
    explicit TessarinParameter(const QString &id = QStringLiteral("0"), const QVariant &value = QVariant(),
                               DataType type = Custom)
    {
        m_id = id;
        m_value = value;
        m_dataType = type;
    }
};

#endif // TESSARINPARAMETER_H
