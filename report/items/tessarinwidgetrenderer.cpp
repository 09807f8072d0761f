#include "tessarinwidgetrenderer.h"

#include "tessarinitem.h"
#include "tessarinoutput.h"
#include "tessarinscale.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {

int desktopDpi()
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        return qMax(1, int(screen->logicalDotsPerInchX()));
    return 96;
}

// Output pixels per screen pixel, as a whole number (never 0).
int resolutionFactor(TessarinOutput *output)
{
    return qMax(1, output->resolution() / desktopDpi());
}


} // namespace

void TessarinWidgetRenderer::paintItem(QPainter *painter, TessarinOutput *output, const QRectF &rect,
                                       const QString &)
{
    if (!m_widget || !painter || !output || !TessarinItem::drawsOn(output))
        return;
    const int r = resolutionFactor(output);
    const QSize target = m_widget->size().scaled((rect.size() / r).toSize(), m_scaleMode);
    if (target.isEmpty())
        return;
    m_widget->resize(target);
    painter->save();
    painter->translate(rect.topLeft());
    painter->scale(r, r);
    m_widget->render(painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter->restore();
}

double TessarinWidgetRenderer::calculateHeightMM(TessarinOutput *output)
{
    if (!m_widget || !output)
        return 0;
    return output->scale().pixelToMM(m_widget->height() * resolutionFactor(output));
}

QSizeF TessarinWidgetRenderer::calculateSizeMM(TessarinOutput *output, const QSizeF &size)
{
    if (!output)
        return QSizeF();
    const int type = output->outputType();
    if (type != TessarinOutput::PreviewOutput && type != TessarinOutput::PrinterOutput
        && type != TessarinOutput::PdfOutput)
        return QSizeF();
    const TessarinScale scale = output->scale();
    const QSizeF source = m_widget ? QSizeF(m_widget->size()) : m_baseSize;
    if (source.isEmpty())
        return QSizeF();
    const QSizeF scaled = source.scaled(scale.mmToSize(size), m_scaleMode);
    return scale.sizeToMM(scaled);
}
