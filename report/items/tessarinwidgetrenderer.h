#ifndef TESSARINWIDGETRENDERER_H
#define TESSARINWIDGETRENDERER_H

#include "tessaringraphrenderer.h"

#include <QPointer>
#include <QWidget>

// Prints a live widget of the application (a chart widget, a form) into a graph item.
class TESSARIN2_EXPORT TessarinWidgetRenderer : public TessarinGraphRenderer
{
public:
    explicit TessarinWidgetRenderer(QWidget *widget = nullptr) : m_widget(widget) {}

    QWidget *widget() const { return m_widget.data(); }
    void setWidget(QWidget *widget) { m_widget = widget; }
    // Size used for measuring when no widget is set.
    QSizeF baseSize() const { return m_baseSize; }
    void setBaseSize(const QSizeF &size) { m_baseSize = size; }
    Qt::AspectRatioMode scaleMode() const { return m_scaleMode; }
    void setScaleMode(Qt::AspectRatioMode mode) { m_scaleMode = mode; }

    void paintItem(QPainter *painter, TessarinOutput *output, const QRectF &rect,
                   const QString &definition) override;
    double calculateHeightMM(TessarinOutput *output) override;
    QSizeF calculateSizeMM(TessarinOutput *output, const QSizeF &size) override;
    using TessarinGraphRenderer::calculateSizeMM;

private:
    QPointer<QWidget> m_widget; // the application's; a deleted widget prints nothing
    QSizeF m_baseSize;
    Qt::AspectRatioMode m_scaleMode = Qt::KeepAspectRatio;
};

#endif // TESSARINWIDGETRENDERER_H
