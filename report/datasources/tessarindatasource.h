#ifndef TESSARINDATASOURCE_H
#define TESSARINDATASOURCE_H

#include "tessaringlobal.h"
#include "tessarindatafieldinfo.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVector>

class TessarinError;
class TessarinEvaluator;
class TessarinXMLReader;
class TessarinXMLWriter;

// The row cursor through which a report reads its data. Concrete sources
// (SQL, text, string list, XML, item model, application-supplied) derive from it.
class TESSARIN2_EXPORT TessarinDataSource : public QObject
{
    Q_OBJECT
public:
    enum DataSourceType { SQL = 0, Text = 1, XML = 2, StringList = 3, ItemModel = 4, Custom = 5 };
    Q_ENUM(DataSourceType)
    enum ConnectionType { Internal = 0, External = 1 };
    enum LocationType { Static = 0, File = 1, Http = 2, Ftp = 3, Parameter = 4 };
    enum OpenRoles { Begin = 0, Child = 1, Group = 2, Sub = 3 };
    Q_ENUM(OpenRoles)

    explicit TessarinDataSource(QObject *parent = nullptr);
    ~TessarinDataSource() override;

    // Type names as written in report definitions ("sql", "txt", ...); -1 / empty when unknown.
    static QString dataSourceTypeName(int type);
    static int dataSourceTypeFromName(const QString &name);
    static QString locationTypeName(int type);
    static int locationTypeFromName(const QString &name);
    static QString openRoleName(int role);
    static int openRoleFromName(const QString &name);

    DataSourceType dataSourceType() const { return m_dataSourceType; }
    void setDataSourceType(DataSourceType type) { m_dataSourceType = type; }
    ConnectionType connectionType() const { return m_connectionType; }
    void setConnectionType(ConnectionType type) { m_connectionType = type; }
    LocationType locationType() const { return m_locationType; }
    void setLocationType(LocationType type) { m_locationType = type; }
    void setErrorHandler(TessarinError *handler) { m_errorHandler = handler; }
    TessarinError *errorHandler() const { return m_errorHandler; }

    int recno() const { return m_recno; }
    // Row the cursor stands on as kept by the subclass (-1 before the first row).
    virtual int currentRow() const { return m_recno; }
    bool allowEmpty() const { return m_allowEmpty; }
    void setAllowEmpty(bool allow) { m_allowEmpty = allow; }
    QString specification() const { return m_specification; }
    QString specText() const { return m_specification; }
    void setSpecification(const QString &spec) { m_specification = spec; }
    void setSpecText(const QString &spec) { m_specification = spec; }
    QString recordFilter() const { return m_recordFilter; }
    void setRecordFilter(const QString &filter) { m_recordFilter = filter; }
    void setFileName(const QString &name) { m_fileName = name; }
    QString rawFileName() const { return m_fileName; }
    // The file name with its placeholders resolved.
    QString fileName() const;
    OpenRoles openRole() const { return m_openRole; }
    void setOpenRole(OpenRoles role) { m_openRole = role; }
    QString parentId() const { return m_parentId; }
    void setParentId(const QString &id) { m_parentId = id; }
    bool isDone() const { return m_done; }
    void setDone(bool done) { m_done = done; }
    bool isOpened() const { return m_opened; }
    bool isAvailable() const { return m_available; }
    void setAvailable(bool available) { m_available = available; }
    TessarinDataSource *parentDataSource() const { return m_parentDataSource; }
    void setParentDataSource(TessarinDataSource *ds) { m_parentDataSource = ds; }
    QString encoding() const { return m_encoding; }
    void setEncoding(const QString &encoding) { m_encoding = encoding; }
    int primaryKeyColumn() const { return m_primaryKeyColumn; }
    void setPrimaryKeyColumn(int column) { m_primaryKeyColumn = column; }
    QString foreignKeyValue() const { return m_foreignKeyValue; }
    void setForeignKeyValue(const QString &value) { m_foreignKeyValue = value; }
    bool useAppearanceRoles() const { return m_useAppearanceRoles; }
    void setUseAppearanceRoles(bool use) { m_useAppearanceRoles = use; }
    bool forceUpdateOnStepBackwordInRelation() const { return m_forceUpdateOnStepBack; }
    void setForceUpdateOnStepBackwordInRelation(bool force) { m_forceUpdateOnStepBack = force; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isUseApiOnly() const { return m_useApiOnly; }
    void setUseApiOnly(bool apiOnly) { m_useApiOnly = apiOnly; }
    QString briefDescription() const { return m_briefDescription; }
    void setBriefDescription(const QString &text) { m_briefDescription = text; }
    QString longDescription() const { return m_longDescription; }
    void setLongDescription(const QString &text) { m_longDescription = text; }
    QString id() const { return m_id; }
    void setID(const QString &id) { m_id = id; }
    void setId(const QString &id) { m_id = id; }
    QString connectionID() const { return m_connectionID; }
    void setConnectionID(const QString &id) { m_connectionID = id; }
    QList<int> appearanceRoles() const { return m_appearanceRoles; }
    void addAppearanceRole(int role) { m_appearanceRoles.append(role); }

signals:
    void updateRequestFKey(QString dsID, QString foreignKeyValue);
    void updateRequest(QString dsID, QString data);

public slots:
    virtual int rowCount() const { return -1; }
    virtual int columnCount() const { return -1; }
    virtual bool read(TessarinXMLReader *reader);
    virtual bool write(TessarinXMLWriter *writer);
    virtual bool open() = 0;
    virtual bool close() = 0;
    virtual bool first() = 0;
    virtual bool last() = 0;
    virtual bool next() = 0;
    virtual bool previous() = 0;
    virtual bool hasNext() = 0;
    virtual bool seek(int index) = 0;
    virtual int size() const = 0;
    virtual bool update();
    virtual QVariant value(int column, bool *ok = nullptr, int role = -1) = 0;
    virtual QVariant value(const QString &column, bool *ok = nullptr, int role = -1) = 0;
    virtual bool isValid() const = 0;
    virtual void evaluate(TessarinEvaluator *evaluator);
    virtual QStringList keywordList();
    virtual QStringList columnNames();
    virtual QVector<TessarinDataFieldInfo> fieldInfo();
    virtual QString columnName(int i) const;
    virtual QString columnTitle(int i);
    virtual QString rowTitle(int row);
    virtual bool hasColumn(const QString &name) const;
    virtual bool hasColumn(int i) const;
    virtual int columnIndexByName(const QString &name) const;
    virtual bool hasParameters() const { return !m_parameters.isEmpty(); }
    virtual QHash<QString, QVariant> &parameters() { return m_parameters; }
    virtual QVariant getUserFunctionValue(const QVariant &value, const QString &arguments);
    virtual QString columnToolTip(int i);
    virtual QString primaryKeyValue();

protected:
    TessarinError *error() const { return m_errorHandler; }
    int &recnoRef() { return m_recno; }
    bool &flagBegin() { return m_flagBegin; }
    bool &flagEnd() { return m_flagEnd; }
    QString &specificationRef() { return m_specification; }
    void setOpened(bool opened) { m_opened = opened; }
    // Records a failure in the error handler, if one is set.
    void setError(const QString &text, int code = -1);

private:
    DataSourceType m_dataSourceType = Custom;
    ConnectionType m_connectionType = Internal;
    LocationType m_locationType = Static;
    TessarinError *m_errorHandler = nullptr;
    int m_recno = 0;
    bool m_flagBegin = false;
    bool m_flagEnd = false;
    bool m_allowEmpty = true;
    QString m_specification;
    QString m_recordFilter;
    QString m_fileName;
    OpenRoles m_openRole = Begin;
    QString m_parentId;
    bool m_done = false;
    bool m_opened = false;
    bool m_available = true;
    TessarinDataSource *m_parentDataSource = nullptr;
    QString m_encoding = QStringLiteral("UTF-8");
    int m_primaryKeyColumn = 0;
    QString m_foreignKeyValue;
    bool m_useAppearanceRoles = false;
    bool m_forceUpdateOnStepBack = false;
    bool m_enabled = true;
    bool m_useApiOnly = false;
    QString m_briefDescription;
    QString m_longDescription;
    QString m_id;
    QString m_connectionID;
    QHash<QString, QVariant> m_parameters;
    QList<int> m_appearanceRoles;
};

#endif // TESSARINDATASOURCE_H
