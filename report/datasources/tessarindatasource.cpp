#include "tessarindatasource.h"

#include "tessarinerror.h"
#include "tessarinutils.h"

namespace {
const char *const typeNames[] = {"sql", "txt", "xml", "list", "model", "custom"};
const char *const locationNames[] = {"static", "file", "http", "ftp", "parameter"};
const char *const roleNames[] = {"begin", "child", "group", "sub"};

template<int N>
int indexOfName(const char *const (&names)[N], const QString &name)
{
    for (int i = 0; i < N; ++i) {
        if (name == QLatin1String(names[i]))
            return i;
    }
    return -1;
}

template<int N>
QString nameAt(const char *const (&names)[N], int index)
{
    return index >= 0 && index < N ? QString::fromLatin1(names[index]) : QString();
}
}

TessarinDataSource::TessarinDataSource(QObject *parent)
    : QObject(parent)
{
}

TessarinDataSource::~TessarinDataSource() = default;

QString TessarinDataSource::dataSourceTypeName(int type) { return nameAt(typeNames, type); }
int TessarinDataSource::dataSourceTypeFromName(const QString &name) { return indexOfName(typeNames, name); }
QString TessarinDataSource::locationTypeName(int type) { return nameAt(locationNames, type); }
int TessarinDataSource::locationTypeFromName(const QString &name) { return indexOfName(locationNames, name); }
QString TessarinDataSource::openRoleName(int role) { return nameAt(roleNames, role); }
int TessarinDataSource::openRoleFromName(const QString &name) { return indexOfName(roleNames, name); }

QString TessarinDataSource::fileName() const
{
    return TessarinUtils::evaluatedFileName(m_fileName);
}

bool TessarinDataSource::read(TessarinXMLReader *)
{
    return true;
}

bool TessarinDataSource::write(TessarinXMLWriter *)
{
    return true;
}

bool TessarinDataSource::update()
{
    emit updateRequestFKey(m_id, m_foreignKeyValue);
    return true;
}

void TessarinDataSource::evaluate(TessarinEvaluator *)
{
}

QStringList TessarinDataSource::keywordList()
{
    const QStringList names = columnNames();
    QStringList list = names;
    for (const QString &name : names)
        list.append(m_id + QLatin1Char('.') + name);
    return list;
}

QStringList TessarinDataSource::columnNames()
{
    QStringList names;
    const int count = columnCount();
    for (int i = 0; i < count; ++i) {
        const QString name = columnName(i);
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

QVector<TessarinDataFieldInfo> TessarinDataSource::fieldInfo()
{
    return {};
}

QString TessarinDataSource::columnName(int i) const
{
    return QStringLiteral("col%1").arg(i);
}

QString TessarinDataSource::columnTitle(int i)
{
    return columnName(i);
}

QString TessarinDataSource::rowTitle(int)
{
    return QString();
}

bool TessarinDataSource::hasColumn(const QString &name) const
{
    return columnIndexByName(name) >= 0;
}

bool TessarinDataSource::hasColumn(int i) const
{
    return i >= 0 && i < columnCount();
}

int TessarinDataSource::columnIndexByName(const QString &name) const
{
    const int count = columnCount();
    for (int i = 0; i < count; ++i) {
        if (columnName(i) == name)
            return i;
    }
    return -1;
}

QVariant TessarinDataSource::getUserFunctionValue(const QVariant &, const QString &)
{
    return QVariant();
}

QString TessarinDataSource::columnToolTip(int i)
{
    return columnName(i);
}

QString TessarinDataSource::primaryKeyValue()
{
    return value(m_primaryKeyColumn, nullptr, -1).toString();
}

void TessarinDataSource::setError(const QString &text, int code)
{
    if (m_errorHandler)
        m_errorHandler->setError(text, code);
}
