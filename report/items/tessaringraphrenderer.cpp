#include "tessaringraphrenderer.h"

#include "tessaringraphitem.h"

TessarinGraphRenderer::~TessarinGraphRenderer() = default;

void TessarinGraphRenderer::paintItem(QPainter *, TessarinOutput *, const QRectF &, const QString &)
{
}

void TessarinGraphRenderer::paintEditorItem(QPainter *painter, const QRectF &rect, const QString &)
{
    if (auto *graph = dynamic_cast<TessarinGraphItem *>(m_item))
        graph->paintEditor(painter, rect);
}

double TessarinGraphRenderer::calculateHeightMM(TessarinOutput *)
{
    return 0;
}

QSizeF TessarinGraphRenderer::calculateSizeMM(TessarinOutput *, const QSizeF &, const QString &)
{
    return QSizeF();
}

QSizeF TessarinGraphRenderer::calculateSizeMM(TessarinOutput *, const QSizeF &)
{
    return QSizeF();
}

QString TessarinGraphRenderer::dataSourceID() const
{
    return QStringLiteral("n/a");
}

bool TessarinGraphRenderer::isValidLocation(int) const
{
    return true;
}
