#include "tessarinstringlistdatasource.h"

#include "tessarindef.h"
#include "tessarindelimiter_p.h"
#include "tessarinevaluator.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

// The definition reader creates "list" sources through this entry.
namespace {
[[maybe_unused]] const bool registeredWithReader = TessarinXMLRegistry::registerDataSource(
    QStringLiteral("list"),
    [](TessarinDef *definition) -> TessarinDataSource * { return new TessarinStringListDataSource(definition); });
}

TessarinStringListDataSource::TessarinStringListDataSource(QObject *parent)
    : TessarinDataSource(parent)
{
    setDataSourceType(StringList);
    setLocationType(Static);
    recnoRef() = 0;
}

TessarinStringListDataSource::~TessarinStringListDataSource() = default;

void TessarinStringListDataSource::setColumnDelimiter(Delimiter delimiter)
{
    m_delimiter = delimiter;
    if (delimiter != CustomDelimiter)
        m_delimiterChar = TessarinDelimiter::character(delimiter);
    m_boundsRow = -1;
}

void TessarinStringListDataSource::setStringList(const QStringList &list)
{
    m_list = list;
    m_boundsRow = -1;
}

bool TessarinStringListDataSource::read(TessarinXMLReader *reader)
{
    const int delimiter = TessarinDelimiter::fromKeyword(reader->attrib(QStringLiteral("columnDelimiter")));
    if (delimiter >= 0)
        setColumnDelimiter(Delimiter(delimiter));
    if (m_delimiter == CustomDelimiter && reader->isAttrib(QStringLiteral("customDelimChar")))
        m_delimiterChar = reader->attrib(QStringLiteral("customDelimChar")).at(0).toLatin1();
    if (reader->isAttrib(QStringLiteral("listID")))
        m_listID = reader->attrib(QStringLiteral("listID"));
    TessarinDef *def = reader->reportDef();
    if (!def)
        def = qobject_cast<TessarinDef *>(parent());
    if (!def)
        return false;
    const QHash<QString, QStringList> lists = def->stringLists();
    const auto it = lists.constFind(m_listID);
    if (it == lists.constEnd())
        return false;
    setStringList(it.value());
    return true;
}

bool TessarinStringListDataSource::write(TessarinXMLWriter *writer)
{
    QXmlStreamWriter &xml = writer->xml();
    xml.writeAttribute(QStringLiteral("columnDelimiter"), QLatin1String(TessarinDelimiter::keyword(m_delimiter)));
    if (m_delimiter == CustomDelimiter)
        xml.writeAttribute(QStringLiteral("customDelimChar"), QString(QChar::fromLatin1(m_delimiterChar)));
    xml.writeAttribute(QStringLiteral("listID"), m_listID);
    return true;
}

bool TessarinStringListDataSource::open()
{
    if (m_list.isEmpty()) {
        setError(tr("No StringList added to datasource"), -1);
        return false;
    }
    recnoRef() = 0;
    flagBegin() = true;
    flagEnd() = false;
    m_boundsRow = -1;
    setOpened(true);
    return true;
}

bool TessarinStringListDataSource::close()
{
    recnoRef() = 0;
    setOpened(false);
    flagEnd() = false;
    return true;
}

bool TessarinStringListDataSource::next()
{
    int &row = recnoRef();
    if (row + 1 >= m_list.size()) {
        row = m_list.size() - 1;
        flagEnd() = true;
        return false;
    }
    ++row;
    flagBegin() = false;
    return true;
}

bool TessarinStringListDataSource::previous()
{
    int &row = recnoRef();
    if (row - 1 >= 0 && row - 1 < m_list.size()) {
        --row;
        return true;
    }
    row = m_list.isEmpty() ? -1 : 0;
    flagBegin() = true;
    return false;
}

bool TessarinStringListDataSource::first()
{
    recnoRef() = m_list.isEmpty() ? -1 : 0;
    flagEnd() = false;
    return !m_list.isEmpty();
}

bool TessarinStringListDataSource::last()
{
    recnoRef() = m_list.size() - 1;
    flagBegin() = false;
    return !m_list.isEmpty();
}

bool TessarinStringListDataSource::hasNext()
{
    return recnoRef() < m_list.size() - 1;
}

bool TessarinStringListDataSource::seek(int index)
{
    // -1 stands before the first row, so that a following next() delivers row 0.
    if (index < -1)
        return true;
    if (index >= m_list.size()) {
        recnoRef() = m_list.size() - 1;
        return false;
    }
    recnoRef() = index;
    return true;
}

bool TessarinStringListDataSource::isValid() const
{
    return recno() >= 0 && recno() < m_list.size();
}

int TessarinStringListDataSource::columnCount() const
{
    if (m_list.isEmpty())
        return 0;
    return m_list.constFirst().count(QChar::fromLatin1(m_delimiterChar)) + 1;
}

QVariant TessarinStringListDataSource::value(int column, bool *ok, int)
{
    const bool valid = isValid() && column >= 0;
    if (ok)
        *ok = valid;
    if (!valid)
        return QVariant();
    const int row = recno();
    const QString &line = m_list.at(row);
    if (m_boundsRow != row) {
        TessarinDelimiter::fieldBounds(line, QChar::fromLatin1(m_delimiterChar), m_bounds);
        m_boundsRow = row;
    }
    return TessarinDelimiter::field(line, m_bounds, column);
}

QVariant TessarinStringListDataSource::value(const QString &column, bool *ok, int role)
{
    return value(columnIndexByName(column), ok, role);
}

int TessarinStringListDataSource::columnIndexByName(const QString &name) const
{
    if (name.startsWith(QLatin1String("col")))
        return name.midRef(3).toInt();
    return name.toInt();
}
