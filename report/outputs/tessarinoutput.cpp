#include "tessarinoutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTransform>
#include <QWidget>

#include <algorithm>
#include <limits>

TessarinOutput::TessarinOutput(QObject *parent)
    : QObject(parent)
{
}

TessarinOutput::~TessarinOutput()
{
    // Subclasses end their painter while their device still exists; this
    // only catches a painter installed from outside on a device we don't own.
    delete m_painter;
}

QWidget *TessarinOutput::parentWidget() const
{
    return m_parentWidget.data();
}

void TessarinOutput::setParentWidget(QWidget *widget)
{
    m_parentWidget = widget;
}

void TessarinOutput::setPageFromTo(int from, int to)
{
    m_pageFrom = from;
    m_pageTo = to;
}

bool TessarinOutput::isPageInRange(int page) const
{
    if (page == 0)
        page = 1;
    if (!m_pageIntervals.isEmpty()) {
        // First interval that starts after the page; the one before it is the only candidate.
        auto it = std::upper_bound(m_pageIntervals.cbegin(), m_pageIntervals.cend(), page,
                                   [](int p, const QPair<int, int> &iv) { return p < iv.first; });
        if (it == m_pageIntervals.cbegin() || (it - 1)->second < page)
            return false;
    }
    return page >= m_pageFrom && page <= m_pageTo;
}

QList<int> TessarinOutput::pageRangeList() const
{
    QList<int> pages;
    for (const auto &iv : m_pageIntervals) {
        const int last = std::min(iv.second, m_pageTo);
        for (int p = iv.first; p <= last; ++p) {
            pages.append(p);
            if (p == std::numeric_limits<int>::max())
                break;
        }
    }
    return pages;
}

void TessarinOutput::setPageRangeList(const QList<int> &pages)
{
    m_pageIntervals.clear();
    for (int p : pages)
        addToPageRangeList(p);
}

void TessarinOutput::setPageRanges(const QString &text)
{
    m_pageIntervals.clear();
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &rawPart : parts) {
        const QString part = rawPart.trimmed();
        if (part.isEmpty())
            continue;
        // Texts that are not numbers count as 0.
        if (part.contains(QLatin1Char('-'))) {
            const int from = part.section(QLatin1Char('-'), 0, 0).trimmed().toInt();
            const int to = part.section(QLatin1Char('-'), 1).trimmed().toInt();
            addToPageRangeList(from, to);
        } else {
            addToPageRangeList(part.toInt());
        }
    }
}

void TessarinOutput::addToPageRangeList(int page)
{
    addToPageRangeList(page, page);
}

void TessarinOutput::addToPageRangeList(int from, int to)
{
    if (from > to)
        return;
    // Insert in order, then merge with overlapping or touching neighbours.
    QPair<int, int> added(from, to);
    auto pos = std::lower_bound(m_pageIntervals.begin(), m_pageIntervals.end(), added);
    int index = int(pos - m_pageIntervals.begin());
    m_pageIntervals.insert(index, added);
    if (index > 0 && qint64(m_pageIntervals[index - 1].second) + 1 >= from)
        --index;
    while (index + 1 < m_pageIntervals.size()
           && qint64(m_pageIntervals[index].second) + 1 >= m_pageIntervals[index + 1].first) {
        m_pageIntervals[index].second =
            std::max(m_pageIntervals[index].second, m_pageIntervals[index + 1].second);
        m_pageIntervals.remove(index + 1);
    }
}

bool TessarinOutput::rotationSwapsSides() const
{
    return m_rotationAngle == 90 || m_rotationAngle == 270 || m_rotationAngle == -90;
}

void TessarinOutput::setFlagPrintStarted(bool on)
{
    m_flagPrintStarted = on;
    if (on)
        m_pageOpenedByBegin = false;
}

QSizeF TessarinOutput::devicePageSizeMM() const
{
    const QSizeF size = m_option.pageSizeMM();
    return rotationSwapsSides() ? size.transposed() : size;
}

void TessarinOutput::setCopies(int copies)
{
    m_copies = copies;
}

void TessarinOutput::setFileName(const QString &fileName)
{
    m_fileName = fileName;
}

void TessarinOutput::renderItem(TessarinItem *, const QRectF &)
{
}

int TessarinOutput::resolution() const
{
    return int(m_scale.dpi());
}

void TessarinOutput::setResolution(int dpi)
{
    m_scale.setDpi(dpi);
}

QPaintDevice *TessarinOutput::device() const
{
    return nullptr;
}

bool TessarinOutput::renderSection(TessarinSection *, TessarinEvaluator *)
{
    return false;
}

void TessarinOutput::sectionStarts(TessarinSection *, TessarinEvaluator *)
{
}

void TessarinOutput::sectionEnds(TessarinSection *, TessarinEvaluator *)
{
}

void TessarinOutput::setOutput(TessarinOutput::OutputType type)
{
    m_outputType = type;
}

void TessarinOutput::setPainter(QPainter *painter)
{
    if (painter == m_painter)
        return;
    deletePainter();
    m_painter = painter;
}

void TessarinOutput::deletePainter()
{
    if (!m_painter)
        return;
    if (m_painter->isActive())
        m_painter->end();
    delete m_painter;
    m_painter = nullptr;
}

void TessarinOutput::rotatePainter(QPainter *painter)
{
    if (!painter || !hasValidRotationAngle())
        return;
    // The report's own page, as the layout sees it (already in its orientation).
    const double w = m_scale.mmToRealPixel(m_option.pageWidthMM());
    const double h = m_scale.mmToRealPixel(m_option.pageHeightMM());
    QTransform t;
    switch (m_rotationAngle) {
    case 90:
        t.translate(h, 0);
        break;
    case 180:
        t.translate(w, h);
        break;
    default: // 270, -90
        t.translate(0, w);
        break;
    }
    t.rotate(m_rotationAngle);
    painter->setTransform(t);
}

void TessarinOutput::customizePainter(QPainter *)
{
}

bool TessarinOutput::hasValidRotationAngle() const
{
    return m_rotationAngle == 90 || m_rotationAngle == 180 || m_rotationAngle == 270
        || m_rotationAngle == -90;
}

void TessarinOutput::setErrorText(const QString &text)
{
    if (m_errorText.isEmpty())
        m_errorText = text;
}

void TessarinOutput::setFileError(const QString &fileName, const QString &reason)
{
    QString why = reason.trimmed();
    while (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    setErrorText(QCoreApplication::translate("TessarinOutput", "Cannot write file %1:\n%2.")
                     .arg(QDir::toNativeSeparators(fileName), why));
}

bool TessarinOutput::openForWriting(QFile &file)
{
    if (file.fileName().isEmpty()) {
        setFileError(QString(), QCoreApplication::translate("TessarinOutput", "No file name is set"));
        return false;
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        setFileError(file.fileName(), file.errorString());
        return false;
    }
    return true;
}

bool TessarinOutput::absorbNewPage()
{
    const bool absorb = m_pageOpenedByBegin;
    m_pageOpenedByBegin = false;
    return absorb;
}

bool TessarinOutput::beginPainterOn(QPaintDevice *device, QPainter::RenderHints hints,
                                    bool carryState)
{
    if (m_painter && m_painter->isActive())
        endPainterKeepState();
    if (!m_painter)
        m_painter = new QPainter;
    if (!device || !m_painter->begin(device))
        return false;
    m_painter->setRenderHints(hints);
    if (carryState) {
        m_painter->setPen(m_carriedPen);
        m_painter->setBrush(m_carriedBrush);
        m_painter->setFont(m_carriedFont);
    }
    rotatePainter(m_painter);
    customizePainter(m_painter);
    return true;
}

void TessarinOutput::endPainterKeepState()
{
    if (!m_painter || !m_painter->isActive())
        return;
    m_carriedPen = m_painter->pen();
    m_carriedBrush = m_painter->brush();
    m_carriedFont = m_painter->font();
    m_painter->end();
}

void TessarinOutput::installDiscardPainter()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    if (m_discardImage.isNull())
        m_discardImage = QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
    // Same resolution as the real device, so text still measures the same.
    const int dpm = qRound(m_scale.dpi() / 0.0254);
    m_discardImage.setDotsPerMeterX(dpm);
    m_discardImage.setDotsPerMeterY(dpm);
    if (!m_painter)
        m_painter = new QPainter;
    m_painter->begin(&m_discardImage);
}
