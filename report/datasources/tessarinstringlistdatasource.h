#ifndef TESSARINSTRINGLISTDATASOURCE_H
#define TESSARINSTRINGLISTDATASOURCE_H

#include "tessarindatasource.h"

#include <QStringList>
#include <QVector>

// One row per string of a list that the application hands over, directly or
// by id through the definition's string lists; columns are the fields
// between delimiter characters. After open() the cursor stands on the first
// row; the list survives close().
class TESSARIN2_EXPORT TessarinStringListDataSource : public TessarinDataSource
{
    Q_OBJECT
public:
    enum Delimiter { Tab = 0, Comma = 1, Semicolon = 2, Space = 3, VBar = 4, CustomDelimiter = 5 };
    Q_ENUM(Delimiter)

    explicit TessarinStringListDataSource(QObject *parent = nullptr);
    ~TessarinStringListDataSource() override;

    void setColumnDelimiter(Delimiter delimiter);
    Delimiter columnDelimiter() const { return m_delimiter; }
    void setCustomDelimiterCharacter(char character) { m_delimiterChar = character; m_boundsRow = -1; }
    char delimiterCharacter() const { return m_delimiterChar; }
    void setStringList(const QStringList &list);
    QStringList stringList() const { return m_list; }
    QString listID() const { return m_listID; }
    void setListID(const QString &id) { m_listID = id; }

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
    int size() const override { return m_list.size(); }
    int rowCount() const override { return m_list.size(); }
    int columnCount() const override;
    QVariant value(int column, bool *ok = nullptr, int role = -1) override;
    QVariant value(const QString &column, bool *ok = nullptr, int role = -1) override;
    bool isValid() const override;
    int columnIndexByName(const QString &name) const override;

private:
    Delimiter m_delimiter = Tab;
    char m_delimiterChar = '\t';
    QStringList m_list;
    QString m_listID;
    QVector<int> m_bounds;
    int m_boundsRow = -1;
};

#endif // TESSARINSTRINGLISTDATASOURCE_H
