#include "tessarinxmldefreader.h"

#include "tessarincustomdsprovider.h"
#include "tessarindatasource.h"
#include "tessarindatasourcefactory.h"
#include "tessarindef.h"
#include "tessaringroup.h"
#include "tessarinitem.h"
#include "tessarinsection.h"
#include "tessarinvariable.h"
#include "tessarinxmlregistry.h"

#include <QCoreApplication>

TessarinXMLDefReader::TessarinXMLDefReader(TessarinDef *definition)
{
    m_reportDef = definition;
    init();
}

TessarinXMLDefReader::~TessarinXMLDefReader() = default;

void TessarinXMLDefReader::init()
{
    m_rootElementName = QStringLiteral("Tessarin");
    m_pageOption = m_reportDef ? &m_reportDef->option() : nullptr;
}

void TessarinXMLDefReader::readParameters()
{
    if (m_reportDef)
        readParameters(m_reportDef->parametersRef());
    else
        readUnknownElement();
}

// ---- data sources --------------------------------------------------------

void TessarinXMLDefReader::readDataSources()
{
    if (!m_reportDef) {
        readUnknownElement();
        return;
    }
    while (readNextChild()) {
        if (m_xml.name() == QLatin1String("datasource"))
            readDataSource();
        else
            readUnknownElement();
    }
    organizeDataSources();
}

void TessarinXMLDefReader::readDataSource()
{
    const QString id = attrib(QStringLiteral("id"));
    TessarinDataSource *existing = m_reportDef->dataSource(id);

    // The application configures this source itself; the document may only
    // switch it on or off.
    if (existing && existing->isUseApiOnly()) {
        existing->setEnabled(attribToBool(QStringLiteral("enabled")));
        readUnknownElement();
        return;
    }

    const QString typeName = attrib(QStringLiteral("type"));
    const int type = TessarinDataSource::dataSourceTypeFromName(typeName);
    if (type < 0) {
        m_xml.raiseError(QCoreApplication::translate("TessarinXMLDefReader", "Invalid datasource type: %1")
                             .arg(typeName));
        return;
    }
    const int location = qMax(0, TessarinDataSource::locationTypeFromName(attrib(QStringLiteral("source"))));
    const int openRole = qMax(0, TessarinDataSource::openRoleFromName(attrib(QStringLiteral("openRole"))));

    TessarinDataSource *ds = nullptr;
    if (TessarinCustomDSProvider *provider = m_reportDef->customDSProvider())
        ds = provider->createDataSource(id, type, m_reportDef);
    else if (existing)
        ds = existing;
    else if (type == TessarinDataSource::Custom)
        ds = createCustomDataSource(id);
    else
        ds = TessarinXMLRegistry::createDataSource(typeName, m_reportDef);
    // No class for this type (yet), or the application declined: the
    // element describes nothing we could run.
    if (!ds) {
        readUnknownElement();
        return;
    }

    ds->setID(id);
    ds->setLocationType(TessarinDataSource::LocationType(location));
    ds->setOpenRole(TessarinDataSource::OpenRoles(openRole));
    if (isAttrib(QStringLiteral("parentID")))
        ds->setParentId(attrib(QStringLiteral("parentID")));
    if (isAttrib(QStringLiteral("briefDesc")))
        ds->setBriefDescription(attrib(QStringLiteral("briefDesc")));
    if (isAttrib(QStringLiteral("emptyIsForbidden")))
        ds->setAllowEmpty(!attribToBool(QStringLiteral("emptyIsForbidden")));
    // Read after emptyIsForbidden, so that it wins.
    if (isAttrib(QStringLiteral("allowEmpty")))
        ds->setAllowEmpty(attribToBool(QStringLiteral("allowEmpty")));
    if (isAttrib(QStringLiteral("primaryKeyColumn")))
        ds->setPrimaryKeyColumn(attribToInt(QStringLiteral("primaryKeyColumn")));
    ds->setEnabled(isAttrib(QStringLiteral("enabled")) ? attribToBool(QStringLiteral("enabled")) : true);

    const qint64 start = m_xml.characterOffset();
    ds->read(this);
    if (ds->connectionID().isEmpty())
        ds->setConnectionID(m_reportDef->connectionID());

    // A source whose own read went past its attributes has taken the text.
    if (m_xml.isStartElement() && m_xml.characterOffset() == start) {
        const QString text = elementText().trimmed();
        switch (ds->locationType()) {
        case TessarinDataSource::Static:
            ds->setSpecification(text);
            break;
        case TessarinDataSource::Parameter: {
            const QVariant value = m_reportDef->parameter(text);
            if (value.isValid())
                ds->setSpecification(value.toString());
            ds->setFileName(text);
            break;
        }
        default:
            ds->setFileName(text);
            break;
        }
    }
    m_reportDef->addDataSource(ds);
}

TessarinDataSource *TessarinXMLDefReader::createCustomDataSource(const QString &id)
{
    if (!m_reportDef)
        return nullptr;
    if (TessarinDataSource *ds = m_reportDef->dataSource(id))
        return ds;
    if (TessarinCustomDSProvider *provider = m_reportDef->customDSProvider())
        return provider->createDataSource(id, TessarinDataSource::Custom, m_reportDef);
    return m_reportDef->dataSourceFactory().createCustomDataSource(id);
}

void TessarinXMLDefReader::organizeDataSources()
{
    if (!m_reportDef)
        return;
    const QHash<QString, TessarinDataSource *> &all = m_reportDef->dataSources();
    for (TessarinDataSource *ds : all) {
        if (!ds || ds->openRole() != TessarinDataSource::Child)
            continue;
        if (TessarinDataSource *parent = all.value(ds->parentId()))
            ds->setParentDataSource(parent);
    }
}

// ---- variables and scripts -----------------------------------------------

void TessarinXMLDefReader::readVariables()
{
    if (!m_reportDef) {
        readUnknownElement();
        return;
    }
    while (readNextChild()) {
        if (m_xml.name() == QLatin1String("variable"))
            readVariable();
        else
            readUnknownElement();
    }
}

void TessarinXMLDefReader::readVariable()
{
    auto *var = new TessarinVariable;
    var->setID(attrib(QStringLiteral("id")));
    // The function first: how the initial value is kept depends on it.
    var->setFunction(attrib(QStringLiteral("funcType")));
    var->setScope(attrib(QStringLiteral("scope")));
    var->setInitValue(attribToReal(QStringLiteral("initValue")));
    var->setExpression(elementText());
    var->setValue(0, TessarinData::Numeric);
    // A repeated id updates the variable already read; ours is then a copy.
    if (m_reportDef->addVariable(var) != var)
        delete var;
}

void TessarinXMLDefReader::readScripts()
{
    if (!m_reportDef) {
        readUnknownElement();
        return;
    }
    while (readNextChild()) {
        if (m_xml.name() == QLatin1String("script"))
            readScript();
        else
            readUnknownElement();
    }
}

void TessarinXMLDefReader::readScript()
{
    const QString id = attrib(QStringLiteral("id"));
    m_reportDef->addScript(id, elementText());
}

// ---- sections ------------------------------------------------------------

void TessarinXMLDefReader::readFixedSection(TessarinSection *section)
{
    readSection(section);
    readItems(section);
}

// Adding a fixed section replaces one read before, together with everything
// the definition had registered for its items.
void TessarinXMLDefReader::readPageHeader()
{
    if (m_reportDef)
        readFixedSection(m_reportDef->addPageHeader());
    else
        readUnknownElement();
}

void TessarinXMLDefReader::readPageFooter()
{
    if (m_reportDef)
        readFixedSection(m_reportDef->addPageFooter());
    else
        readUnknownElement();
}

void TessarinXMLDefReader::readReportHeader()
{
    if (m_reportDef)
        readFixedSection(m_reportDef->addReportHeader());
    else
        readUnknownElement();
}

void TessarinXMLDefReader::readReportFooter()
{
    if (m_reportDef)
        readFixedSection(m_reportDef->addReportFooter());
    else
        readUnknownElement();
}

void TessarinXMLDefReader::readDetails()
{
    if (!m_reportDef) {
        readUnknownElement();
        return;
    }
    while (readNextChild()) {
        if (m_xml.name() == QLatin1String("detail"))
            readDetail();
        else
            readUnknownElement();
    }
}

void TessarinXMLDefReader::readDetail()
{
    // Adding first gives the detail its layout index and default id at once.
    TessarinSection *detail = m_reportDef->addDetail();
    readSection(detail);
    const QString dataSourceId = attrib(QStringLiteral("datasource"));
    detail->setDataSourceId(dataSourceId);
    detail->setSecondaryDatasourceID(attrib(QStringLiteral("datasource2")));
    detail->setPageBreakExp(attrib(QStringLiteral("pageBreakExp")));
    detail->setDataSource(m_reportDef->dataSource(dataSourceId));

    while (readNextChild()) {
        if (m_xml.name() == QLatin1String("items"))
            readItems(detail);
        else if (m_xml.name() == QLatin1String("groups"))
            readGroups(detail);
        else
            readUnknownElement();
    }
}

void TessarinXMLDefReader::readGroups(TessarinSection *detail)
{
    while (readNextChild()) {
        if (m_xml.name() == QLatin1String("group"))
            readGroup(detail);
        else
            readUnknownElement();
    }
}

void TessarinXMLDefReader::readGroup(TessarinSection *detail)
{
    TessarinGroup *group = m_reportDef->addGroup(detail);
    group->setId(attrib(QStringLiteral("id")));
    QString expression = attrib(QStringLiteral("groupExp"));
    if (expression == QLatin1String("0"))
        expression = QStringLiteral("%CONST");
    group->setGroupExp(expression);
    group->setResetVarList(attrib(QStringLiteral("resetVariables")));
    group->setReprintHeaderOnNextPage(attribToBool(QStringLiteral("reprintHeader")));
    group->setStartsOnNewPage(attribToBool(QStringLiteral("startsOnNewPage")));
    if (isAttrib(QStringLiteral("pageBreakExp")))
        group->setPageBreakExp(attrib(QStringLiteral("pageBreakExp")));

    while (readNextChild()) {
        if (m_xml.name() == QLatin1String("groupheader"))
            readGroupHeader(group);
        else if (m_xml.name() == QLatin1String("groupfooter"))
            readGroupFooter(group);
        else
            readUnknownElement();
    }
}

void TessarinXMLDefReader::readGroupHeader(TessarinGroup *group)
{
    TessarinSection *section = m_reportDef->addGroupHeader(group);
    section->setID(QStringLiteral("GH_") + group->groupId());
    readSection(section);
    readItems(section);
}

void TessarinXMLDefReader::readGroupFooter(TessarinGroup *group)
{
    TessarinSection *section = m_reportDef->addGroupFooter(group);
    section->setID(QStringLiteral("GF_") + group->groupId());
    readSection(section);
    readItems(section);
}

// ---- items ---------------------------------------------------------------

void TessarinXMLDefReader::readField(TessarinFieldItem *item)
{
    if (m_reportDef && item)
        m_reportDef->addFieldItem(item);
}

void TessarinXMLDefReader::afterReadItem(TessarinItem *item)
{
    if (m_reportDef && item->isDynamic())
        m_reportDef->addDynamicItem(item);
}

void TessarinXMLDefReader::setDefaultFont(QFont &font)
{
    if (m_reportDef)
        font = m_reportDef->option().defaultFont();
}
