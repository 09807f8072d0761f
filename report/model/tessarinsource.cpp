#include "tessarinsource.h"

#include "tessarindef.h"
#include "tessarinutils.h"
#include "tessarinxmldefreader.h"
#include "tessarinxmldefwriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextCodec>

namespace {

QSqlDatabase databaseFor(const QString &connectionId)
{
    return connectionId.isEmpty() ? QSqlDatabase::database() : QSqlDatabase::database(connectionId);
}

// Placeholders are resolved for writing too, but a new relative file is not
// moved into the directory of the last definition read: it is written where
// the name says.
QString fileNameForWriting(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (!trimmed.contains(QLatin1Char('{')) && !trimmed.contains(QLatin1Char('%')))
        return trimmed;
    return TessarinUtils::evaluatedFileName(trimmed);
}

} // namespace

TessarinSource::TessarinSource() = default;

TessarinSource::~TessarinSource() = default;

void TessarinSource::setFileName(const QString &name)
{
    m_fileName = name;
    TessarinUtils::saveFilePath(QStringLiteral("REPORT_PATH"), name);
}

void TessarinSource::setError(const QString &text)
{
    if (m_reportDef)
        m_reportDef->error()->setError(text, -1);
}

void TessarinSource::setParseError(TessarinXMLReader &reader)
{
    const QXmlStreamReader &xml = reader.xml();
    const QString file = m_sourceType == File ? TessarinUtils::evaluatedFileName(m_fileName) : QString();
    setError(tr("Parse error in file %1 at line %2, column %3:\n%4")
                 .arg(file, QString::number(xml.lineNumber()), QString::number(xml.columnNumber()),
                      xml.errorString()));
}

void TessarinSource::setWriterCodec(TessarinXMLWriter &writer) const
{
    if (m_reportDef && !m_reportDef->option().encoding().isEmpty())
        writer.xml().setCodec(m_reportDef->option().encoding().toLatin1().constData());
}

// ---- loading -------------------------------------------------------------

bool TessarinSource::load(TessarinXMLDefReader &reader)
{
    // Failures need a definition to be recorded in.
    if (!m_reportDef)
        m_reportDef = reader.reportDef();
    if (m_sourceType == String) {
        if (m_reportDefXML.isEmpty()) {
            setError(tr("Report definition XML string is undefined."));
            return false;
        }
    } else {
        m_reportDefXML.clear();
        if (m_sourceType > String)
            return evaluateParameters();
    }

    bool ok = false;
    switch (m_sourceType) {
    case File:
        ok = loadFromFile(reader);
        break;
    case Database:
        ok = loadFromDatabase(reader);
        break;
    case Http:
        ok = loadFromHttp(reader);
        break;
    case Ftp:
        ok = loadFromFtp(reader);
        break;
    case Custom:
        ok = loadFromCustomSource(reader);
        break;
    case String:
        ok = loadFromString(reader);
        break;
    }
    if (ok)
        ok = evaluateParameters();
    return ok;
}

bool TessarinSource::loadFromFile(TessarinXMLDefReader &reader)
{
    QFile file(TessarinUtils::evaluatedFileName(m_fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        setError(tr("Cannot open file %1").arg(file.fileName()));
        return false;
    }
    if (reader.read(&file, QString()))
        return true;
    setParseError(reader);
    return false;
}

bool TessarinSource::loadFromString(TessarinXMLDefReader &reader)
{
    if (reader.read(nullptr, m_reportDefXML))
        return true;
    setParseError(reader);
    return false;
}

bool TessarinSource::loadFromDatabase(TessarinXMLDefReader &reader)
{
    if (!canRunQueries()) {
        setError(tr("Report load sql query is undefined."));
        return false;
    }
    QSqlQuery query(databaseFor(m_connectionID));
    const QString statement = QStringLiteral("SELECT %1 FROM %2 WHERE %3=?")
                                  .arg(m_columnName, m_tableName, m_keyColumnName);
    if (!query.prepare(statement)) {
        setError(query.lastError().text());
        return false;
    }
    query.addBindValue(m_keyValue);
    if (!query.exec()) {
        setError(query.lastError().text());
        return false;
    }
    // Not size(): drivers such as SQLite cannot tell the row count.
    if (!query.next()) {
        setError(tr("No report definition found!"));
        return false;
    }
    m_reportDefXML = query.value(0).toString();
    if (m_reportDefXML.isEmpty()) {
        setError(tr("Report definition is empty!"));
        return false;
    }
    return loadFromString(reader);
}

bool TessarinSource::loadFromHttp(TessarinXMLDefReader &)
{
    return true;
}

bool TessarinSource::loadFromFtp(TessarinXMLDefReader &)
{
    return true;
}

bool TessarinSource::loadFromCustomSource(TessarinXMLDefReader &)
{
    return true;
}

// ---- saving --------------------------------------------------------------

bool TessarinSource::save(TessarinXMLDefWriter &writer)
{
    if (!m_reportDef)
        m_reportDef = writer.reportDef();
    switch (m_sourceType) {
    case File:
        return saveToFile(writer);
    case Database:
        return saveToDatabase(writer);
    case Http:
        return saveToHttp(writer);
    case Ftp:
        return saveToFtp(writer);
    case Custom:
        return saveToCustomSource(writer);
    case String:
        break;
    }
    return true;
}

bool TessarinSource::saveToFile(TessarinXMLDefWriter &writer)
{
    // The previous file stays untouched until the new one is complete.
    QSaveFile file(fileNameForWriting(m_fileName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        setError(tr("Cannot write file %1:\n%2.").arg(file.fileName(), file.errorString()));
        return false;
    }
    setWriterCodec(writer);
    if (!writer.write(&file)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        setError(tr("Cannot write file %1:\n%2.").arg(file.fileName(), reason));
        return false;
    }
    if (!file.commit()) {
        setError(tr("Cannot write file %1:\n%2.").arg(file.fileName(), file.errorString()));
        return false;
    }
    return true;
}

bool TessarinSource::saveToDatabase(TessarinXMLDefWriter &writer)
{
    if (m_reportDefXML.isEmpty()) {
        setError(tr("Report definition is empty!"));
        return false;
    }
    if (!canRunQueries()) {
        setError(tr("Report save sql query is undefined."));
        return false;
    }

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    setWriterCodec(writer);
    if (!writer.write(&buffer)) {
        setError(tr("Cannot write the report definition:\n%1.").arg(buffer.errorString()));
        return false;
    }
    // The bytes are in the writer's encoding; the column takes text.
    const QTextCodec *codec = writer.xml().codec();
    if (!codec)
        codec = QTextCodec::codecForName("UTF-8");
    const QString xml = codec->toUnicode(buffer.data());

    QSqlQuery query(databaseFor(m_connectionID));
    const QString statement = QStringLiteral("UPDATE %1 SET %2=? WHERE %3=?")
                                  .arg(m_tableName, m_columnName, m_keyColumnName);
    if (!query.prepare(statement)) {
        setError(query.lastError().text());
        return false;
    }
    query.addBindValue(xml);
    query.addBindValue(m_keyValue);
    if (!query.exec()) {
        setError(query.lastError().text());
        return false;
    }
    if (query.numRowsAffected() == 0) {
        setError(tr("No report definition found!"));
        return false;
    }
    m_reportDefXML = xml;
    return true;
}

bool TessarinSource::saveToHttp(TessarinXMLDefWriter &)
{
    return true;
}

bool TessarinSource::saveToFtp(TessarinXMLDefWriter &)
{
    return true;
}

bool TessarinSource::saveToCustomSource(TessarinXMLDefWriter &)
{
    return true;
}

bool TessarinSource::saveToString(TessarinXMLDefWriter &)
{
    return true;
}

// ---- queries and substitutions -------------------------------------------

bool TessarinSource::canRunQueries() const
{
    return !m_columnName.isEmpty() && !m_tableName.isEmpty();
}

QString TessarinSource::loadQuery() const
{
    if (!canRunQueries())
        return QString();
    return QStringLiteral("SELECT ") + m_columnName + QStringLiteral(" FROM ") + m_tableName
        + QStringLiteral(" WHERE ") + m_keyColumnName + QStringLiteral("='") + m_keyValue + QLatin1Char('\'');
}

QString TessarinSource::saveQuery() const
{
    if (!canRunQueries())
        return QString();
    return QStringLiteral("UPDATE ") + m_tableName + QStringLiteral(" SET ") + m_columnName
        + QStringLiteral("=? WHERE ") + m_keyColumnName + QStringLiteral("='") + m_keyValue + QLatin1Char('\'');
}

bool TessarinSource::evaluateParameters()
{
    for (auto it = m_parameters.cbegin(); it != m_parameters.cend(); ++it) {
        m_reportDefXML.replace(QStringLiteral("{{%1}}").arg(it.key()), it.value());
        m_reportDefXML.replace(QStringLiteral("$P{%1}").arg(it.key()), it.value());
    }
    return true;
}
