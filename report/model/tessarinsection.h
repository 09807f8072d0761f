#ifndef TESSARINSECTION_H
#define TESSARINSECTION_H

#include "tessaringlobal.h"

#include <QColor>
#include <QGraphicsScene>
#include <QList>
#include <QPointF>
#include <QString>

class TessarinDataSource;
class TessarinGroup;
class TessarinItem;

// A horizontal band of a report page holding items. It is a graphics scene
// so that an editor can place the items on it; the engine only uses the
// item list.
class TESSARIN2_EXPORT TessarinSection : public QGraphicsScene
{
    Q_OBJECT
public:
    // Fixed underlying types: values read from documents may lie outside the list.
    enum SectionType : int {
        PageHeader = 0,
        PageFooter,
        GroupHeader,
        GroupFooter,
        Detail,
        ReportHeader,
        ReportFooter,
        Custom
    };
    Q_ENUM(SectionType)

    // Room the director asks for before it starts the section on a page.
    enum SpaceCheckRole : int {
        CheckSectionOnly = 0,
        CheckSectionPlusDetail,
        CheckSectionPlusTolerance
    };
    Q_ENUM(SpaceCheckRole)

    enum AlternateRowMode : int { AlternateRowDisabled = 0, AlternateRowOdd, AlternateRowEven };
    Q_ENUM(AlternateRowMode)

    explicit TessarinSection(QObject *parent = nullptr);
    // Deletes the section's groups and items.
    ~TessarinSection() override;

    virtual void addItemForEditor(TessarinItem *item, bool select);
    virtual void addItemForEngine(TessarinItem *item);
    virtual void emitContentChanged();
    virtual void emitItemChanged(TessarinItem *item);

    SectionType type() const { return m_type; }
    void setType(SectionType type) { m_type = type; }
    QString id() const { return m_id; }
    void setID(const QString &id) { m_id = id; }
    QString tagname() const { return m_tagname; }
    void setTagname(const QString &name) { m_tagname = name; }
    QString caption() const;

    double metricHeight() const { return m_metricHeight; }
    void setMetricHeight(double mm) { m_metricHeight = mm; }
    bool isAutoHeight() const { return m_autoHeight; }
    void setAutoHeight(bool on) { m_autoHeight = on; }
    bool hideIfBlank() const { return m_hideIfBlank; }
    void setHideIfBlank(bool on) { m_hideIfBlank = on; }
    SpaceCheckRole checkRole() const { return m_checkRole; }
    void setCheckRole(SpaceCheckRole role) { m_checkRole = role; }
    double orphanedTolaranceMM() const { return m_orphanedTolerance; }
    void setOrphanedTolaranceMM(double mm) { m_orphanedTolerance = mm; }
    QString printWhenExp() const { return m_printWhenExp; }
    void setPrintWhenExp(const QString &exp) { m_printWhenExp = exp; }
    QString pageBreakExp() const { return m_pageBreakExp; }
    void setPageBreakExp(const QString &exp) { m_pageBreakExp = exp; }
    bool startsOnNewPage() const { return m_startsOnNewPage; }
    void setStartsOnNewPage(bool on) { m_startsOnNewPage = on; }
    bool isAnchorToPageFooter() const { return m_anchorToPageFooter; }
    void setAnchorToPageFooter(bool on) { m_anchorToPageFooter = on; }
    bool isNotAlone() const { return m_notAlone; }
    void setNotAlone(bool on) { m_notAlone = on; }
    QString htmlOptions() const { return m_htmlOptions; }
    void setHtmlOptions(const QString &options) { m_htmlOptions = options; }

    AlternateRowMode alternateRowBackgroundMode() const { return m_altRowMode; }
    void setAlternateRowBackgroundMode(AlternateRowMode mode) { m_altRowMode = mode; }
    QColor alternateRowBackgroundColor() const { return m_altRowColor; }
    void setAlternateRowBackgroundColor(const QColor &color) { m_altRowColor = color; }
    bool useDefaultAlternateRowColor() const { return m_useDefaultAltRowColor; }
    void setUseDefaultAlternateRowColor(bool on) { m_useDefaultAltRowColor = on; }

    QString dataSourceId() const { return m_dataSourceId; }
    void setDataSourceId(const QString &id) { m_dataSourceId = id; }
    QString secondaryDatasourceID() const { return m_secondaryDataSourceId; }
    void setSecondaryDatasourceID(const QString &id) { m_secondaryDataSourceId = id; }
    TessarinDataSource *dataSource() const { return m_dataSource; }
    void setDataSource(TessarinDataSource *dataSource) { m_dataSource = dataSource; }
    TessarinGroup *relatedGroup() const { return m_relatedGroup; }
    void setRelatedGroup(TessarinGroup *group) { m_relatedGroup = group; }
    int layoutIndex() const { return m_layoutIndex; }
    void setLayoutIndex(int index) { m_layoutIndex = index; }

    bool isShown() const { return m_shown; }
    void setShow(bool on) { m_shown = on; }
    bool isFinished() const { return m_finished; }
    void setFinished(bool on) { m_finished = on; }
    bool isPrintLock() const { return m_printLock; }
    void setPrintLock(bool on) { m_printLock = on; }

    // Editor grid
    bool gridVisible() const { return m_gridVisible; }
    void setGridVisible(bool on) { m_gridVisible = on; }
    bool snapX() const { return m_snapX; }
    void setSnapX(bool on) { m_snapX = on; }
    bool snapY() const { return m_snapY; }
    void setSnapY(bool on) { m_snapY = on; }
    int deltaX() const { return m_deltaX; }
    void setDeltaX(int d) { m_deltaX = d; }
    int deltaY() const { return m_deltaY; }
    void setDeltaY(int d) { m_deltaY = d; }
    int snapToX(double x) const;
    int snapToY(double y) const;
    QPointF snapToPoint(const QPointF &point) const;

    // Stacking order handed to the next new item.
    int nextZValue() { return m_zValue++; }
    void resetZValue() { m_zValue = 0; }

    QList<TessarinItem *> &reportItems() { return m_reportItems; }
    QList<TessarinGroup *> &groups() { return m_groups; }
    const QList<TessarinItem *> &reportItems() const { return m_reportItems; }
    const QList<TessarinGroup *> &groups() const { return m_groups; }

private:
    bool m_gridVisible = false;
    bool m_snapX = false;
    bool m_snapY = false;
    int m_deltaX = 6;
    int m_deltaY = 6;
    int m_zValue = 0;
    SectionType m_type = Custom;
    SpaceCheckRole m_checkRole = CheckSectionOnly;
    double m_metricHeight = 10.0;
    double m_orphanedTolerance = 0;
    bool m_shown = true;
    bool m_finished = false;
    bool m_autoHeight = false;
    bool m_hideIfBlank = false;
    bool m_printLock = false;
    QString m_id;
    QString m_tagname;
    QString m_dataSourceId;
    QString m_secondaryDataSourceId;
    int m_layoutIndex = -1;
    QString m_pageBreakExp;
    bool m_startsOnNewPage = false;
    QString m_printWhenExp;
    TessarinGroup *m_relatedGroup = nullptr;
    bool m_anchorToPageFooter = false;
    bool m_notAlone = false;
    QString m_htmlOptions;
    TessarinDataSource *m_dataSource = nullptr;
    AlternateRowMode m_altRowMode = AlternateRowDisabled;
    QColor m_altRowColor{220, 220, 220, 255};
    bool m_useDefaultAltRowColor = true;
    QList<TessarinItem *> m_reportItems;
    QList<TessarinGroup *> m_groups;
};

#endif // TESSARINSECTION_H
