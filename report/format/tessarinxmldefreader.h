#ifndef TESSARINXMLDEFREADER_H
#define TESSARINXMLDEFREADER_H

#include "tessarinxmlreader.h"

class TessarinDataSource;
class TessarinGroup;

// Reads a report definition document into a TessarinDef: options, data
// sources, parameters, variables, scripts, fixed sections, details with
// their groups, and the items of every section. The definition is not
// cleared first; whoever loads a fresh definition resets it.
class TESSARIN2_EXPORT TessarinXMLDefReader : public TessarinXMLReader
{
public:
    explicit TessarinXMLDefReader(TessarinDef *definition);
    ~TessarinXMLDefReader() override;

    using TessarinXMLReader::readParameters;
    void readParameters() override;
    void init() override;
    void readDataSources() override;
    void readDataSource() override;
    void readVariables() override;
    void readVariable() override;
    void readScripts() override;
    void readScript() override;
    void readPageHeader() override;
    void readPageFooter() override;
    void readReportHeader() override;
    void readReportFooter() override;
    void readDetails() override;
    void readField(TessarinFieldItem *item) override;
    void afterReadItem(TessarinItem *item) override;
    void setDefaultFont(QFont &font) override;

    virtual void readDetail();
    virtual void readGroups(TessarinSection *detail);
    virtual void readGroup(TessarinSection *detail);
    virtual void readGroupHeader(TessarinGroup *group);
    virtual void readGroupFooter(TessarinGroup *group);
    // The definition's own source with this id, else one from the custom
    // provider, else one from the definition's data source factory.
    virtual TessarinDataSource *createCustomDataSource(const QString &id);

    // Links every child-role source to the source its parent id names.
    void organizeDataSources();

private:
    void readFixedSection(TessarinSection *section);

    Q_DISABLE_COPY(TessarinXMLDefReader)
};

#endif // TESSARINXMLDEFREADER_H
