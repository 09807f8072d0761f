#include "tessarinxmldefwriter.h"

#include "tessarindatasource.h"
#include "tessarindef.h"
#include "tessaringroup.h"
#include "tessarinsection.h"
#include "tessarinvariable.h"

#include <QLocale>

namespace {

QString boolText(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

template <typename T>
QList<T *> sortedById(const QHash<QString, T *> &table)
{
    QStringList ids = table.keys();
    ids.sort();
    QList<T *> sorted;
    for (const QString &id : qAsConst(ids)) {
        if (T *value = table.value(id))
            sorted.append(value);
    }
    return sorted;
}

} // namespace

TessarinXMLDefWriter::TessarinXMLDefWriter(TessarinDef *definition)
    : m_reportDef(definition)
{
}

TessarinXMLDefWriter::TessarinXMLDefWriter(QString *string, TessarinDef *definition)
    : TessarinXMLWriter(string)
    , m_reportDef(definition)
{
}

TessarinXMLDefWriter::~TessarinXMLDefWriter() = default;

QString TessarinXMLDefWriter::exactRealToString(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString TessarinXMLDefWriter::reportName()
{
    return m_reportDef ? m_reportDef->option().reportName() : TessarinXMLWriter::reportName();
}

QString TessarinXMLDefWriter::reportType()
{
    return m_reportDef ? m_reportDef->option().reportTypeName() : TessarinXMLWriter::reportType();
}

void TessarinXMLDefWriter::writeOptions()
{
    if (m_reportDef)
        m_reportDef->option().write(this);
}

// ---- data sources, variables, scripts ------------------------------------

void TessarinXMLDefWriter::writeDataSources()
{
    m_xml.writeStartElement(QStringLiteral("datasources"));
    if (m_reportDef) {
        const QList<TessarinDataSource *> sources = sortedById(m_reportDef->dataSources());
        for (TessarinDataSource *ds : sources)
            writeDataSource(ds);
    }
    m_xml.writeEndElement();
}

void TessarinXMLDefWriter::writeDataSource(TessarinDataSource *ds)
{
    m_xml.writeStartElement(QStringLiteral("datasource"));
    m_xml.writeAttribute(QStringLiteral("id"), ds->id());
    if (!ds->parentId().isEmpty())
        m_xml.writeAttribute(QStringLiteral("parentID"), ds->parentId());
    m_xml.writeAttribute(QStringLiteral("allowEmpty"), boolText(ds->allowEmpty()));
    if (ds->primaryKeyColumn() > 0)
        writeInt(QStringLiteral("primaryKeyColumn"), ds->primaryKeyColumn());
    m_xml.writeAttribute(QStringLiteral("enabled"), boolText(ds->isEnabled()));
    QString type = TessarinDataSource::dataSourceTypeName(ds->dataSourceType());
    if (type.isEmpty())
        type = QStringLiteral("custom");
    m_xml.writeAttribute(QStringLiteral("type"), type);
    m_xml.writeAttribute(QStringLiteral("openRole"), TessarinDataSource::openRoleName(ds->openRole()));
    m_xml.writeAttribute(QStringLiteral("source"), TessarinDataSource::locationTypeName(ds->locationType()));
    if (!ds->briefDescription().isEmpty())
        m_xml.writeAttribute(QStringLiteral("briefDesc"), ds->briefDescription());
    ds->write(this);
    const QString text =
        ds->locationType() == TessarinDataSource::Static ? ds->specification() : ds->rawFileName();
    if (!text.isEmpty())
        m_xml.writeCharacters(text);
    m_xml.writeEndElement();
}

void TessarinXMLDefWriter::writeVariables()
{
    m_xml.writeStartElement(QStringLiteral("variables"));
    if (m_reportDef) {
        const QList<TessarinVariable *> variables = sortedById(m_reportDef->variables());
        for (TessarinVariable *var : variables)
            writeVariable(var);
    }
    m_xml.writeEndElement();
}

void TessarinXMLDefWriter::writeVariable(TessarinVariable *var)
{
    m_xml.writeStartElement(QStringLiteral("variable"));
    m_xml.writeAttribute(QStringLiteral("id"), var->id());
    m_xml.writeAttribute(QStringLiteral("type"), var->typeName());
    m_xml.writeAttribute(QStringLiteral("funcType"), var->functionToName().toLower());
    m_xml.writeAttribute(QStringLiteral("scope"), var->scopeToName().toLower());
    // Six digits would turn 1234567 into 1.23457e+06.
    m_xml.writeAttribute(QStringLiteral("initValue"), exactRealToString(var->initValue()));
    m_xml.writeCharacters(var->expression());
    m_xml.writeEndElement();
}

void TessarinXMLDefWriter::writeScripts()
{
    m_xml.writeStartElement(QStringLiteral("scripts"));
    if (m_reportDef) {
        const QHash<QString, QString> scripts = m_reportDef->scripts();
        QStringList ids = scripts.keys();
        ids.sort();
        for (const QString &id : qAsConst(ids))
            writeScript(id, scripts.value(id));
    }
    m_xml.writeEndElement();
}

// ---- sections ------------------------------------------------------------

void TessarinXMLDefWriter::writeFixedSection(const QString &elementName, TessarinSection *section)
{
    if (!section)
        return;
    m_xml.writeStartElement(elementName);
    writeSection(section);
    writeItems(section);
    m_xml.writeEndElement();
}

void TessarinXMLDefWriter::writePageHeader()
{
    if (m_reportDef)
        writeFixedSection(QStringLiteral("pageheader"), m_reportDef->pageHeader());
}

void TessarinXMLDefWriter::writePageFooter()
{
    if (m_reportDef)
        writeFixedSection(QStringLiteral("pagefooter"), m_reportDef->pageFooter());
}

void TessarinXMLDefWriter::writeReportHeader()
{
    if (m_reportDef)
        writeFixedSection(QStringLiteral("reportheader"), m_reportDef->reportHeader());
}

void TessarinXMLDefWriter::writeReportFooter()
{
    if (m_reportDef)
        writeFixedSection(QStringLiteral("reportfooter"), m_reportDef->reportFooter());
}

void TessarinXMLDefWriter::writeDetails()
{
    m_xml.writeStartElement(QStringLiteral("details"));
    if (m_reportDef) {
        // A detail needs a data source to run on; when none is named, it
        // gets the first one, and keeps it.
        QStringList ids = m_reportDef->dataSourceIdList();
        ids.sort();
        const QString firstId = ids.value(0);
        for (TessarinSection *detail : m_reportDef->details()) {
            if (detail->dataSourceId().isEmpty() && !firstId.isEmpty()) {
                detail->setDataSourceId(firstId);
                detail->setDataSource(m_reportDef->dataSource(firstId));
            }
            m_xml.writeStartElement(QStringLiteral("detail"));
            writeSection(detail);
            m_xml.writeAttribute(QStringLiteral("datasource"), detail->dataSourceId());
            if (!detail->secondaryDatasourceID().isEmpty())
                m_xml.writeAttribute(QStringLiteral("datasource2"), detail->secondaryDatasourceID());
            if (!detail->pageBreakExp().isEmpty())
                m_xml.writeAttribute(QStringLiteral("pageBreakExp"), detail->pageBreakExp());
            m_xml.writeStartElement(QStringLiteral("items"));
            writeItems(detail);
            m_xml.writeEndElement();
            writeGroups(detail);
            m_xml.writeEndElement();
        }
    }
    m_xml.writeEndElement();
}

void TessarinXMLDefWriter::writeGroups(TessarinSection *detail)
{
    const QList<TessarinGroup *> &groups = detail->groups();
    if (groups.isEmpty())
        return;
    m_xml.writeStartElement(QStringLiteral("groups"));
    for (TessarinGroup *group : groups) {
        m_xml.writeStartElement(QStringLiteral("group"));
        m_xml.writeAttribute(QStringLiteral("id"), group->groupId());
        m_xml.writeAttribute(QStringLiteral("groupExp"), group->expression());
        m_xml.writeAttribute(QStringLiteral("resetVariables"), group->resetVarList());
        m_xml.writeAttribute(QStringLiteral("reprintHeader"), boolText(group->repeatHeaderOnNextPage()));
        m_xml.writeAttribute(QStringLiteral("startsOnNewPage"), boolText(group->startsOnNewPage()));
        if (!group->pageBreakExp().isEmpty())
            m_xml.writeAttribute(QStringLiteral("pageBreakExp"), group->pageBreakExp());
        writeFixedSection(QStringLiteral("groupheader"), group->header());
        writeFixedSection(QStringLiteral("groupfooter"), group->footer());
        m_xml.writeEndElement();
    }
    m_xml.writeEndElement();
}
