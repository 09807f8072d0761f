#ifndef TESSARINSQLDATASOURCE_H
#define TESSARINSQLDATASOURCE_H

#include "tessarindatasource.h"

#include <QSqlDatabase>
#include <QSqlRecord>

class QSqlQuery;

// Rows of one SQL query run through Qt SQL, on a connection of the
// application (internal) or on a private connection the source opens from
// the definition's driver, host, database, user, password and port
// (external). "{FILE}" in the database name stands for the absolute path of
// the file named after it. "{ID}" and "{PK}" in the statement receive the
// foreign key of a parent row, escaped so that it can only ever be a value.
// Statements that change data are refused. In forward-only mode one row of
// look-back is kept, so that the engine can step back one row at a page
// break. After open() the cursor stands before the first row.
class TESSARIN2_EXPORT TessarinSQLDataSource : public TessarinDataSource
{
    Q_OBJECT
public:
    explicit TessarinSQLDataSource(QObject *parent = nullptr);
    ~TessarinSQLDataSource() override;

    QSqlQuery *queryObject() const { return m_query; }
    // The row the cursor stands on, -1 before the first row or without a result.
    int currentRow() const override;
    bool isForwardOnly() const { return m_forwardOnly; }
    void setForwardOnly(bool forwardOnly) { m_forwardOnly = forwardOnly; }
    QString dbDriver() const { return m_driver; }
    void setDriver(const QString &driver) { m_driver = driver; }
    QString dbHost() const { return m_host; }
    void setHost(const QString &host) { m_host = host; }
    QString dbDatabase() const { return m_database; }
    void setDB(const QString &database) { m_database = database; }
    QString dbUser() const { return m_user; }
    void setUser(const QString &user) { m_user = user; }
    QString dbPassword() const { return m_password; }
    void setPassword(const QString &password) { m_password = password; }
    QString dbPort() const { return m_port; }
    void setPort(const QString &port) { m_port = port; }
    // The statement actually executed; the specification when empty at open().
    QString sqlQuery() const { return m_sqlQuery; }
    void setSqlQuery(const QString &query) { m_sqlQuery = query; }
    QString connectOptions() const { return m_connectOptions; }
    void setConnectOptions(const QString &options) { m_connectOptions = options; }

    // Registers and opens the private connection of an external source.
    bool connectDatabase(QSqlDatabase &db);
    bool disconnectDatabase();
    // False for an empty text, for more than one statement and for
    // statements that change data or the schema.
    bool queryIsValid(const QString &query);

public slots:
    bool read(TessarinXMLReader *reader) override;
    bool write(TessarinXMLWriter *writer) override;
    bool open() override;
    bool close() override;
    bool first() override;
    bool last() override;
    bool next() override;
    bool previous() override;
    bool hasNext() override;
    bool seek(int index) override;
    int size() const override;
    int rowCount() const override { return size(); }
    int columnCount() const override;
    bool update() override;
    QVariant value(int column, bool *ok = nullptr, int role = -1) override;
    QVariant value(const QString &column, bool *ok = nullptr, int role = -1) override;
    bool isValid() const override;
    void evaluate(TessarinEvaluator *evaluator) override;
    QStringList columnNames() override;
    QString columnName(int i) const override;
    bool hasColumn(const QString &name) const override;
    bool hasColumn(int i) const override;
    int columnIndexByName(const QString &name) const override;

private:
    enum ForwardState { BeforeFirst = 0, OnCurrent = 1, OnBuffer = 2 };

    bool executeQuery();
    QString privateConnectionID() const;
    void saveBuffer();
    QString substituteKeys(const QString &statement) const;
    bool recordDriverError();
    bool forwardNext();
    bool forwardOnRow() const;
    int forwardRow() const;

    QSqlQuery *m_query = nullptr;
    int m_fwState = BeforeFirst;
    bool m_forwardOnly = false;
    QString m_driver;
    QString m_host;
    QString m_database;
    QString m_user;
    QString m_password;
    QString m_port;
    QString m_sqlQuery;
    QString m_connectOptions;
    QSqlRecord m_buffer;
    bool m_buffered = false;
    // Field names of the result, kept so that name lookups need no query call.
    QSqlRecord m_record;
    // Result size for drivers that cannot report it: counted once per execution.
    mutable int m_count = -1;
    // Forward-only bookkeeping: the query's row number, whether hasNext()
    // has fetched one row ahead (the current row then lives in m_current),
    // and whether the result is exhausted.
    int m_fetched = -1;
    bool m_peeked = false;
    bool m_peekResult = false;
    bool m_exhausted = false;
    QSqlRecord m_current;
};

#endif // TESSARINSQLDATASOURCE_H
