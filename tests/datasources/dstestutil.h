#ifndef DSTESTUTIL_H
#define DSTESTUTIL_H

#include "tessarindatasource.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlwriter.h"

#include <QSqlDatabase>
#include <QString>

// A reader positioned on the "datasource" start element of a snippet, so
// that a source's read() sees the attributes as the definition reader
// would hand them over.
class SnippetReader : public TessarinXMLReader
{
public:
    explicit SnippetReader(const QString &xml)
    {
        m_xml.addData(xml);
        while (!m_xml.atEnd() && !(m_xml.readNext() == QXmlStreamReader::StartElement
                                   && m_xml.name() == QLatin1String("datasource"))) {
        }
    }
    void init() override {}
};

// The "datasource" element as the source writes its own attributes.
inline QString writtenElement(TessarinDataSource *ds)
{
    QString text;
    TessarinXMLWriter writer(&text);
    writer.xml().writeStartElement(QStringLiteral("datasource"));
    ds->write(&writer);
    writer.xml().writeEndElement();
    return text;
}

inline bool postgresAvailable()
{
    return !qEnvironmentVariableIsEmpty("TESSARIN_PGHOST");
}

// Connection parameters of the PostgreSQL cluster started by the test command.
inline void configurePostgres(QSqlDatabase &db)
{
    db.setHostName(qEnvironmentVariable("TESSARIN_PGHOST"));
    db.setPort(qEnvironmentVariable("TESSARIN_PGPORT", QStringLiteral("5432")).toInt());
    db.setUserName(qEnvironmentVariable("TESSARIN_PGUSER", QStringLiteral("postgres")));
    db.setDatabaseName(qEnvironmentVariable("TESSARIN_PGDB", QStringLiteral("tessarin_test")));
}

#endif // DSTESTUTIL_H
