#ifndef TESSARINXMLDATASOURCE_H
#define TESSARINXMLDATASOURCE_H

#include "tessarindatasource.h"

#include <QList>
#include <QStringList>

class QXmlStreamReader;

// Rows of a small XML data document, loaded completely by open() and then
// served from memory. One document may carry several sources: only the
// "datasource" element whose id equals this source's id is taken, and
// "parameters" become values the report receives after opening.
//
//   <data>
//     <parameters><d id="title">Orders</d></parameters>
//     <datasources>
//       <datasource id="orders">
//         <columns><column>no</column><column>customer</column></columns>
//         <row><d>1</d><d>Smith</d></row>
//       </datasource>
//     </datasources>
//   </data>
//
// After open() the cursor stands before the first row.
class TESSARIN2_EXPORT TessarinXMLDataSource : public TessarinDataSource
{
    Q_OBJECT
public:
    explicit TessarinXMLDataSource(QObject *parent = nullptr);
    ~TessarinXMLDataSource() override;

public slots:
    bool open() override;
    bool close() override;
    bool first() override;
    bool last() override;
    bool next() override;
    bool previous() override;
    bool hasNext() override;
    bool seek(int index) override;
    int size() const override { return m_rows.size(); }
    int rowCount() const override { return m_rows.size(); }
    int columnCount() const override { return m_columnNames.size(); }
    QVariant value(int column, bool *ok = nullptr, int role = -1) override;
    QVariant value(const QString &column, bool *ok = nullptr, int role = -1) override;
    bool isValid() const override;
    void evaluate(TessarinEvaluator *evaluator) override;
    QStringList keywordList() override;
    QStringList columnNames() override { return m_columnNames; }
    QString columnName(int i) const override { return m_columnNames.value(i); }
    int columnIndexByName(const QString &name) const override;

private:
    enum ParseState { None = 0, Parameters = 1, DataSources = 3, DataSourceElement = 4, Columns = 5, Column = 6, Row = 7 };
    bool parse(QXmlStreamReader &xml);
    void clearData();

    int m_state = None;
    QStringList m_columnNames;
    QList<QStringList> m_rows;
    QStringList m_row;
};

#endif // TESSARINXMLDATASOURCE_H
