#include "tessarindirector_p.h"

#include "tessarin.h"
#include "tessarindatasource.h"
#include "tessarindef.h"
#include "tessarinerror.h"
#include "tessarinevaluator.h"
#include "tessaringroup.h"
#include "tessarinitem.h"
#include "tessarinlabelitem.h"
#include "tessarinnulloutput.h"
#include "tessarinoutput.h"
#include "tessarinpageoption.h"
#include "tessarinsection.h"
#include "tessarinsectionrenderer_p.h"
#include "tessarintextdocumentbuilder_p.h"
#include "tessarinvariable.h"

#include <QCoreApplication>

namespace {
// Lengths are sums of millimetre values; a section exactly as high as the
// room left must still fit.
constexpr double lengthEpsilon = 1e-6;
}

TessarinDirector::TessarinDirector(Tessarin *report)
    : QObject(report)
    , m_report(report)
{
    m_evaluator = report ? report->evaluator() : nullptr;
    if (!m_evaluator) {
        m_evaluator = new TessarinEvaluator();
        m_ownsEvaluator = true;
    }
    m_evaluator->setDirector(this);
}

TessarinDirector::~TessarinDirector()
{
    delete m_relationTree;
    if (m_ownsEvaluator) {
        delete m_evaluator;
    } else {
        // The application keeps its evaluator; it must not point into a
        // director that no longer exists.
        m_evaluator->setDirector(nullptr);
        m_evaluator->setSection(nullptr);
    }
}

void TessarinDirector::setReportDef(TessarinDef *reportDef)
{
    m_reportDef = reportDef;
    m_evaluator->setReportDef(reportDef);
}

TessarinOutput *TessarinDirector::output() const
{
    return m_report ? m_report->output() : nullptr;
}

TessarinSection *TessarinDirector::currentDetail() const
{
    if (!m_reportDef || m_detailIndex < 0 || m_detailIndex >= m_reportDef->details().size())
        return nullptr;
    return m_reportDef->details().at(m_detailIndex);
}

TessarinDataSource *TessarinDirector::currentDataSource() const
{
    const TessarinSection *detail = currentDetail();
    if (!detail || detail->dataSourceId().isEmpty())
        return nullptr;
    return m_reportDef->dataSource(detail->dataSourceId());
}

bool TessarinDirector::isTextDocumentReport() const
{
    return m_reportDef && m_reportDef->option().reportType() == 1;
}

bool TessarinDirector::hasError() const
{
    return m_reportDef && m_reportDef->error()->error();
}

void TessarinDirector::setError(const QString &text)
{
    if (m_reportDef)
        m_reportDef->error()->setError(text, -1);
}

double TessarinDirector::pageHeightMM() const
{
    return m_reportDef->option().pageHeightMM();
}

double TessarinDirector::pageBodyBottom() const
{
    const TessarinPageOption &option = m_reportDef->option();
    double bottom = option.pageHeightMM() - option.bottomMarginMM();
    const TessarinSection *footer = m_reportDef->pageFooter();
    if (footer && footer->isShown())
        bottom -= footer->metricHeight();
    return bottom;
}

double TessarinDirector::availableHeight(double y) const
{
    const TessarinOutput *out = output();
    if (out && out->isSuccessive())
        return 999999;
    return pageBodyBottom() - y;
}

void TessarinDirector::setLastSection(TessarinSection *section)
{
    m_lastSection = section;
    m_lastSectionRowSerial = m_rowSerial;
}

bool TessarinDirector::isLastPlaced(const TessarinSection *section) const
{
    return section && section == m_lastSection && m_lastSectionRowSerial == m_rowSerial;
}

void TessarinDirector::processEventsPoint()
{
    if (m_processEvents)
        QCoreApplication::processEvents();
}

void TessarinDirector::cancel()
{
    m_finished = true;
    m_runState = Stopped;
    setError(tr("Report process cancelled."));
}

// ---- run ------------------------------------------------------------------

bool TessarinDirector::runReport()
{
    TessarinOutput *out = output();
    if (!m_reportDef || !out)
        return false;
    m_evaluator->setDirector(this);
    m_evaluator->setReportDef(m_reportDef);

    TessarinPageOption &option = m_reportDef->option();
    if (out->isSuccessive())
        option.setDoublePassMode(false);

    if (option.isDoublePassMode() && m_pass == 0) {
        // The first pass only counts pages: it lays out on an output that
        // measures like the real one and produces nothing.
        auto *nullOutput = new TessarinNullOutput(out);
        const int globalPageNo = m_globalPageNo;
        m_report->setOutput(nullOutput, false);
        m_pass = 1;
        const bool ok = runPass();
        m_report->setOutput(out, false);
        delete nullOutput;
        m_globalPageNo = globalPageNo;
        if (!ok || hasError()) {
            m_pass = 0;
            m_pageRecords.clear();
            m_evaluator->setSection(nullptr);
            return false;
        }
        m_pageCount = m_pageNo;
        m_pass = 2;
    }
    const bool ok = runPass();
    m_evaluator->setSection(nullptr);
    return ok;
}

void TessarinDirector::resetRunState()
{
    m_finished = false;
    m_reportHeaderPending = true;
    m_reportFooterPending = true;
    m_pageOverflow = false;
    m_firstRow = true;
    m_rowPending = false;
    m_endOfData = false;
    m_freshPage = false;
    m_correctionPhase = NoPhase;
    ++m_rowSerial;
}

bool TessarinDirector::runPass()
{
    m_runTimer.start();
    m_sectionSequence = 0;
    m_pageSkipped = false;
    m_runState = Idle;
    m_lastSection = nullptr;
    m_posX = 0;
    m_posY = 0;
    m_currentRow = 0;
    m_detailIndex = 0;
    m_pageNo = 0;
    if (m_pass != 2)
        m_pageCount = 0;
    m_inPageBreak = false;
    m_pageOpen = false;
    m_iterationSource = nullptr;
    resetRunState();

    const auto &dataSources = m_reportDef->dataSources();
    if (dataSources.isEmpty()) {
        setError(tr("No datasource is defined."));
        finishPass();
        return false;
    }
    for (TessarinDataSource *ds : dataSources) {
        if (ds)
            ds->setErrorHandler(m_reportDef->error());
    }
    for (TessarinDataSource *ds : dataSources) {
        if (!ds || ds->openRole() != TessarinDataSource::Sub || !ds->isEnabled())
            continue;
        if (ds->isOpened()) {
            m_iterationSource = ds;
            ds->first();
        } else if (!openDataSource(ds)) {
            finishPass();
            return false;
        }
    }

    m_relationTree = new TessarinRelationNode(this);
    if (!m_relationTree->build(dataSources)) {
        setError(m_relationTree->errorText());
        finishPass();
        return false;
    }
    if (!m_relationTree->openAll() || hasError()) {
        finishPass();
        return false;
    }

    emitRowCount(currentDataSource());
    processEventsPoint();
    prepareRows();

    TessarinOutput *out = output();
    out->setReportNum(m_reportNo);
    out->begin();

    bool ok = true;
    if (!hasError()) {
        if (!m_iterationSource) {
            ok = reportBody(true, true);
        } else {
            bool first = true;
            do {
                if (!first) {
                    // The next repetition: every source starts over, queried
                    // again for the iteration source's new row.
                    m_detailIndex = 0;
                    resetRunState();
                    for (TessarinDataSource *ds : dataSources) {
                        if (ds)
                            ds->setAvailable(true);
                    }
                    if (!m_relationTree->openAll())
                        break;
                    prepareRows();
                }
                ok = reportBody(first || m_reportDef->option().subReportOnNewPage(), false);
                first = false;
            } while (ok && !isStopped() && m_iterationSource->next());
            endPage();
        }
    }

    out->end();
    finishPass();
    return ok && !hasError();
}

void TessarinDirector::finishPass()
{
    m_openGroups.clear();
    m_pendingHeaders.clear();
    closeDataSources();
    delete m_relationTree;
    m_relationTree = nullptr;
    detachItems();
    if (m_pass == 2) {
        m_pass = 0;
        m_pageRecords.clear();
    }
}

void TessarinDirector::detachItems()
{
    // Items outlive the run when the application keeps the definition.
    auto detach = [](TessarinSection *section) {
        if (!section)
            return;
        for (TessarinItem *item : section->reportItems())
            item->setDirector(nullptr);
    };
    detach(m_reportDef->pageHeader());
    detach(m_reportDef->pageFooter());
    detach(m_reportDef->reportHeader());
    detach(m_reportDef->reportFooter());
    for (TessarinSection *section : m_reportDef->details())
        detach(section);
    for (TessarinSection *section : m_reportDef->groupSections())
        detach(section);
}

void TessarinDirector::closeDataSources()
{
    for (TessarinDataSource *ds : m_reportDef->dataSources()) {
        if (ds && ds->isOpened())
            ds->close();
    }
    m_iterationSource = nullptr;
}

bool TessarinDirector::hasRows(TessarinDataSource *ds)
{
    if (!ds)
        return false;
    const int rows = ds->rowCount();
    // A negative count means the source cannot tell (forward-only queries,
    // text streams): whether it stands on a row decides.
    return rows > 0 || (rows < 0 && ds->isValid());
}

void TessarinDirector::prepareRows()
{
    resetVariables();
    TessarinSection *detail = currentDetail();
    resetGroups(detail);
    for (TessarinSection *section : m_reportDef->details())
        resetHideRepeated(section);
    evaluateGroups(detail);
    // Without a first row there is nothing to count yet.
    if (hasRows(currentDataSource()))
        updateVariables();
    if (detail)
        detail->setFinished(false);
}

// ---- data sources -----------------------------------------------------------

bool TessarinDirector::openDataSource(TessarinDataSource *ds)
{
    if (!ds)
        return false;
    if (ds->isOpened() || !ds->isEnabled())
        return true;
    TessarinError *error = m_reportDef->error();
    ds->setErrorHandler(error);
    ds->evaluate(m_evaluator);
    emit dataSourceOpen(ds->id());
    processEventsPoint();
    if (!ds->open()) {
        // The source recorded its own reason; it becomes part of the message.
        const QString reason = error->error() ? error->text() : QString();
        error->clear();
        setError(tr("Cannot open datasource \"%1\"\nError: %2").arg(ds->id(), reason));
        return false;
    }
    // Some sources answer first() even without a row; the row itself decides.
    const bool rows = ds->first() && hasRows(ds);
    ds->setAvailable(rows);
    if (ds->openRole() == TessarinDataSource::Sub)
        m_iterationSource = ds;
    if (ds->hasParameters()) {
        m_reportDef->addParameters(ds->parameters());
        for (TessarinItem *item : m_reportDef->dynamicItems()) {
            if (item && item->sourceType() == TessarinItem::Parameter)
                item->updateContent();
        }
    }
    emit dataSourceOpened(ds->id(), ds->size());
    if (ds->openRole() != TessarinDataSource::Begin || ds->allowEmpty() || rows)
        return true;
    setError(tr("Data not found in datasource: %1").arg(ds->id()));
    return false;
}

bool TessarinDirector::navigate(TessarinDataSource *ds, TessarinRelationNode::NavigationCode code)
{
    if (!ds)
        return false;
    if (m_relationTree && m_relationTree->isTopLevel(ds)) {
        switch (code) {
        case TessarinRelationNode::Next:
            return m_relationTree->next(ds);
        case TessarinRelationNode::Previous:
            return m_relationTree->previous(ds);
        case TessarinRelationNode::First:
            return m_relationTree->first(ds);
        case TessarinRelationNode::Last:
            return m_relationTree->last(ds);
        }
        return false;
    }
    switch (code) {
    case TessarinRelationNode::Next:
        return ds->next();
    case TessarinRelationNode::Previous:
        return ds->previous();
    case TessarinRelationNode::First:
        return ds->first();
    case TessarinRelationNode::Last:
        return ds->last();
    }
    return false;
}

bool TessarinDirector::moveToNextRow(TessarinDataSource *ds)
{
    if (m_currentRow >= RowLimit) {
        setError(tr("Too much processed data records. Endless loop is probably happening."));
        m_finished = true;
        m_runState = Stopped;
        return false;
    }
    ++m_rowSerial;
    return navigate(ds, TessarinRelationNode::Next);
}

bool TessarinDirector::nextDetailRow()
{
    TessarinDataSource *ds = currentDataSource();
    if (!ds || !moveToNextRow(ds))
        return false;
    ++m_currentRow;
    return true;
}

void TessarinDirector::emitRowCount(TessarinDataSource *ds)
{
    if (!ds)
        return;
    const int rows = ds->rowCount();
    emit dataRowCount(rows > 0 && m_reportDef->option().isDoublePassMode() ? 2 * rows : rows);
}

void TessarinDirector::emitRowProgress(TessarinDataSource *ds)
{
    int row = m_currentRow;
    if (m_pass == 2)
        row += qMax(0, ds->rowCount());
    emit dataRowProgress(ds->id(), row);
    emit dataRowProgress(row);
}

// ---- report body -------------------------------------------------------------

bool TessarinDirector::reportBody(bool beginAPage, bool endThePage)
{
    if (isTextDocumentReport())
        return textDocumentBody();

    openCorrectionPhase(ReportHeaderPhase);
    if (beginAPage) {
        if (m_pageOpen)
            endPage();
        beginPage();
    }
    TessarinSection *reportHeader = m_reportDef->reportHeader();
    if (reportHeader && m_reportHeaderPending && !hasError()) {
        if (renderSection(reportHeader))
            m_reportHeaderPending = false;
        else
            setError(tr("Report header is too large."));
    }
    closeCorrectionPhase(ReportHeaderPhase);

    while (!isStopped() && !m_finished && detailStep()) {
    }
    // The details are exhausted unless something stopped the run.
    if (!hasError())
        m_finished = true;

    attemptReportFooter();
    if (TessarinOutput *out = output())
        out->setFinalPosMM(QPointF(m_posX, m_posY));
    if (endThePage)
        endPage();

    if (m_reportFooterPending && !hasError() && m_runState != Stopped) {
        if (m_pageOpen)
            endPage();
        beginPage();
        attemptReportFooter();
        if (m_reportFooterPending && !hasError())
            setError(tr("Report footer is too large."));
        if (endThePage)
            endPage();
    }
    return !hasError();
}

void TessarinDirector::attemptReportFooter()
{
    TessarinSection *footer = m_reportDef->reportFooter();
    if (!footer) {
        m_reportFooterPending = false;
        return;
    }
    if (!m_finished || !m_reportFooterPending || hasError() || m_runState == Stopped)
        return;
    if (renderSection(footer))
        m_reportFooterPending = false;
    else
        setError(tr("Report footer is too large."));
}

bool TessarinDirector::detailStep()
{
    if (m_finished)
        return false;
    TessarinSection *detail = currentDetail();
    TessarinDataSource *ds = currentDataSource();
    if (!detail || !ds)
        return false;
    TessarinDataSource *secondary = nullptr;
    if (!detail->secondaryDatasourceID().isEmpty())
        secondary = m_reportDef->dataSource(detail->secondaryDatasourceID());

    if (!hasRows(ds))
        return nextDetail();

    // A break before the first row of a page would leave a page with only
    // its header on it.
    if (!detail->pageBreakExp().isEmpty() && !m_freshPage && m_evaluator->evaluatePrintWhen(detail->pageBreakExp()))
        pageBreak(false, true);

    if (!printGroupFooters(false))
        return false;

    if (!m_firstRow) {
        if (m_rowPending)
            m_rowPending = false;
        else if (!updateVariables())
            return false;
    }

    if (!printGroupHeaders()) {
        m_rowPending = true;
        return false;
    }

    const bool placed = renderSection(detail);
    if (isStopped())
        return placed;
    if (!placed) {
        m_rowPending = true;
        if (m_runState == PrintingPageHeader)
            setError(tr("Detail section is too large."));
        return false;
    }

    m_firstRow = false;
    m_runState = PrintingDetails;
    if (moveToNextRow(ds)) {
        ++m_currentRow;
        if (secondary)
            secondary->setAvailable(secondary->next());
        emitRowProgress(ds);
        processEventsPoint();
        evaluateGroups(detail);
    } else {
        if (isStopped())
            return false;
        m_endOfData = true;
        if (!detail->isFinished()) {
            if (!printGroupFooters(true))
                return false;
            detail->setFinished(true);
        }
        nextDetail();
    }
    return placed;
}

bool TessarinDirector::nextDetail()
{
    const QList<TessarinSection *> &details = m_reportDef->details();
    TessarinSection *detail = nullptr;
    TessarinDataSource *ds = nullptr;
    for (;;) {
        if (m_detailIndex >= details.size() - 1) {
            m_finished = true;
            // Footers and the report footer read the last row; a detail that
            // ran to its end already stands there.
            if (!m_endOfData)
                navigate(currentDataSource(), TessarinRelationNode::Last);
            return false;
        }
        ++m_detailIndex;
        m_currentRow = 0;
        ++m_rowSerial;
        detail = details.at(m_detailIndex);
        ds = currentDataSource();
        if (!ds)
            continue;
        navigate(ds, TessarinRelationNode::First);
        if (hasRows(ds))
            break;
    }

    emitRowCount(ds);
    detail->setFinished(false);
    resetRelatedVariables(ds);
    resetGroups(detail);
    resetHideRepeated(detail);
    evaluateGroups(detail);
    if (detail->startsOnNewPage() && !m_freshPage && m_evaluator->evaluatePrintWhen(detail->printWhenExp()))
        pageBreak(false, false);
    m_endOfData = false;
    m_firstRow = false;
    return true;
}

// ---- pages ---------------------------------------------------------------------

void TessarinDirector::beginPage()
{
    resetVariablesOfScope(TessarinVariable::Page);
    if (hasError())
        return;
    TessarinOutput *out = output();
    ++m_globalPageNo;
    ++m_pageNo;
    m_runState = PrintingPageHeader;
    m_pageSkipped = !out->isPageInRange(m_globalPageNo);
    if (m_globalPageNo > 1 && !m_pageSkipped && m_pageStarted)
        out->newPage();
    if (!m_pageSkipped)
        m_pageStarted = true;
    m_pageOpen = true;
    emit pageProgress(m_globalPageNo);
    processEventsPoint();

    const TessarinPageOption &option = m_reportDef->option();
    m_posX = option.leftMarginMM();
    m_posY = option.topMarginMM();
    m_freshPage = true;
    if (TessarinSection *header = m_reportDef->pageHeader()) {
        if (!renderSection(header))
            setError(tr("Page header is too large."));
    }
}

void TessarinDirector::endPage()
{
    if (!m_pageOpen)
        return;
    m_pageOpen = false;
    if (m_report)
        m_report->setLastPagePositionMM(QPointF(m_posX, m_posY));
    TessarinOutput *out = output();
    if (out->isSuccessive() || hasError())
        return;
    m_runState = PrintingPageFooter;
    TessarinSection *footer = m_reportDef->pageFooter();
    if (footer && footer->isShown()) {
        const TessarinPageOption &option = m_reportDef->option();
        m_posX = option.leftMarginMM();
        m_posY = option.pageHeightMM() - option.bottomMarginMM() - footer->metricHeight();
        TessarinSectionRenderer renderer(this, footer);
        if (!renderer.renderPageFooter())
            setError(tr("Page footer is too large."));
    }
    // Pages after the requested range are not produced; a first pass still
    // counts them all.
    if (m_pass != 1 && m_globalPageNo >= out->pageRangeTo()) {
        m_finished = true;
        m_runState = Stopped;
    }
}

bool TessarinDirector::pageBreak(bool trimData, bool repeatHeaders)
{
    TessarinOutput *out = output();
    if (!out || out->isSuccessive() || m_inPageBreak || hasError() || m_runState == Stopped)
        return false;
    m_inPageBreak = true;
    beforePageBreak();

    TessarinDataSource *ds = currentDataSource();
    bool movedBack = false;
    bool trimming = false;
    if (trimData && m_reportDef->option().isDataTrimming() && ds && !isTextDocumentReport()) {
        // The page footer shows the last row of this page and its totals.
        movedBack = navigate(ds, TessarinRelationNode::Previous);
        openCorrectionPhase(PageBreakPhase);
        trimming = true;
    }
    if (m_pass == 1 && !m_pageRecords.isEmpty())
        m_pageRecords.last().pageBreakFollowed = 1;

    endPage();
    if (m_runState != Stopped)
        beginPage();

    if (trimming)
        closeCorrectionPhase(PageBreakPhase);
    // Forward again only when the step back happened: a source that cannot
    // go back must not skip a row.
    if (movedBack)
        navigate(ds, TessarinRelationNode::Next);

    if (repeatHeaders && m_pageNo != 1 && !m_firstRow && m_runState != Stopped && !hasError()) {
        if (TessarinSection *detail = currentDetail()) {
            for (TessarinGroup *group : detail->groups()) {
                if (!group->initialPrintDone() || !m_openGroups.contains(group) || !group->repeatHeaderOnNextPage()
                    || !group->header())
                    continue;
                if (!renderSection(group->header()))
                    break;
                group->header()->setPrintLock(true);
            }
        }
    }
    m_freshPage = true;
    afterPageBreak();
    m_inPageBreak = false;
    return true;
}

void TessarinDirector::beforePageBreak()
{
}

void TessarinDirector::afterPageBreak()
{
    resetHideRepeated(currentDetail());
}

void TessarinDirector::resetHideRepeated(TessarinSection *detail)
{
    if (!detail)
        return;
    for (TessarinItem *item : detail->reportItems()) {
        if (item->objectType() == TessarinItem::FieldObject || item->objectType() == TessarinItem::LabelObject)
            static_cast<TessarinLabelItem *>(item)->resetHideRepeated();
    }
}

// ---- sections ------------------------------------------------------------------

bool TessarinDirector::renderSection(TessarinSection *section)
{
    if (!section || section->isPrintLock())
        return true;
    if (hasError())
        return false;
    // After the last requested page nothing more is produced.
    if (m_runState == Stopped)
        return true;
    emit sectionProgress(section->id());

    const int type = section->type();
    if (type == TessarinSection::ReportFooter && section->startsOnNewPage() && !m_freshPage)
        pageBreak(false, true);

    TessarinDataSource *ds = currentDataSource();
    bool trimmed = false;
    if (type == TessarinSection::GroupFooter && !isTextDocumentReport() && !m_endOfData
        && m_reportDef->option().isDataTrimming() && ds)
        trimmed = navigate(ds, TessarinRelationNode::Previous);

    auto attempt = [this, section](double *height) {
        if (section->isAnchorToPageFooter() && !section->isAutoHeight() && section->isShown()) {
            const double room = availableHeight(m_posY);
            if (room > section->metricHeight())
                m_posY += room - section->metricHeight();
        }
        TessarinSectionRenderer renderer(this, section);
        const bool ok = renderer.render();
        if (height)
            *height = renderer.sectionHeight();
        return ok;
    };

    double height = 0;
    bool placed = attempt(&height);
    if (!placed && !isStopped()) {
        const TessarinPageOption &option = m_reportDef->option();
        const double body = option.pageHeightMM() - option.bottomMarginMM() - option.topMarginMM();
        const QString tooLarge = tr("Invalid section size: %1").arg(section->tagname());
        if (type == TessarinSection::PageHeader) {
            // The page begin reports it in its own words.
        } else if (type == TessarinSection::PageFooter || height > body + lengthEpsilon) {
            setError(tooLarge);
        } else {
            const bool trim = !trimmed
                && (type == TessarinSection::GroupHeader
                    || (type == TessarinSection::Detail && m_lastSection
                        && m_lastSection->type() == TessarinSection::Detail));
            pageBreak(trim, true);
            if (section->isPrintLock() || (m_runState == Stopped && !hasError())) {
                placed = true;
            } else if (!hasError()) {
                placed = attempt(nullptr);
                // A group band that does not fit on a fresh page never will:
                // ending the report quietly would lose the rest of the data.
                if (!placed && !isStopped()
                    && (type == TessarinSection::GroupHeader || type == TessarinSection::GroupFooter))
                    setError(tooLarge);
            }
        }
    }
    if (trimmed)
        navigate(ds, TessarinRelationNode::Next);
    if (placed && type != TessarinSection::GroupHeader)
        releaseHeaderLocks();
    return placed;
}

void TessarinDirector::releaseHeaderLocks()
{
    TessarinSection *detail = currentDetail();
    if (!detail)
        return;
    for (TessarinGroup *group : detail->groups()) {
        if (group->header())
            group->header()->setPrintLock(false);
    }
}

// ---- groups ----------------------------------------------------------------------

void TessarinDirector::resetGroups(TessarinSection *detail)
{
    m_openGroups.clear();
    m_pendingHeaders.clear();
    if (!detail)
        return;
    const QList<TessarinGroup *> &groups = detail->groups();
    for (TessarinGroup *group : groups) {
        if (group->header())
            group->header()->setPrintLock(false);
        if (group->footer())
            group->footer()->setPrintLock(false);
        group->setInitialPrintDone(false);
        group->reset();
    }
    // The outermost group ends up on top of the stack.
    for (int i = groups.size() - 1; i >= 0; --i)
        m_pendingHeaders.append(groups.at(i));
}

bool TessarinDirector::evaluateGroups(TessarinSection *detail)
{
    if (!detail)
        return true;
    bool outerChanged = false;
    for (TessarinGroup *group : detail->groups()) {
        if (!m_evaluator->evaluateGroup(group)) {
            setError(tr("Invalid group column or expression: %1\nGroup ID: %2\nValue: %3")
                         .arg(group->expression(), group->groupId(), group->currentValue()));
            m_runState = Stopped;
            return false;
        }
        if (outerChanged)
            group->setGroupChanged(true);
        if (group->isGroupChanged())
            outerChanged = true;
    }
    return true;
}

bool TessarinDirector::printGroupHeaders()
{
    bool brokeHere = false;
    while (!m_pendingHeaders.isEmpty()) {
        TessarinGroup *group = m_pendingHeaders.last();
        if (!group->isGroupChanged())
            break;
        for (TessarinDataSource *ds : m_reportDef->dataSources()) {
            if (!ds || ds->openRole() != TessarinDataSource::Group || ds->parentId() != group->groupId())
                continue;
            if (!ds->isOpened()) {
                if (!openDataSource(ds))
                    return false;
                continue;
            }
            ds->evaluate(m_evaluator);
            if (!ds->update())
                break;
            ds->setAvailable(ds->first());
        }
        if (group->initialPrintDone() && !brokeHere && !m_freshPage
            && (group->startsOnNewPage()
                || (!group->pageBreakExp().isEmpty() && m_evaluator->evaluatePrintWhen(group->pageBreakExp())))) {
            pageBreak(true, true);
            brokeHere = true;
        }
        openCorrectionPhase(GroupHeaderPhase);
        const bool placed = renderSection(group->header());
        closeCorrectionPhase(GroupHeaderPhase);
        if (!placed)
            return false;
        m_pendingHeaders.removeLast();
        m_openGroups.append(group);
        group->setInitialPrintDone(true);
    }
    return true;
}

bool TessarinDirector::printGroupFooters(bool forced)
{
    while (!m_openGroups.isEmpty()) {
        TessarinGroup *group = m_openGroups.last();
        if (!forced && !group->isGroupChanged())
            break;
        bool placed;
        if (!forced) {
            // The footer belongs to the group's last row.
            --m_currentRow;
            placed = renderSection(group->footer());
            ++m_currentRow;
        } else {
            placed = renderSection(group->footer());
        }
        if (!placed)
            return false;
        m_openGroups.removeLast();
        m_pendingHeaders.append(group);
        if (group->header())
            group->header()->setPrintLock(false);
        const QStringList names = group->resetVarList().split(QLatin1Char(','));
        for (const QString &name : names) {
            if (TessarinVariable *variable = m_reportDef->variable(name))
                variable->reset();
        }
    }
    return true;
}

// ---- variables ---------------------------------------------------------------------

void TessarinDirector::resetVariables()
{
    for (TessarinVariable *variable : m_reportDef->variables())
        variable->reset();
}

void TessarinDirector::resetVariablesOfScope(int scope)
{
    for (TessarinVariable *variable : m_reportDef->variables()) {
        if (int(variable->scope()) == scope)
            variable->reset();
    }
}

void TessarinDirector::resetRelatedVariables(TessarinDataSource *ds)
{
    for (TessarinVariable *variable : m_reportDef->variables()) {
        if (ds && variable->relatedDataSource() == ds)
            variable->reset();
    }
}

bool TessarinDirector::updateVariables()
{
    const bool alert = m_reportDef->option().variableErrorAlert();
    for (TessarinVariable *variable : m_reportDef->variables()) {
        if (!m_evaluator->evaluateVariable(variable) && alert) {
            setError(tr("Variable error in %1").arg(variable->id()));
            m_runState = Stopped;
            return false;
        }
    }
    return true;
}

void TessarinDirector::openCorrectionPhase(int phase)
{
    if (m_correctionPhase != NoPhase)
        return;
    TessarinDataSource *ds = currentDataSource();
    for (TessarinVariable *variable : m_reportDef->variables()) {
        if (ds && variable->relatedDataSource() == ds)
            variable->correction(TessarinVariable::Decrease);
    }
    m_correctionPhase = phase;
}

void TessarinDirector::closeCorrectionPhase(int phase)
{
    if (m_correctionPhase != phase)
        return;
    TessarinDataSource *ds = currentDataSource();
    for (TessarinVariable *variable : m_reportDef->variables()) {
        if (ds && variable->relatedDataSource() == ds)
            variable->correction(TessarinVariable::Increase);
    }
    m_correctionPhase = NoPhase;
}

// ---- text document reports -----------------------------------------------------------

bool TessarinDirector::textDocumentBody()
{
    TessarinOutput *out = output();
    if (!out || !out->painter()) {
        setError(tr("The current report does not support this output type."));
        return false;
    }
    TessarinTextDocumentBuilder builder(this);
    return builder.run();
}
