#include "tessarinsectionrenderer_p.h"

#include "tessarin.h"
#include "tessarindef.h"
#include "tessarindirector_p.h"
#include "tessarinevaluator.h"
#include "tessarinitem.h"
#include "tessarinoutput.h"
#include "tessarinpageoption.h"
#include "tessarinsection.h"
#include "tessarintextitem.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>

namespace {
constexpr double lengthEpsilon = 1e-6;

bool stretchesWithText(const TessarinItem *item)
{
    return item->isAutoHeight()
        && (item->objectType() == TessarinItem::RectangleObject || item->objectType() == TessarinItem::LineObject);
}
}

TessarinSectionRenderer::TessarinSectionRenderer(TessarinDirector *director, TessarinSection *section)
    : m_director(director)
    , m_section(section)
    , m_output(director->output())
    , m_evaluator(director->evaluator())
    , m_previousEvaluatorSection(m_evaluator->section())
    , m_height(section->metricHeight())
    , m_zonesBreakable(director->reportDef()->option().zonesAreBreakable())
{
    // "$F{" references resolve against the items of the section being placed.
    m_evaluator->setSection(section);
}

TessarinSectionRenderer::~TessarinSectionRenderer()
{
    m_evaluator->setSection(m_previousEvaluatorSection);
}

double TessarinSectionRenderer::sectionWidth() const
{
    const TessarinPageOption &option = m_director->reportDef()->option();
    return option.pageWidthMM() - option.leftMarginMM() - option.rightMarginMM();
}

bool TessarinSectionRenderer::atFreshPage() const
{
    return m_director->isFreshPage();
}

void TessarinSectionRenderer::failTooLarge()
{
    m_director->setError(
        QCoreApplication::translate("TessarinDirector", "Invalid section size: %1").arg(m_section->tagname()));
}

bool TessarinSectionRenderer::render()
{
    if (!m_section->isShown())
        return true;
    const int type = m_section->type();
    if (!m_director->isTextDocumentReport() && type != TessarinSection::Detail && type != TessarinSection::PageHeader
        && m_director->isLastPlaced(m_section))
        return true;
    if (!m_section->printWhenExp().isEmpty() && !m_evaluator->evaluatePrintWhen(m_section->printWhenExp()))
        return true;

    // A header that ended a page alone in the first pass starts the next one.
    if (m_director->pass() == 2 && type == TessarinSection::GroupHeader && m_section->isNotAlone()
        && !atFreshPage()) {
        const QVector<TessarinPageRecord> &records = m_director->pageRecords();
        const int sequence = m_director->sectionSequence();
        if (sequence < records.size() && records.at(sequence).section == m_section
            && records.at(sequence).pageBreakFollowed)
            m_director->pageBreak(true, true);
    }

    m_output->sectionStarts(m_section, m_evaluator);
    if (m_output->isDocumentTemplateBased()) {
        const bool placed = m_output->renderSection(m_section, m_evaluator);
        m_output->sectionEnds(m_section, m_evaluator);
        // A template output never runs out of room: a section it could not
        // write is an error, not a reason to break the page and retry.
        if (!placed && m_output->hasError())
            m_director->setError(m_output->errorText());
        return placed;
    }

    bool placed = true;
    switch (m_output->generatingMode()) {
    case TessarinOutput::PagesMode:
        placed = m_section->isAutoHeight() ? renderAutoHeight() : renderFixed(true);
        break;
    case TessarinOutput::SectionsMode:
        placed = renderFixed(false);
        break;
    }
    if (!placed)
        return false;

    if (m_director->pass() == 1) {
        TessarinPageRecord record;
        record.sequence = m_director->sectionSequence();
        record.height = m_height;
        record.section = m_section;
        m_director->pageRecords().append(record);
    }
    m_director->increaseSectionSequence();
    m_director->setLastSection(m_section);
    if (type != TessarinSection::PageHeader)
        m_director->markPagePrinted();
    m_output->sectionEnds(m_section, m_evaluator);
    return true;
}

bool TessarinSectionRenderer::renderPageFooter()
{
    if (!m_section->isShown())
        return true;
    if (!m_section->printWhenExp().isEmpty() && !m_evaluator->evaluatePrintWhen(m_section->printWhenExp()))
        return true;
    if (m_director->posY() < m_director->reportDef()->option().topMarginMM() - lengthEpsilon)
        return false;
    m_output->sectionStarts(m_section, m_evaluator);
    if (m_output->isDocumentTemplateBased()) {
        if (!m_output->renderSection(m_section, m_evaluator) && m_output->hasError())
            m_director->setError(m_output->errorText());
        m_output->sectionEnds(m_section, m_evaluator);
        return true;
    }
    const QPointF origin(m_director->posX(), m_director->posY());
    for (TessarinItem *item : m_section->reportItems()) {
        item->updateValue(m_output, m_evaluator);
        if (!m_evaluator->evaluatePrintWhen(item))
            continue;
        item->setSectionMetricSize(QSizeF(sectionWidth(), m_height));
        item->adjustSize(m_output);
        paintItem(item, origin);
    }
    m_output->sectionEnds(m_section, m_evaluator);
    return true;
}

bool TessarinSectionRenderer::roomFor(double height) const
{
    return height <= m_director->availableHeight() + lengthEpsilon;
}

bool TessarinSectionRenderer::fits(double height)
{
    double needed = height;
    switch (m_section->checkRole()) {
    case TessarinSection::CheckSectionOnly:
        break;
    case TessarinSection::CheckSectionPlusDetail:
        // A group header keeps at least one detail row with it.
        if (const TessarinSection *detail = m_director->currentDetail())
            needed += detail->metricHeight();
        break;
    case TessarinSection::CheckSectionPlusTolerance:
        needed += m_section->orphanedTolaranceMM();
        break;
    default:
        return !m_director->isPageOverflow();
    }
    const bool ok = roomFor(needed);
    m_director->setPageOverflow(!ok);
    return ok;
}

void TessarinSectionRenderer::paintItem(TessarinItem *item, const QPointF &origin)
{
    item->setDirector(m_director);
    if (m_director->isPageSkipped()) {
        item->dummyPaint(m_output, origin);
    } else {
        item->paint(m_output, origin);
        m_output->setFlagPrintStarted(true);
    }
}

void TessarinSectionRenderer::paintAlternateBackground(double height)
{
    if (m_section->type() != TessarinSection::Detail || height <= 0)
        return;
    const int mode = m_section->alternateRowBackgroundMode();
    const bool odd = m_director->currentRow() % 2 != 0;
    if (!((mode == TessarinSection::AlternateRowOdd && odd) || (mode == TessarinSection::AlternateRowEven && !odd)))
        return;
    QPainter *painter = m_output->painter();
    if (m_director->isPageSkipped() || !painter || !painter->isActive()
        || m_output->generatingMode() != TessarinOutput::PagesMode)
        return;
    QColor color = m_section->alternateRowBackgroundColor();
    if (m_section->useDefaultAlternateRowColor() && m_director->report())
        color = m_director->report()->alternateRowBackgroundColor();
    const TessarinScale &scale = m_output->scale();
    const QRectF rect(scale.mmToPoint(QPointF(m_director->posX(), m_director->posY())),
                      scale.mmToSize(QSizeF(sectionWidth(), height)));
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(color);
    painter->drawRect(rect);
    painter->restore();
    m_output->setFlagPrintStarted(true);
}

// ---- fixed height ------------------------------------------------------------------

bool TessarinSectionRenderer::renderFixed(bool fitTest)
{
    m_height = m_section->metricHeight();
    if (fitTest && !fits(m_height))
        return false;

    // Items are refreshed, tested and painted one after the other: a print
    // condition may move the data on ("@NEXT_TRUE"), and the items after it
    // then show the next row. A section that may vanish gets its background
    // only once something of it is printed.
    const bool lazyBackground = m_section->hideIfBlank();
    if (!lazyBackground)
        paintAlternateBackground(m_height);
    bool anyVisible = false;
    const double startY = m_director->posY();
    const QPointF origin(m_director->posX(), startY);
    const QSizeF size(sectionWidth(), m_height);
    for (TessarinItem *item : m_section->reportItems()) {
        item->updateValue(m_output, m_evaluator);
        if (!m_evaluator->evaluatePrintWhen(item))
            continue;
        if (!anyVisible && lazyBackground)
            paintAlternateBackground(m_height);
        anyVisible = true;
        item->setSectionMetricSize(size);
        item->setZoneMetricSize(size);
        item->adjustSize(m_output);
        paintItem(item, origin);
        if (m_director->isStopped())
            break;
    }
    if (!anyVisible && m_section->hideIfBlank()) {
        m_height = 0;
        return true;
    }
    // Items that lay out rows themselves (tables) move the position.
    if (m_director->posY() == startY)
        m_director->advanceY(m_height);
    m_director->advanceY(m_director->reportDef()->option().sectionSpacing());
    return true;
}

// ---- auto height: zones --------------------------------------------------------------

void TessarinSectionRenderer::layoutZones()
{
    m_zones.clear();
    const double spacing = m_director->reportDef()->option().zoneSpacing();
    for (TessarinItem *item : m_section->reportItems()) {
        item->updateValue(m_output, m_evaluator);
        if (!m_evaluator->evaluatePrintWhen(item))
            continue;
        item->adjustSize(m_output);
        const double y = item->metricPos().y();
        const double bottom = y + item->realMetricSize().height() + spacing;
        auto it = m_zones.find(item->zoneID());
        if (it == m_zones.end()) {
            Zone zone;
            zone.id = item->zoneID();
            zone.top = y;
            zone.bottom = bottom;
            it = m_zones.insert(zone.id, zone);
        } else {
            it->top = std::min(it->top, y);
            it->bottom = std::max(it->bottom, bottom);
        }
        it->visible = true;
        it->items.append(item);
    }
    // Every zone starts where the previous one ended.
    for (Zone &zone : m_zones) {
        for (TessarinItem *item : qAsConst(zone.items))
            item->setMetricOffset(QPointF(0, zone.top));
    }
}

double TessarinSectionRenderer::itemTopInZone(const TessarinItem *item, const Zone &zone) const
{
    return item->metricPos().y() - zone.top;
}

void TessarinSectionRenderer::prepareZoneItems(const Zone &zone, double itemZoneHeight)
{
    for (TessarinItem *item : zone.items) {
        item->setSectionMetricSize(QSizeF(sectionWidth(), m_height));
        item->setZoneMetricSize(QSizeF(sectionWidth(), itemZoneHeight));
    }
}

bool TessarinSectionRenderer::paintZone(const Zone &zone, double itemZoneHeight, bool lastZone)
{
    const double spacing = m_director->reportDef()->option().zoneSpacing();
    const double itemHeight = lastZone ? itemZoneHeight : itemZoneHeight - spacing;
    prepareZoneItems(zone, itemHeight);
    const QPointF origin(m_director->posX(), m_director->posY());
    for (TessarinItem *item : zone.items) {
        if (item->objectType() == TessarinItem::CrossTabObject) {
            m_director->setError(
                QCoreApplication::translate("TessarinDirector", "Cross-Tab item is unsupported in zones."));
            return false;
        }
        item->enableOffsetPosition();
        paintItem(item, origin);
        item->disableOffsetPosition();
    }
    return true;
}

bool TessarinSectionRenderer::renderAutoHeight()
{
    layoutZones();
    if (m_zones.isEmpty()) {
        m_height = 0;
        return true;
    }
    const double spacing = m_director->reportDef()->option().zoneSpacing();
    m_height = 0;
    for (const Zone &zone : qAsConst(m_zones))
        m_height += zone.height() + spacing;
    if (m_zonesBreakable)
        return renderBreakableZones();

    if (!fits(m_height))
        return false;
    paintAlternateBackground(m_height);
    const int last = m_zones.lastKey();
    for (const Zone &zone : qAsConst(m_zones)) {
        if (!paintZone(zone, zone.height(), zone.id == last))
            return true; // the error stops the run
        m_director->advanceY(zone.height() + spacing);
    }
    return true;
}

// ---- breakable zones ---------------------------------------------------------------------

namespace {
// Asks an item how much of it fits into height; negative when nothing does.
double breakItem(TessarinItem *item, double height, TessarinOutput *output, bool freshPage)
{
    if (item->objectType() == TessarinItem::TextObject)
        return static_cast<TessarinTextItem *>(item)->breakTo(height, output, freshPage);
    return item->breakTo(height, output);
}

bool cannotBePlaced(TessarinItem *item, double answer, bool freshPage)
{
    if (item->objectType() == TessarinItem::TextObject)
        return static_cast<TessarinTextItem *>(item)->cannotBePlaced() || (freshPage && answer <= 0);
    return freshPage && answer <= 0;
}
}

bool TessarinSectionRenderer::canStartBreaking(const Zone &zone)
{
    const double room = m_director->availableHeight();
    for (TessarinItem *item : zone.items) {
        if (!item->isAbleToBreak())
            continue;
        if (breakItem(item, room - itemTopInZone(item, zone), m_output, atFreshPage()) > 0)
            return true;
    }
    return false;
}

bool TessarinSectionRenderer::renderBreakableZones()
{
    const Zone &firstZone = m_zones.first();
    if (!fits(firstZone.height()) && !canStartBreaking(firstZone)) {
        // A text that cannot place a single line even on an empty page must
        // not be dropped silently, nor loop over new pages.
        if (atFreshPage())
            failTooLarge();
        return false;
    }

    const double spacing = m_director->reportDef()->option().zoneSpacing();
    const int last = m_zones.lastKey();
    for (Zone &zone : m_zones) {
        if (m_director->isStopped())
            break;
        clearLastParts(zone);
        const double height = zone.height();
        if (roomFor(height)) {
            paintAlternateBackground(height);
            if (!paintZone(zone, height, zone.id == last))
                return true;
            m_director->advanceY(height + spacing);
            continue;
        }
        double used = 0;
        if (!breakZoneHere(zone, used)) {
            // Nothing of this zone fits below what the page holds: it starts
            // on the next page, where it either fits or breaks.
            if (atFreshPage()) {
                failTooLarge();
                return true;
            }
            m_director->setLastSection(m_section);
            if (!m_director->pageBreak(false, true) || m_director->isStopped())
                return true;
            if (roomFor(height)) {
                paintAlternateBackground(height);
                if (!paintZone(zone, height, zone.id == last))
                    return true;
                m_director->advanceY(height + spacing);
                continue;
            }
            if (!breakZoneHere(zone, used)) {
                failTooLarge();
                return true;
            }
        }
        paintAlternateBackground(used);
        if (!paintZone(zone, used, true))
            return true;
        m_director->advanceY(used + spacing);
        if (!continueBrokenZone(zone))
            return true;
    }
    return true;
}

bool TessarinSectionRenderer::breakZoneHere(Zone &zone, double &used)
{
    const double room = m_director->availableHeight();
    const bool fresh = atFreshPage();
    bool any = false;
    used = 0;
    for (TessarinItem *item : qAsConst(zone.items)) {
        const double top = itemTopInZone(item, zone);
        if (!item->isAbleToBreak()) {
            // Items that cannot break print whole on this page.
            const double bottom = top + item->realMetricSize().height();
            if (bottom <= room + lengthEpsilon)
                used = std::max(used, bottom);
            continue;
        }
        const double answer = breakItem(item, room - top, m_output, fresh);
        if (answer > 0) {
            any = true;
            used = std::max(used, top + answer);
        }
    }
    return any;
}

bool TessarinSectionRenderer::continueBrokenZone(Zone &zone)
{
    const double spacing = m_director->reportDef()->option().zoneSpacing();
    auto anyBroken = [&zone]() {
        return std::any_of(zone.items.cbegin(), zone.items.cend(),
                           [](const TessarinItem *item) { return item->isAbleToBreak() && item->isBroken(); });
    };
    while (anyBroken()) {
        m_director->setLastSection(m_section);
        if (!m_director->pageBreak(false, true) || m_director->isStopped())
            break;
        const double room = m_director->availableHeight();
        const QPointF origin(m_director->posX(), m_director->posY());
        double largest = 0;
        for (TessarinItem *item : qAsConst(zone.items)) {
            if (!item->isAbleToBreak() || !item->isBroken())
                continue;
            // Outputs may paint every page on a device of its own: the rest is
            // measured on the new page's.
            item->setAdjusted(false);
            item->adjustSize(m_output);
            const double answer = breakItem(item, room, m_output, true);
            if (answer <= 0 || cannotBePlaced(item, answer, true)) {
                failTooLarge();
                return false;
            }
            // The rest starts at the top of the new page.
            const QPointF designed = item->metricPos();
            item->setMetricPos(QPointF(designed.x(), 0));
            item->setZoneMetricSize(QSizeF(sectionWidth(), answer));
            paintItem(item, origin);
            item->setMetricPos(designed);
            largest = std::max(largest, answer);

            // Frames and rules that stretch with the text follow it.
            for (TessarinItem *frame : qAsConst(zone.items)) {
                if (frame == item || !stretchesWithText(frame))
                    continue;
                frame->setBoundingRectOfLastPart(item->boundingRectOfLastPart());
                frame->setZoneMetricSize(QSizeF(sectionWidth(), answer));
                paintItem(frame, origin);
            }
        }
        m_director->advanceY(largest + spacing);
    }
    clearLastParts(zone);
    return !m_director->isStopped();
}

void TessarinSectionRenderer::clearLastParts(const Zone &zone)
{
    for (TessarinItem *item : zone.items) {
        if (stretchesWithText(item))
            item->setBoundingRectOfLastPart(QRectF());
    }
}
