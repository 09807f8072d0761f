#ifndef TESSARINXMLDEFWRITER_H
#define TESSARINXMLDEFWRITER_H

#include "tessarinxmlwriter.h"

class TessarinDef;

// Writes a TessarinDef as a report definition document. Tables without an
// order of their own (data sources, variables, scripts) are written sorted
// by id, so that one definition always gives the same bytes.
class TESSARIN2_EXPORT TessarinXMLDefWriter : public TessarinXMLWriter
{
public:
    explicit TessarinXMLDefWriter(TessarinDef *definition = nullptr);
    explicit TessarinXMLDefWriter(QString *string, TessarinDef *definition = nullptr);
    ~TessarinXMLDefWriter() override;

    TessarinDef *reportDef() const { return m_reportDef; }
    void setReportDef(TessarinDef *definition) { m_reportDef = definition; }

    QString reportName() override;
    QString reportType() override;
    void writeOptions() override;
    void writeDataSources() override;
    void writeVariables() override;
    void writeScripts() override;
    void writePageHeader() override;
    void writePageFooter() override;
    void writeReportHeader() override;
    void writeReportFooter() override;
    void writeDetails() override;
    void writeDataSource(TessarinDataSource *dataSource) override;
    void writeVariable(TessarinVariable *variable) override;
    virtual void writeGroups(TessarinSection *detail);

    // Shortest text that reads back as exactly the same double.
    static QString exactRealToString(double value);

private:
    void writeFixedSection(const QString &elementName, TessarinSection *section);

    TessarinDef *m_reportDef = nullptr;

    Q_DISABLE_COPY(TessarinXMLDefWriter)
};

#endif // TESSARINXMLDEFWRITER_H
