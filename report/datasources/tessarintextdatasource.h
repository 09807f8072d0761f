#ifndef TESSARINTEXTDATASOURCE_H
#define TESSARINTEXTDATASOURCE_H

#include "tessarindatasource.h"

#include <QStringList>
#include <QVector>

class QFile;
class QTextStream;

// Delimited text rows from a file, from a URL downloaded over HTTP or from
// the text inside the definition. Lines are read lazily, one per step
// forward, and kept, so that the cursor can go back over them. After open()
// the cursor stands before the first row.
class TESSARIN2_EXPORT TessarinTextDataSource : public TessarinDataSource
{
    Q_OBJECT
public:
    enum Delimiter { Tab = 0, Comma = 1, Semicolon = 2, Space = 3, VBar = 4, CustomDelimiter = 5 };
    Q_ENUM(Delimiter)

    explicit TessarinTextDataSource(QObject *parent = nullptr);
    ~TessarinTextDataSource() override;

    void setColumnDelimiter(Delimiter delimiter);
    Delimiter columnDelimiter() const { return m_delimiter; }
    void setCustomDelimiterCharacter(char character) { m_delimiterChar = character; m_boundsRow = -1; }
    char delimiterCharacter() const { return m_delimiterChar; }
    bool hasColumnHeader() const { return m_hasColumnHeader; }
    void setHasColumnHeader(bool header) { m_hasColumnHeader = header; }

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
    int columnCount() const override { return m_columnNames.size(); }
    QVariant value(int column, bool *ok = nullptr, int role = -1) override;
    QVariant value(const QString &column, bool *ok = nullptr, int role = -1) override;
    bool isValid() const override;
    void evaluate(TessarinEvaluator *evaluator) override;
    QStringList keywordList() override;
    QStringList columnNames() override;
    QString columnName(int i) const override;
    int columnIndexByName(const QString &name) const override;

private:
    bool openStream();
    void closeStream();
    void initColumns();
    bool readLine();

    Delimiter m_delimiter = Tab;
    char m_delimiterChar = '\t';
    QFile *m_file = nullptr;
    QTextStream *m_stream = nullptr;
    QString m_text;
    bool m_hasColumnHeader = false;
    QStringList m_columnNames;
    QStringList m_lines;
    // Field offsets of the row m_boundsRow, so that reading several columns
    // of one row scans the line once.
    QVector<int> m_bounds;
    int m_boundsRow = -1;
};

#endif // TESSARINTEXTDATASOURCE_H
