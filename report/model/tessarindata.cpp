#include "tessarindata.h"

#include "tessarinutils.h"

namespace {
const char *const typeNames[] = {"txt", "num", "date", "datetime", "time", "bool", "img", "cust"};
}

TessarinData::~TessarinData() = default;

void TessarinData::setID(const QString &id)
{
    m_id = id == QLatin1String("%") ? TessarinUtils::randomString(5) : id;
}

void TessarinData::setDataType(const QString &name)
{
    const QString lower = name.toLower();
    for (int i = Text; i <= Custom; ++i) {
        if (lower == QLatin1String(typeNames[i])) {
            m_dataType = DataType(i);
            return;
        }
    }
}

QString TessarinData::typeName() const
{
    const int t = int(m_dataType);
    return QLatin1String(t >= Text && t <= Image ? typeNames[t] : "cust");
}
