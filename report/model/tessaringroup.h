#ifndef TESSARINGROUP_H
#define TESSARINGROUP_H

#include "tessaringlobal.h"

#include <QString>

class TessarinSection;

// A break of a detail on the value of an expression, with an optional header
// and footer section. Owned by its detail section; the header and footer
// belong to the definition.
class TESSARIN2_EXPORT TessarinGroup
{
public:
    struct GroupMetaInfo
    {
        int startRow = -1;
        int endRow = -1;
        QString startValue;
        QString endValue;
    };

    TessarinGroup() = default;

    TessarinSection *header() const { return m_header; }
    void setHeader(TessarinSection *section) { m_header = section; }
    TessarinSection *footer() const { return m_footer; }
    void setFooter(TessarinSection *section) { m_footer = section; }
    TessarinSection *detail() const { return m_detail; }
    void setDetail(TessarinSection *section) { m_detail = section; }

    QString groupId() const { return m_groupId; }
    void setId(const QString &id) { m_groupId = id; }
    QString expression() const { return m_expression; }
    void setGroupExp(const QString &exp) { m_expression = exp; }
    QString resetVarList() const { return m_resetVarList; }
    void setResetVarList(const QString &list) { m_resetVarList = list; }
    QString pageBreakExp() const { return m_pageBreakExp; }
    void setPageBreakExp(const QString &exp) { m_pageBreakExp = exp; }
    bool startsOnNewPage() const { return m_startsOnNewPage; }
    void setStartsOnNewPage(bool on) { m_startsOnNewPage = on; }
    bool repeatHeaderOnNextPage() const { return m_reprintHeader; }
    void setReprintHeaderOnNextPage(bool on) { m_reprintHeader = on; }
    qint16 nestedLevel() const { return m_nestedLevel; }
    void setNestedLevel(qint16 level) { m_nestedLevel = level; }

    // Run-time state kept for the director.
    int headerState() const { return m_headerState; }
    void setHeaderState(int state) { m_headerState = state; }
    bool isGroupChanged() const { return m_groupChanged; }
    void setGroupChanged(bool changed) { m_groupChanged = changed; }
    bool initialPrintDone() const { return m_initialPrintDone; }
    void setInitialPrintDone(bool done) { m_initialPrintDone = done; }
    bool printLock() const { return m_printLock; }
    void setPrintLock(bool on) { m_printLock = on; }
    int counter() const { return m_counter; }

    QString value() const { return m_currentValue; }
    QString currentValue() const { return m_currentValue; }
    GroupMetaInfo currentMetaInfo() const { return m_currentMeta; }
    GroupMetaInfo lastMetaInfo() const { return m_lastMeta; }

    // Called for every detail row with the group expression's value.
    void setValue(const QString &text);
    void reset();

private:
    int detailRow() const;

    TessarinSection *m_header = nullptr;
    TessarinSection *m_footer = nullptr;
    TessarinSection *m_detail = nullptr;
    int m_headerState = 0;
    bool m_groupChanged = true;
    bool m_startsOnNewPage = false;
    bool m_reprintHeader = false;
    bool m_initialPrintDone = false;
    bool m_printLock = false;
    qint16 m_nestedLevel = 0;
    int m_counter = 0;
    QString m_groupId;
    QString m_expression;
    // A value no expression yields, so the first row of a run is a change.
    QString m_currentValue{QStringLiteral("**CC**")};
    QString m_resetVarList;
    QString m_pageBreakExp;
    GroupMetaInfo m_currentMeta;
    GroupMetaInfo m_lastMeta;
};

#endif // TESSARINGROUP_H
