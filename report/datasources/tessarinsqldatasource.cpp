#include "tessarinsqldatasource.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

namespace {

// The words of a statement outside string literals, quoted identifiers and
// comments, upper-cased, and whether a second statement follows a ';'.
struct StatementWords
{
    QStringList words;
    bool severalStatements = false;
};

StatementWords scanStatement(const QString &sql)
{
    StatementWords result;
    bool ended = false;
    const int n = sql.size();
    int i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            // Doubled quotes inside a quoted part are two quoted parts in a row.
            const int close = sql.indexOf(c, i + 1);
            i = close < 0 ? n : close + 1;
            if (ended)
                result.severalStatements = true;
        } else if (c == QLatin1Char('[')) {
            const int close = sql.indexOf(QLatin1Char(']'), i + 1);
            i = close < 0 ? n : close + 1;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            const int close = sql.indexOf(QLatin1Char('\n'), i + 2);
            i = close < 0 ? n : close + 1;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            const int close = sql.indexOf(QLatin1String("*/"), i + 2);
            i = close < 0 ? n : close + 2;
        } else if (c == QLatin1Char(';')) {
            ended = true;
            ++i;
        } else if (c.isLetterOrNumber() || c == QLatin1Char('_')) {
            int j = i;
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == QLatin1Char('_')))
                ++j;
            result.words.append(sql.mid(i, j - i).toUpper());
            if (ended)
                result.severalStatements = true;
            i = j;
        } else {
            if (ended && !c.isSpace())
                result.severalStatements = true;
            ++i;
        }
    }
    return result;
}

bool isPlainNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    return number.match(text).hasMatch();
}

} // namespace

// The definition reader creates "sql" sources through this entry.
namespace {
[[maybe_unused]] const bool registeredWithReader = TessarinXMLRegistry::registerDataSource(
    QStringLiteral("sql"),
    [](TessarinDef *definition) -> TessarinDataSource * { return new TessarinSQLDataSource(definition); });
}

TessarinSQLDataSource::TessarinSQLDataSource(QObject *parent)
    : TessarinDataSource(parent)
{
    setDataSourceType(SQL);
    setLocationType(Static);
}

TessarinSQLDataSource::~TessarinSQLDataSource()
{
    if (m_query)
        close();
}

QString TessarinSQLDataSource::privateConnectionID() const
{
    return connectionID() + QLatin1Char('_') + id();
}

bool TessarinSQLDataSource::read(TessarinXMLReader *reader)
{
    auto text = [reader](const char *name, QString &target) {
        const QString attribute = QLatin1String(name);
        if (reader->isAttrib(attribute))
            target = reader->attrib(attribute);
    };
    text("host", m_host);
    text("database", m_database);
    text("user", m_user);
    text("password", m_password);
    text("port", m_port);
    text("driver", m_driver);
    if (reader->isAttrib(QStringLiteral("recordFilter")))
        setRecordFilter(reader->attrib(QStringLiteral("recordFilter")));
    const QString connection = reader->attrib(QStringLiteral("connection"));
    if (connection == QLatin1String("internal"))
        setConnectionType(Internal);
    else if (connection == QLatin1String("external"))
        setConnectionType(External);
    if (reader->isAttrib(QStringLiteral("connID")))
        setConnectionID(reader->attrib(QStringLiteral("connID")));
    if (reader->isAttrib(QStringLiteral("fwOnly")))
        m_forwardOnly = reader->attribToBool(QStringLiteral("fwOnly"));
    text("connOpt", m_connectOptions);
    if (reader->isAttrib(QStringLiteral("forceUpdateOnStepBackRel")))
        setForceUpdateOnStepBackwordInRelation(reader->attribToBool(QStringLiteral("forceUpdateOnStepBackRel")));
    return true;
}

bool TessarinSQLDataSource::write(TessarinXMLWriter *writer)
{
    QXmlStreamWriter &xml = writer->xml();
    const bool external = connectionType() == External;
    xml.writeAttribute(QStringLiteral("connection"), external ? QStringLiteral("external") : QStringLiteral("internal"));
    xml.writeAttribute(QStringLiteral("connID"), connectionID());
    if (external) {
        xml.writeAttribute(QStringLiteral("host"), m_host);
        xml.writeAttribute(QStringLiteral("database"), m_database);
        xml.writeAttribute(QStringLiteral("user"), m_user);
        xml.writeAttribute(QStringLiteral("password"), m_password);
        xml.writeAttribute(QStringLiteral("port"), m_port);
        xml.writeAttribute(QStringLiteral("driver"), m_driver);
    }
    if (m_forwardOnly)
        xml.writeAttribute(QStringLiteral("fwOnly"), QStringLiteral("true"));
    if (!m_connectOptions.isEmpty())
        xml.writeAttribute(QStringLiteral("connOpt"), m_connectOptions);
    if (forceUpdateOnStepBackwordInRelation())
        xml.writeAttribute(QStringLiteral("forceUpdateOnStepBackRel"), QStringLiteral("true"));
    return true;
}

bool TessarinSQLDataSource::queryIsValid(const QString &query)
{
    if (query.trimmed().isEmpty())
        return false;
    const StatementWords statement = scanStatement(query);
    if (statement.words.isEmpty() || statement.severalStatements)
        return false;
    static const QSet<QString> changingFirstWords = {
        QStringLiteral("INSERT"), QStringLiteral("UPDATE"), QStringLiteral("DELETE"), QStringLiteral("TRUNCATE"),
        QStringLiteral("DROP"), QStringLiteral("ALTER"), QStringLiteral("CREATE"), QStringLiteral("REPLACE"),
        QStringLiteral("MERGE"), QStringLiteral("UPSERT"), QStringLiteral("GRANT"), QStringLiteral("REVOKE"),
        QStringLiteral("RENAME"), QStringLiteral("ATTACH"), QStringLiteral("DETACH"), QStringLiteral("VACUUM"),
        QStringLiteral("REINDEX"), QStringLiteral("COPY")};
    if (changingFirstWords.contains(statement.words.constFirst()))
        return false;
    // Data-changing common table expressions, SELECT ... INTO and row locks.
    static const QSet<QString> changingWords = {
        QStringLiteral("INSERT"), QStringLiteral("UPDATE"), QStringLiteral("DELETE"),
        QStringLiteral("MERGE"), QStringLiteral("TRUNCATE"), QStringLiteral("INTO")};
    for (const QString &word : statement.words) {
        if (changingWords.contains(word))
            return false;
    }
    return true;
}

bool TessarinSQLDataSource::connectDatabase(QSqlDatabase &db)
{
    const QString name = privateConnectionID();
    if (QSqlDatabase::contains(name)) {
        setError(tr("Database connection ID %1 is already used.").arg(name), -1);
        return false;
    }
    db = QSqlDatabase::addDatabase(m_driver, name);
    if (!db.isValid()) {
        // Leaving the failed registration behind would turn the next
        // attempt's driver error into "already used".
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        setError(tr("Could not load database driver: %1").arg(m_driver), -1);
        return false;
    }
    db.setHostName(m_host);
    QString database = m_database;
    if (database.contains(QLatin1String("{FILE}"))) {
        database.remove(QStringLiteral("{FILE}"));
        database = QFileInfo(database).absoluteFilePath();
    }
    db.setDatabaseName(database);
    db.setUserName(m_user);
    db.setPassword(m_password);
    if (!m_port.isEmpty())
        db.setPort(m_port.toInt());
    // Options only take effect when set before the connection opens.
    if (!m_connectOptions.isEmpty())
        db.setConnectOptions(m_connectOptions);
    if (!db.open()) {
        const QSqlError error = db.lastError();
        setError(error.databaseText().isEmpty() ? error.text() : error.databaseText(), -1);
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        return false;
    }
    return true;
}

bool TessarinSQLDataSource::disconnectDatabase()
{
    const QString name = privateConnectionID();
    if (QSqlDatabase::contains(name))
        QSqlDatabase::removeDatabase(name);
    return true;
}

bool TessarinSQLDataSource::open()
{
    if (m_query || specification().isEmpty())
        return false;
    const bool external = connectionType() == External;
    bool ok = false;
    {
        QSqlDatabase db;
        if (external) {
            if (!connectDatabase(db))
                return false;
        } else {
            db = QSqlDatabase::database(connectionID().isEmpty() ? QString::fromLatin1(QSqlDatabase::defaultConnection)
                                                                 : connectionID(),
                                        true);
            if (db.isValid() && !m_connectOptions.isEmpty())
                db.setConnectOptions(m_connectOptions);
        }
        if (!db.isValid() || !db.isOpen()) {
            setError(tr("Database is not connected or invalid in \"%1\" data source.").arg(id()), -1);
        } else {
            m_query = new QSqlQuery(db);
            m_query->setForwardOnly(m_forwardOnly);
            if (m_sqlQuery.isEmpty())
                m_sqlQuery = specification();
            if (!queryIsValid(m_sqlQuery))
                setError(tr("Not a valid SQL statement: %1").arg(m_sqlQuery), -1);
            else
                ok = executeQuery();
        }
    }
    if (ok) {
        setOpened(true);
        return true;
    }
    delete m_query;
    m_query = nullptr;
    if (external)
        disconnectDatabase();
    return false;
}

QString TessarinSQLDataSource::substituteKeys(const QString &statement) const
{
    const QString key = foreignKeyValue();
    QString literal;   // the key as the content of a string literal
    const QSqlDriver *driver = m_query ? m_query->driver() : nullptr;
    if (driver) {
        QSqlField field(QStringLiteral("key"), QVariant::String);
        field.setValue(key);
        literal = driver->formatValue(field);
        if (literal.size() >= 2 && literal.startsWith(QLatin1Char('\'')) && literal.endsWith(QLatin1Char('\'')))
            literal = literal.mid(1, literal.size() - 2);
        else
            literal.clear();
    }
    if (literal.isEmpty() && !key.isEmpty())
        literal = QString(key).replace(QLatin1Char('\''), QLatin1String("''"));
    // A placeholder written without quotes takes a number as it is and
    // anything else as a complete literal.
    const QString bare = isPlainNumber(key) ? key : QLatin1Char('\'') + literal + QLatin1Char('\'');

    // One pass over the statement, so that text inside an inserted key is
    // never taken for a placeholder.
    QString sql;
    sql.reserve(statement.size() + 2 * key.size());
    bool inLiteral = false;
    const int n = statement.size();
    for (int i = 0; i < n;) {
        const QChar c = statement.at(i);
        const QStringRef four = statement.midRef(i, 4);
        if (four == QLatin1String("{ID}") || four == QLatin1String("{PK}")) {
            sql += inLiteral ? literal : bare;
            i += 4;
            continue;
        }
        if (c == QLatin1Char('\''))
            inLiteral = !inLiteral;
        sql += c;
        ++i;
    }
    return sql;
}

bool TessarinSQLDataSource::executeQuery()
{
    if (!m_query)
        return false;
    const QString statement = substituteKeys(m_sqlQuery);
    m_fwState = BeforeFirst;
    m_buffer.clear();
    m_buffered = false;
    m_current.clear();
    m_count = -1;
    m_fetched = -1;
    m_peeked = false;
    m_exhausted = false;
    m_record.clear();
    if (!m_query->exec(statement)) {
        const QSqlError error = m_query->lastError();
        const int number = error.nativeErrorCode().toInt();
        setError(error.text() + QLatin1Char('\n') + statement, number ? number : -1);
        return false;
    }
    m_record = m_query->record();
    return true;
}

bool TessarinSQLDataSource::recordDriverError()
{
    const QSqlError error = m_query->lastError();
    if (error.type() == QSqlError::NoError)
        return false;
    const int number = error.nativeErrorCode().toInt();
    setError(error.text(), number ? number : -1);
    return true;
}

bool TessarinSQLDataSource::close()
{
    delete m_query;
    m_query = nullptr;
    m_record.clear();
    m_buffer.clear();
    m_buffered = false;
    m_current.clear();
    m_fwState = BeforeFirst;
    if (connectionType() == External)
        disconnectDatabase();
    setOpened(false);
    return true;
}

bool TessarinSQLDataSource::update()
{
    if (m_query || isOpened())
        return executeQuery();
    return open();
}

void TessarinSQLDataSource::saveBuffer()
{
    if (m_fwState != OnCurrent)
        return;
    if (m_peeked) {
        m_buffer = m_current;
    } else {
        // Values are copied into a record that keeps its field names, which
        // is cheaper than building a new record for every row.
        if (m_buffer.count() != m_record.count())
            m_buffer = m_record;
        for (int i = 0; i < m_record.count(); ++i)
            m_buffer.setValue(i, m_query->value(i));
    }
    m_buffered = true;
}

int TessarinSQLDataSource::forwardRow() const
{
    switch (m_fwState) {
    case OnCurrent:
        return m_fetched;
    case OnBuffer:
        return m_fetched - 1;
    default:
        return -1;
    }
}

bool TessarinSQLDataSource::forwardOnRow() const
{
    if (m_fwState == OnCurrent)
        return m_peeked ? !m_current.isEmpty() : m_query->isValid();
    return m_fwState == OnBuffer && m_buffered;
}

// One step of the forward-only cursor. At the end the last row moves into
// the buffer, so that it stays readable while next() keeps answering false.
bool TessarinSQLDataSource::forwardNext()
{
    if (m_fwState == OnBuffer) {
        if (m_exhausted)
            return false;
        m_fwState = OnCurrent;
        return true;
    }
    if (m_exhausted)
        return false;
    saveBuffer();
    bool fetched;
    if (m_peeked) {
        fetched = m_peekResult;
        m_peeked = false;
        m_current.clear();
    } else {
        fetched = m_query->next();
        if (!fetched && recordDriverError())
            return false;
    }
    if (!fetched) {
        m_exhausted = true;
        if (m_fwState == OnCurrent) {
            m_fwState = OnBuffer;
            ++m_fetched;
        }
        return false;
    }
    m_fwState = OnCurrent;
    ++m_fetched;
    return true;
}

bool TessarinSQLDataSource::next()
{
    if (!m_query)
        return false;
    if (m_forwardOnly)
        return forwardNext();
    if (m_query->next())
        return true;
    if (recordDriverError())
        return false;
    m_query->previous();   // back onto the last row
    return false;
}

bool TessarinSQLDataSource::previous()
{
    if (!m_query)
        return false;
    if (m_forwardOnly) {
        if (m_fwState != OnCurrent || !m_buffered)
            return false;
        m_fwState = OnBuffer;
        return true;
    }
    if (m_query->previous())
        return true;
    m_query->next();
    return false;
}

bool TessarinSQLDataSource::first()
{
    if (!m_query)
        return false;
    if (m_forwardOnly) {
        if (m_fwState == BeforeFirst)
            return forwardNext();
        return forwardRow() == 0 && forwardOnRow();
    }
    return m_query->first();
}

bool TessarinSQLDataSource::last()
{
    if (!m_query)
        return false;
    if (m_forwardOnly) {
        while (forwardNext()) {
        }
        return forwardOnRow();
    }
    return m_query->last();
}

bool TessarinSQLDataSource::seek(int index)
{
    if (!m_query)
        return false;
    if (index < -1)
        return true;
    if (m_forwardOnly) {
        const int row = forwardRow();
        if (index == row)
            return true;
        if (index == row - 1)
            return previous();
        if (index < row)
            return false;
        while (forwardRow() < index && forwardNext()) {
        }
        return forwardRow() == index && forwardOnRow();
    }
    if (index == -1) {
        m_query->seek(-1);
        return true;
    }
    if (m_query->seek(index))
        return true;
    m_query->last();
    return false;
}

bool TessarinSQLDataSource::hasNext()
{
    if (!m_query)
        return false;
    bool has;
    if (m_forwardOnly) {
        if (m_fwState == OnBuffer) {
            has = !m_exhausted;
        } else if (m_exhausted) {
            has = false;
        } else {
            // Fetch one row ahead; the current row is kept in m_current.
            if (!m_peeked) {
                m_current = m_fwState == OnCurrent ? m_query->record() : QSqlRecord();
                m_peekResult = m_query->next();
                m_peeked = true;
            }
            has = m_peekResult;
        }
    } else {
        has = m_query->next();
        m_query->previous();
    }
    if (!has && parentDataSource())
        return parentDataSource()->hasNext();
    return has;
}

int TessarinSQLDataSource::currentRow() const
{
    if (!m_query)
        return -1;
    if (m_forwardOnly)
        return forwardRow();
    return qMax(m_query->at(), -1);
}

bool TessarinSQLDataSource::isValid() const
{
    if (!m_query)
        return false;
    return m_forwardOnly ? forwardOnRow() : m_query->isValid();
}

int TessarinSQLDataSource::size() const
{
    if (!m_query)
        return 0;
    const int reported = m_query->size();
    if (reported >= 0 || m_forwardOnly)
        return reported;
    if (m_count < 0) {
        // The driver cannot tell (SQLite): count by walking to the end and back.
        const int at = m_query->at();
        m_count = m_query->last() ? m_query->at() + 1 : 0;
        if (at >= 0) {
            m_query->seek(at);
        } else if (at == QSql::AfterLastRow) {
            m_query->last();
            m_query->next();
        } else {
            m_query->seek(-1);
        }
    }
    return m_count;
}

int TessarinSQLDataSource::columnCount() const
{
    return m_query ? m_record.count() : TessarinDataSource::columnCount();
}

QVariant TessarinSQLDataSource::value(int column, bool *ok, int role)
{
    if (!m_query)
        return QVariant();
    if (role == -5)
        return m_record.fieldName(column);
    const bool inRange = column >= 0 && column < m_record.count();
    if (m_forwardOnly) {
        if (inRange && m_fwState == OnCurrent && forwardOnRow()) {
            if (ok)
                *ok = true;
            return m_peeked ? m_current.value(column) : m_query->value(column);
        }
        if (inRange && m_fwState == OnBuffer && m_buffered) {
            if (ok)
                *ok = true;
            return m_buffer.value(column);
        }
        if (ok)
            *ok = false;
        return QVariant();
    }
    if (ok)
        *ok = inRange;
    if (!inRange || !m_query->isValid())
        return QVariant();
    return m_query->value(column);
}

QVariant TessarinSQLDataSource::value(const QString &column, bool *ok, int role)
{
    if (!m_query)
        return QVariant();
    if (column == QLatin1String("0") || column == QLatin1String("1")) {
        if (ok)
            *ok = true;
        return QStringLiteral("0");
    }
    const int index = m_record.indexOf(column);
    if (index >= 0)
        return value(index, ok, role);
    qWarning("Column '%s' not found in %s", qPrintable(column), qPrintable(id()));
    if (ok)
        *ok = false;
    return QVariant();
}

QString TessarinSQLDataSource::columnName(int i) const
{
    return m_query ? m_record.fieldName(i) : QString();
}

int TessarinSQLDataSource::columnIndexByName(const QString &name) const
{
    return m_query ? m_record.indexOf(name) : -1;
}

bool TessarinSQLDataSource::hasColumn(const QString &name) const
{
    return columnIndexByName(name) >= 0;
}

bool TessarinSQLDataSource::hasColumn(int i) const
{
    return m_query && i >= 0 && i < m_record.count();
}

QStringList TessarinSQLDataSource::columnNames()
{
    // Guessed from the statement, so that a designer can offer the columns
    // without a database at hand.
    static const QRegularExpression separators(QStringLiteral("\\W+"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    const QStringList words = specification().split(separators, Qt::SkipEmptyParts);
    QStringList names;
    QSet<QString> taken;
    for (const QString &word : words) {
        const QString lower = word.toLower();
        if (lower == QLatin1String("from"))
            break;
        if (lower == QLatin1String("select") || lower == QLatin1String("as") || lower == QLatin1String("show"))
            continue;
        if (taken.contains(lower))
            continue;
        if (word.size() >= 2 && word.at(0).isDigit())
            continue;
        taken.insert(lower);
        names.append(word);
    }
    return names;
}

void TessarinSQLDataSource::evaluate(TessarinEvaluator *evaluator)
{
    m_sqlQuery = specification();
    if (!evaluator)
        return;
    evaluator->evaluate(m_sqlQuery, TessarinItem::Parameter);
    evaluator->evaluate(m_sqlQuery, TessarinItem::DataSource);
    QString connection = connectionID();
    evaluator->evaluate(connection, TessarinItem::Parameter);
    setConnectionID(connection);
}
