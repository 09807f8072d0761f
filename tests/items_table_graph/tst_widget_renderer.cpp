#include "tablegraphtestutil.h"
#include "tessarinwidgetrenderer.h"

#include <QWidget>
#include <QtTest>

// A live widget printed through the widget renderer: scaled into the item's
// rectangle on page outputs, left out elsewhere, and measured for automatic height.
class TestWidgetRenderer : public QObject
{
    Q_OBJECT
private slots:
    void paintsScaledIntoRectangle();
    void nonPageOutputsDrawNothing();
    void measuring();
};

namespace {
QWidget *redWidget(QSize size)
{
    auto *w = new QWidget;
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::red);
    w->setPalette(p);
    w->resize(size);
    return w;
}
}

void TestWidgetRenderer::paintsScaledIntoRectangle()
{
    QScopedPointer<QWidget> widget(redWidget(QSize(100, 50)));
    TessarinWidgetRenderer renderer(widget.data());
    ImageTestOutput out(96);
    out.begin();
    // Keep aspect ratio: a 400 x 400 rectangle takes a 400 x 200 widget.
    renderer.paintItem(out.painter(), &out, QRectF(100, 100, 400, 400), QString());
    out.end();
    QCOMPARE(widget->size(), QSize(400, 200));
    QCOMPARE(QColor(out.image().pixel(110, 110)), QColor(Qt::red));
    QCOMPARE(QColor(out.image().pixel(490, 290)), QColor(Qt::red));
    QCOMPARE(QColor(out.image().pixel(300, 310)), QColor(Qt::white));
    QCOMPARE(QColor(out.image().pixel(90, 110)), QColor(Qt::white));

    // A deleted widget prints nothing instead of crashing.
    widget.reset();
    ImageTestOutput again(96);
    again.begin();
    renderer.paintItem(again.painter(), &again, QRectF(100, 100, 400, 400), QString());
    again.end();
    QCOMPARE(again.countPixels(qRgb(255, 0, 0)), 0);
}

void TestWidgetRenderer::nonPageOutputsDrawNothing()
{
    QScopedPointer<QWidget> widget(redWidget(QSize(100, 50)));
    TessarinWidgetRenderer renderer(widget.data());
    ImageTestOutput html(96, TessarinOutput::HtmlOutput);
    html.begin();
    renderer.paintItem(html.painter(), &html, QRectF(0, 0, 400, 400), QString());
    html.end();
    QCOMPARE(html.countPixels(qRgb(255, 0, 0)), 0);
}

void TestWidgetRenderer::measuring()
{
    QScopedPointer<QWidget> widget(redWidget(QSize(96, 48)));
    TessarinWidgetRenderer renderer(widget.data());
    ImageTestOutput pdf(96, TessarinOutput::PdfOutput);
    // 48 px at 96 dpi is half an inch.
    QCOMPARE(renderer.calculateHeightMM(&pdf), 12.7);
    const QSizeF size = renderer.calculateSizeMM(&pdf, QSizeF(50.8, 50.8));
    QVERIFY(qAbs(size.width() - 50.8) < 0.3);
    QVERIFY(qAbs(size.height() - 25.4) < 0.3);
    // Only preview, printer and PDF outputs are measured.
    ImageTestOutput svg(96, TessarinOutput::SvgOutput);
    QVERIFY(!renderer.calculateSizeMM(&svg, QSizeF(50, 50)).isValid());

    TessarinWidgetRenderer noWidget;
    QCOMPARE(noWidget.calculateHeightMM(&pdf), 0.0);
    noWidget.setBaseSize(QSizeF(200, 100));
    const QSizeF base = noWidget.calculateSizeMM(&pdf, QSizeF(50.8, 50.8));
    QVERIFY(qAbs(base.height() - 25.4) < 0.3);
}

QTEST_MAIN(TestWidgetRenderer)
#include "tst_widget_renderer.moc"
