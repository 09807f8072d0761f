#ifndef TESSARINDATA_H
#define TESSARINDATA_H

#include "tessaringlobal.h"

#include <QString>
#include <QVariant>

// A named, typed value: the common base of variables, parameters and the data
// of report items.
class TESSARIN2_EXPORT TessarinData
{
public:
    enum DataType : int { Text = 0, Numeric, Date, DateTime, Time, Boolean, Image, Custom };

    TessarinData() = default;
    TessarinData(const TessarinData &) = default;
    TessarinData &operator=(const TessarinData &) = default;
    virtual ~TessarinData();

    QString id() const { return m_id; }
    // "%" asks for a fresh random id of five characters.
    void setID(const QString &id);

    QVariant value() const { return m_value; }
    QVariant &valueRef() { return m_value; }
    void setValue(const QVariant &value) { m_value = value; }
    void setValue(const QVariant &value, DataType type)
    {
        m_value = value;
        m_dataType = type;
    }

    DataType dataType() const { return m_dataType; }
    void setDataType(DataType type) { m_dataType = type; }
    // Changes the type only when the name is one of the document's type names.
    void setDataType(const QString &name);
    QString typeName() const;

protected:
    QVariant m_value;
    DataType m_dataType = Custom;
    QString m_id{QStringLiteral("0")};
};

#endif // TESSARINDATA_H
