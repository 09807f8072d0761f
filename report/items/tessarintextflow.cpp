#include "tessarintextflow_p.h"

#include "tessarinscale.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPalette>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <limits>

namespace {

// The document layout draws, next to the lines inside its clip, the last
// line above it, and whole blocks with their markers and frames. A part of
// a split text must contain each line exactly once, also as text in a PDF,
// so the layout paints through this engine: it passes every drawing on to
// the real painter (which clips it to the band) but drops text whose
// baseline lies outside the band.
class BandFilterEngine : public QPaintEngine
{
public:
    BandFilterEngine(QPainter *target, double top, double bottom)
        : QPaintEngine(AllFeatures)
        , m_target(target)
        , m_base(target->transform())
        , m_top(top)
        , m_bottom(bottom)
    {
    }

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState &state) override
    {
        const DirtyFlags flags = state.state();
        if (flags & DirtyTransform) {
            m_transform = state.transform();
            m_target->setTransform(m_transform * m_base);
        }
        if (flags & DirtyPen)
            m_target->setPen(state.pen());
        if (flags & DirtyBrush)
            m_target->setBrush(state.brush());
        if (flags & DirtyBrushOrigin)
            m_target->setBrushOrigin(state.brushOrigin());
        if (flags & DirtyFont)
            m_target->setFont(state.font());
        if (flags & DirtyBackground)
            m_target->setBackground(state.backgroundBrush());
        if (flags & DirtyBackgroundMode)
            m_target->setBackgroundMode(state.backgroundMode());
        if (flags & DirtyHints)
            m_target->setRenderHints(state.renderHints());
        if (flags & DirtyCompositionMode)
            m_target->setCompositionMode(state.compositionMode());
        if (flags & DirtyOpacity)
            m_target->setOpacity(state.opacity());
        // Clips of the layout are left out: the band's clip on the real
        // painter is the one that matters.
    }

    using QPaintEngine::drawEllipse;
    using QPaintEngine::drawLines;
    using QPaintEngine::drawPoints;
    using QPaintEngine::drawPolygon;
    using QPaintEngine::drawRects;

    void drawRects(const QRectF *rects, int count) override { m_target->drawRects(rects, count); }
    void drawLines(const QLineF *lines, int count) override { m_target->drawLines(lines, count); }
    void drawEllipse(const QRectF &rect) override { m_target->drawEllipse(rect); }
    void drawPath(const QPainterPath &path) override { m_target->drawPath(path); }
    void drawPoints(const QPointF *points, int count) override { m_target->drawPoints(points, count); }
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        switch (mode) {
        case PolylineMode:
            m_target->drawPolyline(points, count);
            break;
        case ConvexMode:
            m_target->drawConvexPolygon(points, count);
            break;
        case WindingMode:
            m_target->drawPolygon(points, count, Qt::WindingFill);
            break;
        default:
            m_target->drawPolygon(points, count, Qt::OddEvenFill);
            break;
        }
    }
    void drawPixmap(const QRectF &rect, const QPixmap &pixmap, const QRectF &source) override
    {
        m_target->drawPixmap(rect, pixmap, source);
    }
    void drawTiledPixmap(const QRectF &rect, const QPixmap &pixmap, const QPointF &offset) override
    {
        m_target->drawTiledPixmap(rect, pixmap, offset);
    }
    void drawImage(const QRectF &rect, const QImage &image, const QRectF &source,
                   Qt::ImageConversionFlags flags) override
    {
        m_target->drawImage(rect, image, source, flags);
    }
    void drawTextItem(const QPointF &position, const QTextItem &item) override
    {
        const double baseline = m_transform.map(position).y();
        if (baseline >= m_top && baseline <= m_bottom)
            m_target->drawTextItem(position, item);
    }

private:
    QPainter *m_target;
    QTransform m_base;
    QTransform m_transform;
    double m_top;
    double m_bottom;
};

// A paint device with the metrics of the device the document was laid out
// on, painting through a BandFilterEngine.
class BandFilterDevice : public QPaintDevice
{
public:
    BandFilterDevice(QPainter *target, const QPaintDevice *metrics, double top, double bottom)
        : m_engine(target, top, bottom)
        , m_metrics(metrics)
    {
    }
    ~BandFilterDevice() override = default;

    QPaintEngine *paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        if (!m_metrics)
            return QPaintDevice::metric(m);
        switch (m) {
        case PdmWidth: return m_metrics->width();
        case PdmHeight: return m_metrics->height();
        case PdmWidthMM: return m_metrics->widthMM();
        case PdmHeightMM: return m_metrics->heightMM();
        case PdmNumColors: return m_metrics->colorCount();
        case PdmDepth: return m_metrics->depth();
        case PdmDpiX: return m_metrics->logicalDpiX();
        case PdmDpiY: return m_metrics->logicalDpiY();
        case PdmPhysicalDpiX: return m_metrics->physicalDpiX();
        case PdmPhysicalDpiY: return m_metrics->physicalDpiY();
        case PdmDevicePixelRatio: return m_metrics->devicePixelRatio();
        case PdmDevicePixelRatioScaled: return qRound(m_metrics->devicePixelRatioF() * devicePixelRatioFScale());
        }
        return QPaintDevice::metric(m);
    }

private:
    mutable BandFilterEngine m_engine;
    const QPaintDevice *m_metrics;
};

} // namespace

void TessarinTextFlow::reset()
{
    m_startBlock = m_startLine = m_lastBlock = m_lastLine = -1;
}

double TessarinTextFlow::blockTop(const QTextDocument *document, const QTextBlock &block)
{
    // The block rectangle carries the offsets of enclosing frames and table
    // cells. It costs a pass over the block's lines, so callers take it once
    // per block.
    return document->documentLayout()->blockBoundingRect(block).top();
}

TessarinTextFlow::LineBox TessarinTextFlow::lineBox(double blockTop, const QTextBlock &block, int line)
{
    // rect() has the exact height; height() is rounded up, and lines of a
    // paragraph follow each other at the exact heights.
    const QRectF lineRect = block.layout()->lineAt(line).rect();
    LineBox box;
    box.top = blockTop + lineRect.top();
    box.bottom = box.top + lineRect.height();
    return box;
}

double TessarinTextFlow::layoutMargin(const QTextDocument *document)
{
    if (!document)
        return 0;
    const double margin = document->documentMargin();
    QPaintDevice *device = document->documentLayout()->paintDevice();
    if (!device)
        return margin;
    // The layout scales the margin by the device resolution against the
    // screen's; the factor is not public, so one empty document laid out on
    // the same resolution tells it.
    struct Cache {
        double margin = -1;
        int dpi = 0;
        double pixels = 0;
    };
    thread_local Cache cache;
    const int dpi = device->logicalDpiY();
    if (cache.margin != margin || cache.dpi != dpi) {
        QTextDocument probe;
        probe.setDocumentMargin(margin);
        probe.documentLayout()->setPaintDevice(device);
        probe.setPlainText(QString());
        probe.documentLayout()->documentSize();
        cache.margin = margin;
        cache.dpi = dpi;
        cache.pixels = probe.documentLayout()->blockBoundingRect(probe.begin()).top();
    }
    return cache.pixels;
}

double TessarinTextFlow::breakTo(const QTextDocument *document, double heightMM,
                                 const TessarinScale &scale, bool freshPage)
{
    const Outcome failure = freshPage ? CannotBePlaced : NoRoom;
    if (heightMM < 0 || !document) {
        m_outcome = failure;
        return -1;
    }
    const int firstBlock = std::max(m_startBlock, 0);
    const int firstLine = std::max(m_startLine, 0);
    const double marginMM = scale.pixelToMM(layoutMargin(document));

    bool any = false;
    bool started = false;
    bool stopped = false;
    double top = 0;
    double bottom = 0;
    int lastBlock = -1;
    int lastLine = -1;
    for (QTextBlock block = document->findBlockByNumber(firstBlock); block.isValid() && !stopped;
         block = block.next()) {
        const QTextLayout *layout = block.layout();
        const int count = layout ? layout->lineCount() : 0;
        const int from = block.blockNumber() == firstBlock ? firstLine : 0;
        const double top0 = from < count ? blockTop(document, block) : 0;
        for (int i = from; i < count; ++i) {
            const LineBox box = lineBox(top0, block, i);
            if (!started) {
                top = box.top;
                bottom = box.top;
                started = true;
            }
            const double newBottom = std::max(bottom, box.bottom);
            if (heightMM < scale.pixelToMM(newBottom - top) + marginMM) {
                stopped = true;
                break;
            }
            bottom = newBottom;
            lastBlock = block.blockNumber();
            lastLine = i;
            any = true;
        }
    }

    if (!any) {
        // The remainder stays where it was: a page that cannot take one line
        // must not swallow the rest of the text.
        m_lastBlock = m_lastLine = -1;
        if (document->findBlockByNumber(firstBlock).isValid()) {
            m_outcome = failure;
        } else {
            // Nothing is left to print (the document shrank under us).
            reset();
            m_outcome = NotTried;
        }
        return -1;
    }
    m_startBlock = firstBlock;
    m_startLine = firstLine;
    m_lastBlock = lastBlock;
    m_lastLine = lastLine;
    m_outcome = stopped ? PartFits : RestFits;
    return std::min(scale.pixelToMM(bottom - top) + marginMM, heightMM);
}

QRectF TessarinTextFlow::paintPart(const QTextDocument *document, QPainter *painter,
                                   const QPointF &position, const QColor &textColor,
                                   bool measureOnly)
{
    if (!document || m_startBlock < 0)
        return QRectF();
    const double margin = layoutMargin(document);
    const int firstBlock = m_startBlock;
    const int firstLine = std::max(m_startLine, 0);
    int endBlock = m_lastBlock;
    int endLine = m_lastLine;
    if (endBlock < 0) {
        // No breakTo() before: the part is all that remains.
        endBlock = document->blockCount() - 1;
        endLine = std::numeric_limits<int>::max();
    }

    bool any = false;
    double top = 0;
    double bottom = 0;
    int paintedBlock = -1;
    int paintedLine = -1;
    bool closedBlock = false;
    for (QTextBlock block = document->findBlockByNumber(firstBlock);
         block.isValid() && block.blockNumber() <= endBlock; block = block.next()) {
        const QTextLayout *layout = block.layout();
        const int count = layout ? layout->lineCount() : 0;
        const int from = block.blockNumber() == firstBlock ? firstLine : 0;
        const int to = block.blockNumber() == endBlock ? std::min(endLine, count - 1) : count - 1;
        const double top0 = from <= to ? blockTop(document, block) : 0;
        for (int i = from; i <= to; ++i) {
            const LineBox box = lineBox(top0, block, i);
            if (!any) {
                top = box.top;
                bottom = box.bottom;
                any = true;
            } else {
                bottom = std::max(bottom, box.bottom);
            }
            paintedBlock = block.blockNumber();
            paintedLine = i;
            closedBlock = i == count - 1;
        }
    }

    const QTextBlock lastDocBlock = document->lastBlock();
    const bool finished = !any
        || (paintedBlock == lastDocBlock.blockNumber() && closedBlock);
    if (any && !measureOnly && painter)
        drawRegion(document, painter, QPointF(position.x(), position.y() + margin - top),
                   QRectF(0, top, document->size().width(), bottom - top), textColor);

    if (finished) {
        m_startBlock = m_startLine = -1;
    } else {
        m_startBlock = closedBlock ? paintedBlock + 1 : paintedBlock;
        m_startLine = closedBlock ? 0 : paintedLine + 1;
    }
    m_lastBlock = m_lastLine = -1;
    const double height = margin + (any ? bottom - top : 0);
    return QRectF(position, QSizeF(document->size().width(), height));
}

void TessarinTextFlow::drawRegion(const QTextDocument *document, QPainter *painter,
                                  const QPointF &origin, const QRectF &clip,
                                  const QColor &textColor)
{
    if (!document || !painter || !(clip.height() > 0) || !(clip.width() > 0))
        return;
    QAbstractTextDocumentLayout *layout = document->documentLayout();
    painter->save();
    painter->translate(origin);
    painter->setClipRect(clip, Qt::IntersectClip);
    {
        const QPaintDevice *metrics = layout->paintDevice() ? layout->paintDevice() : painter->device();
        BandFilterDevice filter(painter, metrics, clip.top(), clip.bottom());
        QPainter proxy(&filter);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, textColor);
        context.clip = clip;
        layout->draw(&proxy, context);
    }
    painter->restore();
}
