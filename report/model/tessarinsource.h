#ifndef TESSARINSOURCE_H
#define TESSARINSOURCE_H

#include "tessaringlobal.h"

#include <QCoreApplication>
#include <QHash>
#include <QString>

class TessarinDef;
class TessarinXMLDefReader;
class TessarinXMLDefWriter;
class TessarinXMLReader;
class TessarinXMLWriter;

// Where a report definition comes from and where it is saved: a file, a row
// of a database table, or an XML string in memory. Failures are recorded in
// the definition's error record. The remote and custom kinds are accepted and
// do nothing.
class TESSARIN2_EXPORT TessarinSource
{
    Q_DECLARE_TR_FUNCTIONS(TessarinSource)
public:
    enum ReportSourceType : int { File = 0, Database, Http, Ftp, Custom, String };

    TessarinSource();
    TessarinSource(const TessarinSource &) = default;
    TessarinSource &operator=(const TessarinSource &) = default;
    virtual ~TessarinSource();

    virtual bool load(TessarinXMLDefReader &reader);
    virtual bool save(TessarinXMLDefWriter &writer);
    virtual bool loadFromFile(TessarinXMLDefReader &reader);
    virtual bool loadFromDatabase(TessarinXMLDefReader &reader);
    virtual bool loadFromHttp(TessarinXMLDefReader &reader);
    virtual bool loadFromFtp(TessarinXMLDefReader &reader);
    virtual bool loadFromCustomSource(TessarinXMLDefReader &reader);
    virtual bool loadFromString(TessarinXMLDefReader &reader);
    virtual bool saveToFile(TessarinXMLDefWriter &writer);
    virtual bool saveToDatabase(TessarinXMLDefWriter &writer);
    virtual bool saveToHttp(TessarinXMLDefWriter &writer);
    virtual bool saveToFtp(TessarinXMLDefWriter &writer);
    virtual bool saveToCustomSource(TessarinXMLDefWriter &writer);
    virtual bool saveToString(TessarinXMLDefWriter &writer);
    // The statements as text, for display. Loading and saving run the same
    // statements with the key value bound as a query parameter.
    virtual QString loadQuery() const;
    virtual QString saveQuery() const;
    // Replaces "{{name}}" and "$P{name}" in the XML text by the values of
    // the substitutions.
    virtual bool evaluateParameters();

    ReportSourceType sourceType() const { return m_sourceType; }
    void setSourceType(ReportSourceType type) { m_sourceType = type; }
    TessarinDef *reportDef() const { return m_reportDef; }
    void setReportDef(TessarinDef *definition) { m_reportDef = definition; }
    int integerReportID() const { return m_integerReportID; }
    void setIntegerReportID(int id) { m_integerReportID = id; }
    QString fileName() const { return m_fileName; }
    // Also remembers the file's directory as "REPORT_PATH", against which
    // relative names in the definition are resolved.
    void setFileName(const QString &name);
    QString reportDefXML() const { return m_reportDefXML; }
    void setReportDefXML(const QString &xml) { m_reportDefXML = xml; }
    QString stringReportID() const { return m_stringReportID; }
    void setStringReportID(const QString &id) { m_stringReportID = id; }
    QString connectionID() const { return m_connectionID; }
    void setConnectionID(const QString &id) { m_connectionID = id; }
    QString columnName() const { return m_columnName; }
    void setColumnName(const QString &name) { m_columnName = name; }
    QString tableName() const { return m_tableName; }
    void setTableName(const QString &name) { m_tableName = name; }
    QString keyColumnName() const { return m_keyColumnName; }
    void setKeyColumnName(const QString &name) { m_keyColumnName = name; }
    QString keyValue() const { return m_keyValue; }
    void setKeyValue(const QString &value) { m_keyValue = value; }

    void addParameter(const QString &name, const QString &value) { m_parameters.insert(name, value); }
    QHash<QString, QString> parameters() const { return m_parameters; }

    // Records the reader's stream error, with line and column, as the
    // definition's error.
    void setParseError(TessarinXMLReader &reader);

protected:
    void setError(const QString &text);
    void setWriterCodec(TessarinXMLWriter &writer) const;

private:
    bool canRunQueries() const;

    ReportSourceType m_sourceType = File;
    TessarinDef *m_reportDef = nullptr;
    int m_integerReportID = 0;
    QString m_fileName;
    QString m_reportDefXML;
    QString m_stringReportID;
    QString m_connectionID;
    QString m_columnName;
    QString m_tableName;
    QString m_keyColumnName;
    QString m_keyValue;
    QHash<QString, QString> m_parameters;
};

#endif // TESSARINSOURCE_H
