#ifndef TESSARINDEF_H
#define TESSARINDEF_H

#include "tessaringlobal.h"
#include "tessarinerror.h"
#include "tessarinpageoption.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

class QAbstractItemModel;
class QTableView;
class TessarinCustomDSProvider;
class TessarinDataSource;
class TessarinDataSourceFactory;
class TessarinDummyDataSourceFactory;
class TessarinFieldItem;
class TessarinGraphRenderer;
class TessarinGroup;
class TessarinItem;
class TessarinSection;
class TessarinUserFunction;
class TessarinVariable;

// The in-memory form of one report definition: page options, fixed
// sections, detail sections with their groups, and the named resources a run
// needs. It owns its sections, groups and variables, and its data sources as
// far as the delete-data-sources flag says; everything the application hands
// in (models, views, user functions, renderers, providers) stays the
// application's.
class TESSARIN2_EXPORT TessarinDef : public QObject
{
    Q_OBJECT
public:
    // Layout indexes order all sections of a report.
    enum LayoutIndex {
        PageHeaderIndex = 1,
        ReportHeaderIndex = 5,
        FirstDetailIndex = 150,
        DetailIndexStep = 100,
        ReportFooterIndex = 999995,
        PageFooterIndex = 999999
    };

    explicit TessarinDef(QObject *parent = nullptr);
    ~TessarinDef() override;

    // Fixed sections; adding one replaces the existing one.
    TessarinSection *addPageHeader();
    TessarinSection *addPageFooter();
    TessarinSection *addReportHeader();
    TessarinSection *addReportFooter();
    TessarinSection *pageHeader() const { return m_pageHeader; }
    TessarinSection *pageFooter() const { return m_pageFooter; }
    TessarinSection *reportHeader() const { return m_reportHeader; }
    TessarinSection *reportFooter() const { return m_reportFooter; }
    void removePageHeader();
    void removePageFooter();
    void removeReportHeader();
    void removeReportFooter();

    // A designer overrides this to use its own section class.
    virtual TessarinSection *createReportSection();
    TessarinSection *addSection(TessarinSection *section);
    // Deletes the section and forgets every reference the definition holds
    // to it or to its items.
    void deleteSection(TessarinSection *section);

    // Detail sections, in report order.
    TessarinSection *addDetail();
    void appendDetails(TessarinSection *section);
    void removeDetail(TessarinSection *section);
    void clearDetails() { m_details.clear(); }
    const QList<TessarinSection *> &details() const { return m_details; }

    // Groups of a detail and their header and footer sections.
    TessarinGroup *addGroup(TessarinSection *detail);
    TessarinSection *addGroupHeader(TessarinGroup *group);
    TessarinSection *addGroupFooter(TessarinGroup *group);
    void removeGroupHeader(TessarinGroup *group);
    void removeGroupFooter(TessarinGroup *group);
    void removeGroup(TessarinSection *detail, TessarinGroup *group);
    void removeAllGroups(TessarinSection *detail);
    int groupHeaderIndex(TessarinGroup *group, int position) const;
    int groupFooterIndex(TessarinGroup *group, int position) const;
    const QList<TessarinSection *> &groupSections() const { return m_groupSections; }
    // Orders the detail's groups by nested level when all levels differ.
    void sortGroups(TessarinSection *detail);
    // Layout indexes and default ids of all details and their group sections.
    void reindexDetails();

    // Data sources, keyed by their own id.
    void addDataSource(TessarinDataSource *dataSource);
    void addDataSources(const QList<TessarinDataSource *> &dataSources);
    void setDataSources(const QHash<QString, TessarinDataSource *> &dataSources) { m_dataSources = dataSources; }
    void removeDataSource(TessarinDataSource *dataSource);
    // keepCustom true: custom-type sources stay, the others are deleted (when
    // the delete-data-sources flag is on) or dropped. False: all are deleted.
    void removeDataSources(bool keepCustom);
    void removeDataSourcesNoDelete() { m_dataSources.clear(); }
    TessarinDataSource *dataSource(const QString &id) const { return m_dataSources.value(id); }
    const QHash<QString, TessarinDataSource *> &dataSources() const { return m_dataSources; }
    QStringList dataSourceIdList() const { return m_dataSources.keys(); }
    // Ids of the sources with this open role (TessarinDataSource::OpenRoles).
    QStringList dataSourceIdList(int openRole) const;
    bool isDeleteDataSources() const { return m_deleteDataSources; }
    void setDeleteDataSources(bool on) { m_deleteDataSources = on; }
    QString defaultDataSourceName() const { return m_defaultDataSourceName; }
    void setDefaultDataSourceName(const QString &name) { m_defaultDataSourceName = name; }
    TessarinDataSourceFactory &dataSourceFactory() const;
    // Null restores the built-in factory, which creates nothing.
    void setDataSourceFactory(TessarinDataSourceFactory *factory);
    TessarinCustomDSProvider *customDSProvider() const { return m_customDSProvider; }
    void setCustomDSProvider(TessarinCustomDSProvider *provider) { m_customDSProvider = provider; }

    // Variables. addVariable() takes var when its id is new and returns it;
    // otherwise it copies var into the existing variable and returns that one,
    // and var stays the caller's to delete.
    TessarinVariable *addVariable(TessarinVariable *var);
    void removeVariable(TessarinVariable *var);
    TessarinVariable *variable(const QString &id) const { return m_variables.value(id); }
    const QHash<QString, TessarinVariable *> &variables() const { return m_variables; }
    QStringList variableIdList() const { return m_variables.keys(); }

    // Parameters
    void addParameter(const QString &name, const QVariant &value) { m_parameters.insert(name, value); }
    void addParameters(const QHash<QString, QVariant> &parameters, bool clearFirst = false);
    void addParameters(const QMap<QString, QVariant> &parameters, bool clearFirst = false);
    void setParameters(const QHash<QString, QVariant> &parameters) { m_parameters = parameters; }
    void removeParameter(const QString &name) { m_parameters.remove(name); }
    QVariant parameter(const QString &name) const { return m_parameters.value(name); }
    QHash<QString, QVariant> parameters() const { return m_parameters; }
    QHash<QString, QVariant> &parametersRef() { return m_parameters; }
    QStringList parameterIdList() const { return m_parameters.keys(); }

    // Named scripts
    void addScript(const QString &id, const QString &code) { m_scripts.insert(id, code); }
    void addScripts(const QHash<QString, QString> &scripts) { m_scripts = scripts; }
    void removeScript(const QString &id) { m_scripts.remove(id); }
    QString script(const QString &id) const { return m_scripts.value(id); }
    QHash<QString, QString> scripts() const { return m_scripts; }

    // Resources given by the application
    void addStringList(const QString &id, const QStringList &list) { m_stringLists.insert(id, list); }
    void setStringLists(const QHash<QString, QStringList> &lists) { m_stringLists = lists; }
    QHash<QString, QStringList> stringLists() const { return m_stringLists; }
    void addItemModel(const QString &id, QAbstractItemModel *model) { m_itemModels.insert(id, model); }
    void setItemModels(const QHash<QString, QAbstractItemModel *> &models) { m_itemModels = models; }
    QHash<QString, QAbstractItemModel *> itemModels() const { return m_itemModels; }
    void addTableView(const QString &id, QTableView *view) { m_tableViews.insert(id, view); }
    QHash<QString, QTableView *> tableViews() const { return m_tableViews; }
    void addUserFunction(const QString &name, TessarinUserFunction *fn) { m_userFunctions.insert(name, fn); }
    void addUserFunctions(const QHash<QString, TessarinUserFunction *> &fns) { m_userFunctions = fns; }
    TessarinUserFunction *userFunction(const QString &name) const { return m_userFunctions.value(name); }
    QHash<QString, TessarinUserFunction *> userFunctions() const { return m_userFunctions; }
    void addGraphItemRenderer(TessarinGraphRenderer *renderer);
    void addGraphItemRenderers(const QList<TessarinGraphRenderer *> &renderers);
    void addGraphItemRenderers(const QHash<QString, TessarinGraphRenderer *> &renderers) { m_itemRenderers = renderers; }
    QHash<QString, TessarinGraphRenderer *> itemRenderers() const { return m_itemRenderers; }

    // Items registered by the reader; they belong to their sections.
    void addFieldItem(TessarinFieldItem *item) { m_fieldItems.append(item); }
    void addDynamicItem(TessarinItem *item) { m_dynamicItems.append(item); }
    const QList<TessarinFieldItem *> &fieldItems() const { return m_fieldItems; }
    const QList<TessarinItem *> &dynamicItems() const { return m_dynamicItems; }

    TessarinPageOption &option() { return m_option; }
    const TessarinPageOption &option() const { return m_option; }
    TessarinError *error() { return &m_error; }

    QString connectionID() const { return m_connectionID; }
    void setConnectionID(const QString &id) { m_connectionID = id; }
    QString templateDir() const { return m_templateDir; }
    void setTemplateDir(const QString &dir) { m_templateDir = dir; }
    QString zintPath() const { return m_zintPath; }
    void setZintPath(const QString &path) { m_zintPath = path; }

    // Empties the definition for the next load; the flags say which
    // application resources go as well.
    void reset(bool clearAll);
    void reset(bool clearRenderers, bool clearParameters, bool clearUserFunctions, bool clearStringLists,
               bool keepCustomDataSources);

    // Directory of the external barcode generator, empty when not installed.
    static QString zintInstallPath();
    void emitZintNotFound() { emit zintNotFound(); }

signals:
    void zintNotFound();

private:
    TessarinSection *replaceFixedSection(TessarinSection *&slot, int type, const QString &id, int layoutIndex);
    TessarinSection *newGroupSection(TessarinGroup *group, int type);
    void destroySection(TessarinSection *section);
    void forgetItemsOf(TessarinSection *section);

    TessarinSection *m_pageHeader = nullptr;
    TessarinSection *m_pageFooter = nullptr;
    TessarinSection *m_reportHeader = nullptr;
    TessarinSection *m_reportFooter = nullptr;
    TessarinCustomDSProvider *m_customDSProvider = nullptr;
    TessarinDataSourceFactory *m_dataSourceFactory;
    bool m_deleteDataSources = true;
    TessarinPageOption m_option;
    TessarinError m_error;
    QHash<QString, TessarinDataSource *> m_dataSources;
    QHash<QString, TessarinVariable *> m_variables;
    QHash<QString, QVariant> m_parameters;
    QHash<QString, TessarinUserFunction *> m_userFunctions;
    QHash<QString, QString> m_scripts;
    QHash<QString, TessarinGraphRenderer *> m_itemRenderers;
    QHash<QString, QStringList> m_stringLists;
    QHash<QString, QAbstractItemModel *> m_itemModels;
    QHash<QString, QTableView *> m_tableViews;
    QList<TessarinSection *> m_details;
    QList<TessarinSection *> m_groupSections;
    QList<TessarinFieldItem *> m_fieldItems;
    QList<TessarinItem *> m_dynamicItems;
    QString m_defaultDataSourceName;
    QString m_templateDir;
    QString m_connectionID;
    QString m_zintPath;

    static TessarinDummyDataSourceFactory m_dummyDataSourcefactory;
};

#endif // TESSARINDEF_H
