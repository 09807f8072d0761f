#ifndef TESSARINDIRECTOR_P_H
#define TESSARINDIRECTOR_P_H

#include "tessarinevaluatorcontext.h"
#include "tessarinrelationnode_p.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QVector>

class Tessarin;
class TessarinDataSource;
class TessarinDef;
class TessarinEvaluator;
class TessarinGroup;
class TessarinOutput;
class TessarinSection;

// What the first pass of a double-pass run remembers of every section it
// placed, so that the second pass can move a lone group header to the next
// page.
struct TessarinPageRecord
{
    int sequence = 0;
    double height = 0;
    quint16 reserved = 0;
    quint8 pageBreakFollowed = 0;
    TessarinSection *section = nullptr;
};

// Runs one report: opens the data sources, walks the rows of every detail
// through the relation tree, decides when headers, footers and details are
// printed, keeps the page and row counters, updates and resets variables,
// breaks pages, and optionally runs a first pass that only counts pages.
// Placing a single section is the section renderer's job; the director calls
// it once per band and acts on its answer.
class TessarinDirector : public QObject, public TessarinEvaluatorContext, public TessarinRelationHost
{
    Q_OBJECT
public:
    enum RunState { Idle = 0, Stopped = 1, PrintingPageHeader = 2, PrintingDetails = 3, PrintingPageFooter = 4 };
    enum CorrectionPhase { NoPhase = -1, ReportHeaderPhase = 100, GroupHeaderPhase = 200, PageBreakPhase = 300 };

    // A detail never walks more rows than this; a source that never ends
    // would otherwise run forever.
    static constexpr int RowLimit = 1000001;

    explicit TessarinDirector(Tessarin *report);
    ~TessarinDirector() override;

    Tessarin *report() const { return m_report; }
    TessarinDef *reportDef() const { return m_reportDef; }
    void setReportDef(TessarinDef *reportDef);
    TessarinEvaluator *evaluator() const { return m_evaluator; }

    void setProcessEvents(bool on) { m_processEvents = on; }
    bool isProcessEvents() const { return m_processEvents; }
    void setForceCopies(int copies) { m_forceCopies = copies; }
    void setCurrentCopy(int copy) { m_currentCopy = copy; }
    void setReportNo(int number) { m_reportNo = number; }
    void setReportCount(int count) { m_reportCount = count; }
    void setPageNo(int page) { m_pageNo = page; }
    void setGlobalPageNo(int page) { m_globalPageNo = page; }

    // One complete run (both passes in double-pass mode) on the report's
    // current output.
    bool runReport();

    // Counters and state read by the evaluator.
    int pageNo() const override { return m_pageNo; }
    int globalPageNo() const override { return m_globalPageNo; }
    int pageCount() const override { return m_pageCount; }
    int reportNo() const override { return m_reportNo; }
    int reportCount() const override { return m_reportCount; }
    int forceCopies() const override { return m_forceCopies; }
    int currentCopy() const override { return m_currentCopy; }
    int currentRow() const override { return m_currentRow; }
    TessarinDataSource *currentDataSource() const override;
    TessarinSection *currentDetail() const override;
    TessarinOutput *currentOutput() const override { return output(); }
    bool isFinished() const override { return m_finished; }
    void setFinished(bool finished) override { m_finished = finished; }
    bool nextDetailRow() override;
    double layoutPosY() const override { return m_posY; }
    void setLayoutPosY(double y) override { m_posY = y; }
    double layoutRoom(double y) const override { return availableHeight(y); }
    bool layoutPageBreak() override { return pageBreak(false, true); }
    bool isLayoutPageSkipped() const override { return m_pageSkipped; }
    bool isLayoutStopped() const override { return isStopped(); }

    // Services for the section renderer.
    TessarinOutput *output() const;
    int runState() const { return m_runState; }
    int pass() const { return m_pass; }
    bool isPageSkipped() const { return m_pageSkipped; }
    double posX() const { return m_posX; }
    double posY() const { return m_posY; }
    void setPosY(double y) { m_posY = y; }
    void advanceY(double mm) { m_posY += mm; }
    // Bottom of the page body: above the page footer.
    double pageBodyBottom() const;
    // Room below y down to the page body bottom.
    double availableHeight(double y) const;
    double availableHeight() const { return availableHeight(m_posY); }
    bool isPageOverflow() const { return m_pageOverflow; }
    void setPageOverflow(bool on) { m_pageOverflow = on; }
    bool isEndOfData() const { return m_endOfData; }
    bool isTextDocumentReport() const;
    TessarinSection *lastSection() const { return m_lastSection; }
    void setLastSection(TessarinSection *section);
    // Whether section was the last one placed, for the same data row.
    bool isLastPlaced(const TessarinSection *section) const;
    int sectionSequence() const { return m_sectionSequence; }
    void increaseSectionSequence() { ++m_sectionSequence; }
    QVector<TessarinPageRecord> &pageRecords() { return m_pageRecords; }
    // True when nothing but the page header (and repeated group headers)
    // has been placed on the current page.
    bool isFreshPage() const { return m_freshPage; }
    void markPagePrinted() { m_freshPage = false; }
    bool hasError() const;
    bool isStopped() const { return m_runState == Stopped || hasError(); }
    // Records a run error (code -1) and stops the run.
    void setError(const QString &text);

    // Places one section, breaking the page and retrying once when it does
    // not fit. True when placed (or skipped by rule).
    bool renderSection(TessarinSection *section);
    bool pageBreak(bool trimData, bool repeatHeaders);

    // TessarinRelationHost
    bool openDataSource(TessarinDataSource *dataSource) override;
    TessarinEvaluator *relationEvaluator() const override { return m_evaluator; }

signals:
    void dataSourceOpen(QString dsID);
    void dataSourceOpened(QString dsID, int totalRows);
    void dataRowProgress(QString dsID, int row);
    void dataRowProgress(int row);
    void dataRowCount(int numRows);
    void sectionProgress(QString sectionID);
    void pageProgress(int page);

public slots:
    virtual void beforePageBreak();
    virtual void afterPageBreak();
    void cancel();

private:
    friend class TessarinTextDocumentBuilder;

    bool runPass();
    void resetRunState();
    void detachItems();
    // Closes the data sources and drops the run's tree and links.
    void finishPass();
    void closeDataSources();
    void prepareRows();
    bool reportBody(bool beginPage, bool endPage);
    bool textDocumentBody();
    bool detailStep();
    bool nextDetail();
    bool moveToNextRow(TessarinDataSource *ds);
    void emitRowProgress(TessarinDataSource *ds);
    void emitRowCount(TessarinDataSource *ds);
    // Relation-tree navigation of a detail's data source; sources outside
    // the tree move by themselves.
    bool navigate(TessarinDataSource *ds, TessarinRelationNode::NavigationCode code);
    static bool hasRows(TessarinDataSource *ds);

    void beginPage();
    void endPage();
    void attemptReportFooter();

    void resetGroups(TessarinSection *detail);
    bool evaluateGroups(TessarinSection *detail);
    bool printGroupHeaders();
    bool printGroupFooters(bool forced);
    void releaseHeaderLocks();
    void resetVariables();
    void resetVariablesOfScope(int scope);
    void resetRelatedVariables(TessarinDataSource *ds);
    bool updateVariables();
    void resetHideRepeated(TessarinSection *detail);
    void openCorrectionPhase(int phase);
    void closeCorrectionPhase(int phase);

    void processEventsPoint();
    double pageHeightMM() const;

    Tessarin *m_report = nullptr;
    TessarinDef *m_reportDef = nullptr;
    TessarinEvaluator *m_evaluator = nullptr;
    bool m_ownsEvaluator = false;
    int m_runState = Idle;
    bool m_pageSkipped = false;
    int m_pass = 0;
    double m_posX = 0;
    double m_posY = 0;
    int m_pageNo = 0;
    int m_globalPageNo = 0;
    int m_pageCount = 0;
    int m_reportNo = 0;
    int m_reportCount = 0;
    int m_forceCopies = 1;
    int m_currentCopy = 0;
    int m_currentRow = 0;
    int m_detailIndex = -1;
    TessarinSection *m_lastSection = nullptr;
    QElapsedTimer m_runTimer;
    bool m_inPageBreak = false;
    int m_correctionPhase = NoPhase;
    TessarinDataSource *m_iterationSource = nullptr;
    TessarinRelationNode *m_relationTree = nullptr;
    int m_sectionSequence = 0;
    bool m_processEvents = false;
    bool m_pageStarted = false;
    // A page has been begun and not yet ended.
    bool m_pageOpen = false;

    bool m_finished = false;
    bool m_reportHeaderPending = true;
    bool m_reportFooterPending = true;
    bool m_pageOverflow = false;
    bool m_firstRow = true;
    bool m_rowPending = false;
    bool m_endOfData = false;
    bool m_freshPage = false;
    // Counts every move of a detail to another row, so that "the same
    // section again" can be told from "the same section for a new row".
    quint64 m_rowSerial = 0;
    quint64 m_lastSectionRowSerial = 0;

    QVector<TessarinGroup *> m_openGroups;
    QVector<TessarinGroup *> m_pendingHeaders;
    QVector<TessarinPageRecord> m_pageRecords;
};

#endif // TESSARINDIRECTOR_P_H
