#include "tessarindef.h"

#include "tessarindatasource.h"
#include "tessarindummydatasourcefactory.h"
#include "tessaringraphrenderer.h"
#include "tessaringroup.h"
#include "tessarinitem.h"
#include "tessarinsection.h"
#include "tessarinvariable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>
#include <utility>
#ifdef Q_OS_WIN
#include <QSettings>
#endif

TessarinDummyDataSourceFactory TessarinDef::m_dummyDataSourcefactory;

namespace {

// Whether a registered field item is the given section item. A field item is
// a label item is an item, by single non-virtual inheritance, so both
// pointers address the same object start. Replace with a static_cast once the
// field item class is visible to the model.
bool isSameItem(const TessarinFieldItem *field, const TessarinItem *item)
{
    return static_cast<const void *>(field) == static_cast<const void *>(item);
}

} // namespace

TessarinDef::TessarinDef(QObject *parent)
    : QObject(parent)
    , m_dataSourceFactory(&m_dummyDataSourcefactory)
    , m_zintPath(zintInstallPath())
{
}

TessarinDef::~TessarinDef()
{
    reset(true, true, true, true, true);
}

// ---- sections ------------------------------------------------------------

TessarinSection *TessarinDef::createReportSection()
{
    return new TessarinSection(this);
}

TessarinSection *TessarinDef::replaceFixedSection(TessarinSection *&slot, int type, const QString &id,
                                                  int layoutIndex)
{
    if (slot)
        destroySection(slot);
    TessarinSection *section = createReportSection();
    section->setType(TessarinSection::SectionType(type));
    section->setID(id);
    section->setLayoutIndex(layoutIndex);
    slot = section;
    return section;
}

TessarinSection *TessarinDef::addPageHeader()
{
    return replaceFixedSection(m_pageHeader, TessarinSection::PageHeader, QStringLiteral("PH"), PageHeaderIndex);
}

TessarinSection *TessarinDef::addPageFooter()
{
    return replaceFixedSection(m_pageFooter, TessarinSection::PageFooter, QStringLiteral("PF"), PageFooterIndex);
}

TessarinSection *TessarinDef::addReportHeader()
{
    return replaceFixedSection(m_reportHeader, TessarinSection::ReportHeader, QStringLiteral("RH"),
                               ReportHeaderIndex);
}

TessarinSection *TessarinDef::addReportFooter()
{
    return replaceFixedSection(m_reportFooter, TessarinSection::ReportFooter, QStringLiteral("RF"),
                               ReportFooterIndex);
}

void TessarinDef::removePageHeader()
{
    destroySection(m_pageHeader);
}

void TessarinDef::removePageFooter()
{
    destroySection(m_pageFooter);
}

void TessarinDef::removeReportHeader()
{
    destroySection(m_reportHeader);
}

void TessarinDef::removeReportFooter()
{
    destroySection(m_reportFooter);
}

TessarinSection *TessarinDef::addSection(TessarinSection *section)
{
    destroySection(section);
    return createReportSection();
}

void TessarinDef::deleteSection(TessarinSection *section)
{
    destroySection(section);
}

void TessarinDef::forgetItemsOf(TessarinSection *section)
{
    const QList<TessarinItem *> &items = section->reportItems();
    if (items.isEmpty())
        return;
    for (TessarinItem *item : items) {
        m_dynamicItems.removeAll(item);
        for (int i = m_fieldItems.size() - 1; i >= 0; --i) {
            if (isSameItem(m_fieldItems.at(i), item))
                m_fieldItems.removeAt(i);
        }
    }
}

// Every deletion of a single section goes through here, so that neither the
// section nor its items stay reachable from the definition.
void TessarinDef::destroySection(TessarinSection *section)
{
    if (!section)
        return;
    // A detail takes its groups along, and with them their header and footer.
    removeAllGroups(section);
    forgetItemsOf(section);
    for (TessarinSection **slot : {&m_pageHeader, &m_pageFooter, &m_reportHeader, &m_reportFooter}) {
        if (*slot == section)
            *slot = nullptr;
    }
    m_details.removeAll(section);
    if (m_groupSections.removeAll(section) > 0) {
        if (TessarinGroup *group = section->relatedGroup()) {
            if (group->header() == section)
                group->setHeader(nullptr);
            if (group->footer() == section)
                group->setFooter(nullptr);
        }
    }
    delete section;
}

// ---- details and groups --------------------------------------------------

TessarinSection *TessarinDef::addDetail()
{
    TessarinSection *section = createReportSection();
    section->setType(TessarinSection::Detail);
    m_details.append(section);
    reindexDetails();
    return section;
}

void TessarinDef::appendDetails(TessarinSection *section)
{
    if (section)
        m_details.append(section);
}

void TessarinDef::removeDetail(TessarinSection *section)
{
    if (!section || !m_details.contains(section))
        return;
    m_details.removeAll(section);
    removeAllGroups(section);
    destroySection(section);
}

TessarinGroup *TessarinDef::addGroup(TessarinSection *detail)
{
    if (!detail)
        return nullptr;
    auto *group = new TessarinGroup;
    group->setDetail(detail);
    group->setNestedLevel(qint16(detail->groups().size()));
    detail->groups().append(group);
    return group;
}

TessarinSection *TessarinDef::newGroupSection(TessarinGroup *group, int type)
{
    TessarinSection *section = createReportSection();
    section->setType(TessarinSection::SectionType(type));
    section->setRelatedGroup(group);
    m_groupSections.append(section);

    const TessarinSection *detail = group->detail();
    const int position = detail ? detail->groups().indexOf(group) : -1;
    const int detailIndex = detail ? detail->layoutIndex() : -1;
    const bool header = type == TessarinSection::GroupHeader;
    if (position >= 0)
        section->setLayoutIndex(header ? groupHeaderIndex(group, position) : groupFooterIndex(group, position));
    else
        section->setLayoutIndex(header ? detailIndex - 50 : detailIndex + 50);
    return section;
}

TessarinSection *TessarinDef::addGroupHeader(TessarinGroup *group)
{
    if (!group)
        return nullptr;
    removeGroupHeader(group);
    TessarinSection *section = newGroupSection(group, TessarinSection::GroupHeader);
    group->setHeader(section);
    return section;
}

TessarinSection *TessarinDef::addGroupFooter(TessarinGroup *group)
{
    if (!group)
        return nullptr;
    removeGroupFooter(group);
    TessarinSection *section = newGroupSection(group, TessarinSection::GroupFooter);
    group->setFooter(section);
    return section;
}

void TessarinDef::removeGroupHeader(TessarinGroup *group)
{
    if (!group || !group->header())
        return;
    TessarinSection *section = group->header();
    group->setHeader(nullptr);
    destroySection(section);
}

void TessarinDef::removeGroupFooter(TessarinGroup *group)
{
    if (!group || !group->footer())
        return;
    TessarinSection *section = group->footer();
    group->setFooter(nullptr);
    destroySection(section);
}

void TessarinDef::removeGroup(TessarinSection *detail, TessarinGroup *group)
{
    if (!detail || !group || !detail->groups().contains(group))
        return;
    detail->groups().removeAll(group);
    removeGroupHeader(group);
    removeGroupFooter(group);
    delete group;
}

void TessarinDef::removeAllGroups(TessarinSection *detail)
{
    if (!detail)
        return;
    const QList<TessarinGroup *> groups = detail->groups();
    for (TessarinGroup *group : groups)
        removeGroup(detail, group);
}

int TessarinDef::groupHeaderIndex(TessarinGroup *group, int position) const
{
    if (!group || !group->detail())
        return -1;
    return group->detail()->layoutIndex() - 49 + position;
}

int TessarinDef::groupFooterIndex(TessarinGroup *group, int position) const
{
    if (!group || !group->detail())
        return -1;
    return group->detail()->layoutIndex() + 49 - position;
}

void TessarinDef::sortGroups(TessarinSection *detail)
{
    if (!detail)
        return;
    QMap<qint16, TessarinGroup *> byLevel;
    for (TessarinGroup *group : detail->groups())
        byLevel.insert(group->nestedLevel(), group);
    if (byLevel.size() != detail->groups().size())
        return;
    detail->groups() = byLevel.values();
    reindexDetails();
}

void TessarinDef::reindexDetails()
{
    for (int k = 0; k < m_details.size(); ++k) {
        TessarinSection *detail = m_details.at(k);
        const int index = FirstDetailIndex + DetailIndexStep * k;
        detail->setLayoutIndex(index);
        if (detail->id().isEmpty())
            detail->setID(QStringLiteral("Detail%1").arg(k + 1));
        const QList<TessarinGroup *> &groups = detail->groups();
        for (int i = 0; i < groups.size(); ++i) {
            if (TessarinSection *header = groups.at(i)->header())
                header->setLayoutIndex(index - 49 + i);
            if (TessarinSection *footer = groups.at(i)->footer())
                footer->setLayoutIndex(index + 49 - i);
        }
    }
}

// ---- data sources --------------------------------------------------------
// The definition only needs a data source's id, type and open role, and may
// delete it; everything else belongs to the data source layer.

void TessarinDef::addDataSource(TessarinDataSource *dataSource)
{
    if (dataSource)
        m_dataSources.insert(dataSource->id(), dataSource);
}

void TessarinDef::addDataSources(const QList<TessarinDataSource *> &dataSources)
{
    for (TessarinDataSource *ds : dataSources)
        addDataSource(ds);
}

void TessarinDef::removeDataSource(TessarinDataSource *dataSource)
{
    if (!dataSource)
        return;
    const auto it = m_dataSources.find(dataSource->id());
    // Only the very object registered under the id is ours to delete.
    if (it == m_dataSources.end() || it.value() != dataSource)
        return;
    m_dataSources.erase(it);
    delete dataSource;
}

void TessarinDef::removeDataSources(bool keepCustom)
{
    const QList<TessarinDataSource *> all = m_dataSources.values();
    m_dataSources.clear();
    QList<TessarinDataSource *> kept;
    for (TessarinDataSource *ds : all) {
        if (!keepCustom)
            delete ds;
        else if (ds->dataSourceType() == TessarinDataSource::Custom)
            kept.append(ds);
        else if (m_deleteDataSources)
            delete ds;
    }
    addDataSources(kept);
}

QStringList TessarinDef::dataSourceIdList(int openRole) const
{
    QStringList ids;
    for (auto it = m_dataSources.cbegin(); it != m_dataSources.cend(); ++it) {
        if (it.value() && int(it.value()->openRole()) == openRole)
            ids.append(it.key());
    }
    return ids;
}

TessarinDataSourceFactory &TessarinDef::dataSourceFactory() const
{
    return *m_dataSourceFactory;
}

void TessarinDef::setDataSourceFactory(TessarinDataSourceFactory *factory)
{
    m_dataSourceFactory = factory ? factory : &m_dummyDataSourcefactory;
}

// ---- variables, parameters, renderers ------------------------------------

TessarinVariable *TessarinDef::addVariable(TessarinVariable *var)
{
    if (!var)
        return nullptr;
    TessarinVariable *existing = m_variables.value(var->id());
    if (!existing) {
        m_variables.insert(var->id(), var);
        return var;
    }
    if (existing != var)
        *existing = *var;
    return existing;
}

void TessarinDef::removeVariable(TessarinVariable *var)
{
    if (!var)
        return;
    const auto it = m_variables.find(var->id());
    if (it == m_variables.end())
        return;
    // Delete what the table owns; a variable that was only copied in stays
    // the caller's.
    TessarinVariable *owned = it.value();
    m_variables.erase(it);
    delete owned;
}

void TessarinDef::addParameters(const QHash<QString, QVariant> &parameters, bool clearFirst)
{
    if (clearFirst)
        m_parameters.clear();
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
        m_parameters.insert(it.key(), it.value());
}

void TessarinDef::addParameters(const QMap<QString, QVariant> &parameters, bool clearFirst)
{
    if (clearFirst)
        m_parameters.clear();
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
        m_parameters.insert(it.key(), it.value());
}

void TessarinDef::addGraphItemRenderer(TessarinGraphRenderer *renderer)
{
    if (renderer)
        m_itemRenderers.insert(renderer->id(), renderer);
}

void TessarinDef::addGraphItemRenderers(const QList<TessarinGraphRenderer *> &renderers)
{
    for (TessarinGraphRenderer *r : renderers)
        addGraphItemRenderer(r);
}

// ---- reset ---------------------------------------------------------------

void TessarinDef::reset(bool clearAll)
{
    reset(clearAll, clearAll, clearAll, clearAll, true);
}

void TessarinDef::reset(bool clearRenderers, bool clearParameters, bool clearUserFunctions, bool clearStringLists,
                        bool keepCustomDataSources)
{
    // The items go with their sections below.
    m_fieldItems.clear();
    m_dynamicItems.clear();

    qDeleteAll(m_variables);
    m_variables.clear();

    for (TessarinSection **slot : {&m_pageHeader, &m_pageFooter, &m_reportHeader, &m_reportFooter}) {
        delete *slot;
        *slot = nullptr;
    }

    // Group sections first: they refer to groups that their details own.
    const QList<TessarinSection *> groupSections = std::exchange(m_groupSections, {});
    qDeleteAll(groupSections);
    const QList<TessarinSection *> details = std::exchange(m_details, {});
    qDeleteAll(details);

    removeDataSources(keepCustomDataSources);

    if (clearRenderers)
        m_itemRenderers.clear();
    if (clearParameters)
        m_parameters.clear();
    if (clearUserFunctions)
        m_userFunctions.clear();
    if (clearStringLists)
        m_stringLists.clear();
}

// ---- external barcode generator ------------------------------------------

QString TessarinDef::zintInstallPath()
{
#ifdef Q_OS_WIN
    static const char *const keys[] = {
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qtZint.exe",
        "HKEY_CURRENT_USER\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qtZint.exe",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qtZint.exe",
        "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qtZint.exe",
    };
    for (const char *key : keys) {
        const QSettings settings(QString::fromLatin1(key), QSettings::NativeFormat);
        QString path = settings.value(QStringLiteral("Path")).toString();
        if (!path.isEmpty())
            return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    }
    const QString fallback = QDir::homePath() + QStringLiteral("/Local Settings/Application Data/Zint");
    return QFile::exists(fallback + QStringLiteral("/zint.exe")) ? fallback : QString();
#else
    // Elsewhere the generator is an ordinary program on the search path.
    const QString program = QStandardPaths::findExecutable(QStringLiteral("zint"));
    return program.isEmpty() ? QString() : QFileInfo(program).absolutePath();
#endif
}
