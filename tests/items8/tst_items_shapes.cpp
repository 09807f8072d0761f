// Lines, rectangles and ellipses: painted into an image at 10 pixels per
// millimetre and checked at chosen pixels; their elements read and written.

#include "itemtestutil.h"

#include "tessarindef.h"
#include "tessarinellipseitem.h"
#include "tessarinevaluator.h"
#include "tessarinlineitem.h"
#include "tessarinrectitem.h"
#include "tessarinsection.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QtTest>

#include <memory>

namespace {

const QColor Red(255, 0, 0);
const QColor Blue(0, 0, 255);
const QColor Green(0, 255, 0);
const QColor White(255, 255, 255);

// Pixel at a point given in millimetres (10 px per mm).
QColor at(const ImageTestOutput &out, double xMM, double yMM)
{
    return out.image.pixelColor(qRound(xMM * 10), qRound(yMM * 10));
}

bool isColour(const QColor &c, const QColor &expected)
{
    return qAbs(c.red() - expected.red()) < 40 && qAbs(c.green() - expected.green()) < 40
        && qAbs(c.blue() - expected.blue()) < 40;
}

#define QVERIFY_COLOUR(out, x, y, colour)                                                                    \
    QVERIFY2(isColour(at(out, x, y), colour),                                                                \
             qPrintable(QStringLiteral("(%1, %2) mm is %3").arg(x).arg(y).arg(at(out, x, y).name())))

// Number of pixels of a colour along a horizontal run, in pixels.
int runLength(const ImageTestOutput &out, int y, int x0, int x1, const QColor &colour)
{
    int n = 0;
    for (int x = x0; x <= x1; ++x)
        n += isColour(out.image.pixelColor(x, y), colour) ? 1 : 0;
    return n;
}

template <typename T>
std::unique_ptr<T> makeShape(TessarinDef *def, QPointF pos, QSizeF size, const QColor &line, double widthMM,
                             const QBrush &brush = QBrush())
{
    auto item = std::make_unique<T>(def);
    item->setMetricPos(pos);
    item->setMetricSize(size);
    item->setPen(QPen(line));
    item->setLineWidth(widthMM);
    item->setBrush(brush);
    return item;
}

QString writeItem(TessarinItem *item)
{
    QString xml;
    TessarinXMLWriter writer(&xml);
    item->write(&writer);
    return xml.trimmed();
}

} // namespace

class TestShapeItems : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void rectangleFillAndBorder();
    void roundedCorners();
    void cosmeticPens();
    void fitToRoles_data();
    void fitToRoles();
    void rectangleFollowsSplitText();
    void lineFitToZoneEitherOrder();
    void lineFitToPageFooterAndSection();
    void linePinnedRight();
    void ellipseKeepsItsHeight();
    void dynamicColoursAndWidth();
    void nonDrawingOutputsOnlyRender();
    void rowBackground();
    void elementsReadAndWritten();

private:
    std::unique_ptr<TessarinDef> m_def;
    std::unique_ptr<ImageTestOutput> m_out;
};

void TestShapeItems::init()
{
    m_def = std::make_unique<TessarinDef>();
    TessarinPageOption &o = m_def->option();
    o.setPaperSize(QStringLiteral("CUSTOM"), QSizeF(100, 100));
    o.setTopMarginMM(5);
    o.setBottomMarginMM(10);
    o.setLeftMarginMM(5);
    o.setRightMarginMM(8);
    m_out = std::make_unique<ImageTestOutput>();
    m_out->begin();
}

void TestShapeItems::rectangleFillAndBorder()
{
    auto rect = makeShape<TessarinRectItem>(m_def.get(), {10, 10}, {30, 20}, Blue, 1.0, QBrush(Red));
    rect->paint(m_out.get(), QPointF(5, 5));
    m_out->end();
    // Origin (5, 5) + position (10, 10): 15..45 x 15..35 mm, border 1 mm on the edge.
    QVERIFY_COLOUR(*m_out, 30, 25, Red);
    QVERIFY_COLOUR(*m_out, 15, 25, Blue);
    QVERIFY_COLOUR(*m_out, 45, 25, Blue);
    QVERIFY_COLOUR(*m_out, 30, 15, Blue);
    QVERIFY_COLOUR(*m_out, 30, 35, Blue);
    QVERIFY_COLOUR(*m_out, 30, 36, White);
    QVERIFY_COLOUR(*m_out, 14, 25, White);
    // The border is 1 mm = 10 px wide, centred on the edge.
    QCOMPARE(runLength(*m_out, 250, 130, 170, Blue), 10);
    QCOMPARE(m_out->rendered.size(), 1);
    QCOMPARE(m_out->rendered.first().second, QRectF(150, 150, 300, 200));
}

void TestShapeItems::roundedCorners()
{
    auto square = makeShape<TessarinRectItem>(m_def.get(), {5, 5}, {40, 40}, Blue, 0.5, QBrush(Red));
    auto rounded = makeShape<TessarinRectItem>(m_def.get(), {55, 5}, {40, 40}, Blue, 0.5, QBrush(Red));
    rounded->setRoundX(0);
    rounded->setRoundY(20);
    square->paint(m_out.get(), QPointF());
    rounded->paint(m_out.get(), QPointF());
    m_out->end();
    // Just inside the top-left corner: filled when square, outside the arc
    // when rounded (20 % of the half side: a 4 mm radius, on both axes).
    QVERIFY_COLOUR(*m_out, 5.6, 5.6, Red);
    QVERIFY_COLOUR(*m_out, 55.6, 5.6, White);
    QVERIFY_COLOUR(*m_out, 56.5, 25, Red);
    QVERIFY_COLOUR(*m_out, 75, 5, Blue);
    QVERIFY_COLOUR(*m_out, 55, 25, Blue);
    QVERIFY_COLOUR(*m_out, 55.3, 5.3, White);
}

void TestShapeItems::cosmeticPens()
{
    // 0.04 mm is 0.4 px: rounded to 0, which Qt draws as a one-pixel
    // cosmetic line rather than nothing.
    auto rect = makeShape<TessarinRectItem>(m_def.get(), {10, 10}, {30, 20}, Blue, 0.04);
    auto ellipse = makeShape<TessarinEllipseItem>(m_def.get(), {50, 10}, {30, 20}, Blue, 0.04);
    auto line = makeShape<TessarinLineItem>(m_def.get(), {10, 60}, {0, 0}, Blue, 0.04);
    line->setEndPos(QPointF(80, 60));
    QPainter *p = m_out->painter();
    p->setRenderHint(QPainter::Antialiasing, false);
    rect->paint(m_out.get(), QPointF());
    ellipse->paint(m_out.get(), QPointF());
    line->paint(m_out.get(), QPointF());
    m_out->end();
    // One pixel wide, in the pen's colour.
    QCOMPARE(runLength(*m_out, 200, 90, 110, Blue), 1);
    int lineRows = 0;
    for (int y = 590; y <= 610; ++y)
        lineRows += isColour(m_out->image.pixelColor(400, y), Blue) ? 1 : 0;
    QCOMPARE(lineRows, 1);
    QCOMPARE(runLength(*m_out, 200, 490, 510, Blue), 1);
}

void TestShapeItems::fitToRoles_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("autoHeight");
    QTest::addColumn<double>("bottomMM");
    // Item at y 10 (origin 0) with a designed height of 5 mm; section 50 mm,
    // zone 30 mm, page 100 mm with a 10 mm bottom margin and a 12 mm footer.
    QTest::newRow("none") << int(TessarinItem::NoFit) << true << 15.0;
    QTest::newRow("section") << int(TessarinItem::FitToSection) << true << 50.0;
    QTest::newRow("zone") << int(TessarinItem::FitToZone) << true << 40.0;
    QTest::newRow("page footer") << int(TessarinItem::FitToPageFooter) << true << 78.0;
    QTest::newRow("zone without autoHeight") << int(TessarinItem::FitToZone) << false << 15.0;
}

void TestShapeItems::fitToRoles()
{
    QFETCH(int, role);
    QFETCH(bool, autoHeight);
    QFETCH(double, bottomMM);

    m_def->addPageFooter()->setMetricHeight(12);
    auto rect = makeShape<TessarinRectItem>(m_def.get(), {20, 10}, {40, 5}, Red, 0.1, QBrush(Red));
    rect->setAutoHeight(autoHeight);
    rect->setFitRole(TessarinItem::FitRole(role));
    rect->setRealMetricSize(QSizeF(40, 5));
    rect->setSectionMetricSize(QSizeF(100, 50));
    rect->setZoneMetricSize(QSizeF(100, 30));
    rect->paint(m_out.get(), QPointF());
    m_out->end();
    QVERIFY_COLOUR(*m_out, 40, 10.5, Red);
    QVERIFY_COLOUR(*m_out, 40, bottomMM - 0.5, Red);
    QVERIFY_COLOUR(*m_out, 40, bottomMM + 0.5, White);
    QCOMPARE(m_out->rendered.first().second.bottom(), bottomMM * 10);
}

void TestShapeItems::rectangleFollowsSplitText()
{
    // A frame around a split text takes the geometry of the text's last
    // part on this page, whatever its fit role says.
    auto rect = makeShape<TessarinRectItem>(m_def.get(), {20, 10}, {40, 5}, Red, 0.1, QBrush(Red));
    rect->setAutoHeight(true);
    rect->setFitRole(TessarinItem::FitToSection);
    rect->setSectionMetricSize(QSizeF(100, 50));
    rect->setBoundingRectOfLastPart(QRectF(0, 300, 500, 200)); // pixels: 30..50 mm
    rect->paint(m_out.get(), QPointF());
    m_out->end();
    QVERIFY_COLOUR(*m_out, 40, 25, White);
    QVERIFY_COLOUR(*m_out, 40, 35, Red);
    QVERIFY_COLOUR(*m_out, 40, 49, Red);
    QVERIFY_COLOUR(*m_out, 40, 52, White);
    QVERIFY_COLOUR(*m_out, 62, 40, White); // the width stays the rectangle's
}

void TestShapeItems::lineFitToZoneEitherOrder()
{
    // Stored bottom-up or top-down, a vertical line in a 30 mm zone ends
    // 30 mm below its upper end.
    auto downward = makeShape<TessarinLineItem>(m_def.get(), {20, 10}, {}, Blue, 0.5);
    downward->setEndPos(QPointF(20, 15));
    auto upward = makeShape<TessarinLineItem>(m_def.get(), {60, 15}, {}, Blue, 0.5);
    upward->setEndPos(QPointF(60, 10));
    for (TessarinLineItem *l : {downward.get(), upward.get()}) {
        l->setAutoHeight(true);
        l->setFitRole(TessarinItem::FitToZone);
        l->setZoneMetricSize(QSizeF(100, 30));
        l->paint(m_out.get(), QPointF());
    }
    m_out->end();
    for (double x : {20.0, 60.0}) {
        QVERIFY_COLOUR(*m_out, x, 10.5, Blue);
        QVERIFY_COLOUR(*m_out, x, 39.5, Blue);
        QVERIFY_COLOUR(*m_out, x, 41, White);
        QVERIFY_COLOUR(*m_out, x, 9, White);
    }
    QCOMPARE(m_out->rendered.at(1).second, QRectF(QPointF(600, 400), QPointF(600, 100)));
}

void TestShapeItems::lineFitToPageFooterAndSection()
{
    m_def->addPageFooter()->setMetricHeight(12);
    auto toFooter = makeShape<TessarinLineItem>(m_def.get(), {20, 10}, {}, Blue, 0.5);
    toFooter->setEndPos(QPointF(20, 12));
    toFooter->setAutoHeight(true);
    toFooter->setFitRole(TessarinItem::FitToPageFooter);
    auto toSection = makeShape<TessarinLineItem>(m_def.get(), {40, 12}, {}, Blue, 0.5);
    toSection->setEndPos(QPointF(40, 10));
    toSection->setAutoHeight(true);
    toSection->setFitRole(TessarinItem::FitToSection);
    toSection->setSectionMetricSize(QSizeF(100, 50));
    toFooter->paint(m_out.get(), QPointF());
    toSection->paint(m_out.get(), QPointF(0, 5));
    m_out->end();
    // Page 100 - bottom margin 10 - footer 12.
    QVERIFY_COLOUR(*m_out, 20, 77.5, Blue);
    QVERIFY_COLOUR(*m_out, 20, 79, White);
    // Section origin 5 + section height 50: the upper end (stored second)
    // decides where the section's bottom is.
    QVERIFY_COLOUR(*m_out, 40, 54.5, Blue);
    QVERIFY_COLOUR(*m_out, 40, 56, White);
}

void TestShapeItems::linePinnedRight()
{
    auto line = makeShape<TessarinLineItem>(m_def.get(), {30, 20}, {}, Blue, 0.5);
    line->setEndPos(QPointF(10, 20));
    line->setPinToRight(true);
    line->paint(m_out.get(), QPointF(5, 0));
    m_out->end();
    // The end with the larger x moves to page width 100 - right margin 8.
    QVERIFY_COLOUR(*m_out, 15.5, 20, Blue);
    QVERIFY_COLOUR(*m_out, 91.5, 20, Blue);
    QVERIFY_COLOUR(*m_out, 93, 20, White);
    QVERIFY_COLOUR(*m_out, 14, 20, White);
    QCOMPARE(m_out->rendered.first().second.topLeft(), QPointF(920, 200));
}

void TestShapeItems::ellipseKeepsItsHeight()
{
    auto ellipse = makeShape<TessarinEllipseItem>(m_def.get(), {10, 10}, {40, 20}, Blue, 1.0, QBrush(Green));
    ellipse->setAutoHeight(true);
    ellipse->setRealMetricSize(QSizeF(40, 20));
    ellipse->setFitRole(TessarinItem::FitToSection);
    ellipse->setSectionMetricSize(QSizeF(100, 90));
    ellipse->paint(m_out.get(), QPointF());
    m_out->end();
    QVERIFY_COLOUR(*m_out, 30, 20, Green);  // centre
    QVERIFY_COLOUR(*m_out, 11, 11, White);  // outside the curve at the box corner
    QVERIFY_COLOUR(*m_out, 30, 10, Blue);   // top of the curve
    QVERIFY_COLOUR(*m_out, 30, 30, Blue);   // bottom: 20 mm high, not stretched
    QVERIFY_COLOUR(*m_out, 30, 40, White);
}

void TestShapeItems::dynamicColoursAndWidth()
{
    m_def->addParameter(QStringLiteral("line"), QStringLiteral("#00ff00"));
    m_def->addParameter(QStringLiteral("fill"), QStringLiteral("blue"));
    m_def->addParameter(QStringLiteral("width"), QStringLiteral("2"));
    TessarinEvaluator evaluator(m_def.get());
    auto rect = makeShape<TessarinRectItem>(m_def.get(), {10, 10}, {40, 30}, Red, 0.2, QBrush(Red));
    rect->setDynLineColor(QStringLiteral("$P{line}"));
    rect->setDynFillColor(QStringLiteral("$P{fill}"));
    rect->setDynLineWidth(QStringLiteral("$P{width}"));
    rect->updateValue(m_out.get(), &evaluator);
    QCOMPARE(rect->pen().color(), Green);
    QCOMPARE(rect->brush().color(), Blue);
    QCOMPARE(rect->lineWidth(), 2.0);
    rect->paint(m_out.get(), QPointF());
    m_out->end();
    QVERIFY_COLOUR(*m_out, 30, 25, Blue);
    QVERIFY_COLOUR(*m_out, 10, 25, Green);
    QCOMPARE(runLength(*m_out, 250, 80, 120, Green), 20);

    // A text that names no colour gives an invalid colour; a later record
    // keeps what the previous one set for expressions left empty.
    m_def->addParameter(QStringLiteral("line"), QStringLiteral("no such colour"));
    rect->setDynFillColor(QString());
    rect->updateValue(m_out.get(), &evaluator);
    QVERIFY(!rect->pen().color().isValid());
    QCOMPARE(rect->brush().color(), Blue);
}

void TestShapeItems::nonDrawingOutputsOnlyRender()
{
    for (auto type : {TessarinOutput::TextOutput, TessarinOutput::HtmlOutput, TessarinOutput::NullOutput}) {
        ImageTestOutput out(type);
        out.begin();
        auto rect = makeShape<TessarinRectItem>(m_def.get(), {10, 10}, {40, 30}, Red, 1, QBrush(Red));
        auto line = makeShape<TessarinLineItem>(m_def.get(), {10, 50}, {}, Red, 1);
        line->setEndPos(QPointF(60, 50));
        auto ellipse = makeShape<TessarinEllipseItem>(m_def.get(), {10, 60}, {40, 30}, Red, 1, QBrush(Red));
        rect->paint(&out, QPointF());
        line->paint(&out, QPointF());
        ellipse->paint(&out, QPointF());
        out.end();
        QVERIFY_COLOUR(out, 30, 25, White);
        QVERIFY_COLOUR(out, 30, 50, White);
        QVERIFY_COLOUR(out, 30, 75, White);
        QCOMPARE(out.rendered.size(), 3);
        QCOMPARE(out.rendered.at(0).second, QRectF(100, 100, 400, 300));
    }
}

void TestShapeItems::rowBackground()
{
    std::unique_ptr<TessarinRectItem> bg(
        TessarinRectItem::createRowBackground(m_def.get(), QColor(230, 230, 230), 87, 8, false));
    bg->paint(m_out.get(), QPointF(5, 20));
    std::unique_ptr<TessarinRectItem> zoned(
        TessarinRectItem::createRowBackground(m_def.get(), QColor(200, 0, 0), 87, 8, true));
    zoned->setZoneMetricSize(QSizeF(87, 15));
    zoned->paint(m_out.get(), QPointF(5, 50));
    m_out->end();
    QVERIFY_COLOUR(*m_out, 6, 21, QColor(230, 230, 230));
    QVERIFY_COLOUR(*m_out, 91.5, 27.5, QColor(230, 230, 230));
    QVERIFY_COLOUR(*m_out, 93, 24, White);
    QVERIFY_COLOUR(*m_out, 50, 28.5, White);
    // No pen: the fill reaches the edge and nothing darker frames it.
    QVERIFY_COLOUR(*m_out, 5.05, 24, QColor(230, 230, 230));
    QVERIFY_COLOUR(*m_out, 50, 64.5, QColor(200, 0, 0));
    QVERIFY_COLOUR(*m_out, 50, 65.5, White);
}

void TestShapeItems::elementsReadAndWritten()
{
    for (const char *name : {"line", "rectangle", "ellipse"})
        QVERIFY(TessarinXMLRegistry::hasItem(QLatin1String(name)));

    // A line: end points, no brush, no size; "fitTo"="none" leaves NoFit.
    std::unique_ptr<TessarinItem> created(TessarinXMLRegistry::createItem(QStringLiteral("line"), m_def.get()));
    auto *line = dynamic_cast<TessarinLineItem *>(created.get());
    QVERIFY(line);
    QCOMPARE(line->objectType(), TessarinItem::LineObject);
    SingleElementReader lineReader(QStringLiteral(
        "<line id=\"l1\" fromX=\"1\" fromY=\"2\" toX=\"3.5\" toY=\"40\" lineColor=\"#ff0000\" lineStyle=\"dash\""
        " fillColor=\"#00ff00\" fillStyle=\"solid\" lineWidth=\"0.5\" fitTo=\"none\" autoHeight=\"true\""
        " dynLineColor=\"$P{c}\">ignored</line>"));
    QVERIFY(line->read(&lineReader));
    QVERIFY(lineReader.xml().isEndElement());
    QCOMPARE(line->metricPos(), QPointF(1, 2));
    QCOMPARE(line->endPos(), QPointF(3.5, 40));
    QCOMPARE(line->pen().style(), Qt::DashLine);
    QCOMPARE(line->brush().style(), Qt::NoBrush);
    QCOMPARE(line->lineWidth(), 0.5);
    QCOMPARE(line->fitRole(), TessarinItem::NoFit);
    const QString lineXml = writeItem(line);
    QVERIFY2(lineXml.startsWith(QStringLiteral("<line ")), qPrintable(lineXml));
    for (const char *attr : {"fromX=\"1", "toY=\"40", "lineStyle=\"dash\"", "fitTo=\"none\"", "dynLineColor=\"$P{c}\""})
        QVERIFY2(lineXml.contains(QLatin1String(attr)), qPrintable(lineXml));
    for (const char *attr : {"fillStyle", "fillColor", "width=", "height=", "posX"})
        QVERIFY2(!lineXml.contains(QLatin1String(attr)), qPrintable(lineXml));

    // A rectangle: roundness written only when set, "fitTo" only with autoHeight.
    TessarinRectItem rect(m_def.get());
    SingleElementReader rectReader(QStringLiteral(
        "<rectangle posX=\"5\" posY=\"6\" width=\"20\" height=\"10\" roundX=\"0\" roundY=\"20\" fitTo=\"zone\""
        " fillStyle=\"solid\" fillColor=\"#0000ff\"/>"));
    QVERIFY(rect.read(&rectReader));
    QCOMPARE(rect.fitRole(), TessarinItem::FitToZone);
    QCOMPARE(rect.roundY(), 20);
    QCOMPARE(rect.brush().color(), Blue);
    QCOMPARE(rect.lineWidth(), 0.2); // no "lineWidth": the default stays
    QString rectXml = writeItem(&rect);
    QVERIFY(rectXml.startsWith(QStringLiteral("<rectangle ")));
    QVERIFY(rectXml.contains(QStringLiteral("roundY=\"20\"")));
    QVERIFY(!rectXml.contains(QStringLiteral("roundX")));
    QVERIFY(!rectXml.contains(QStringLiteral("fitTo")));
    QVERIFY(rectXml.contains(QStringLiteral("fillColor=\"#0000ff\"")));
    rect.setAutoHeight(true);
    rectXml = writeItem(&rect);
    QVERIFY(rectXml.contains(QStringLiteral("fitTo=\"zone\"")));

    TessarinRectItem again(m_def.get());
    SingleElementReader againReader(rectXml);
    QVERIFY(again.read(&againReader));
    QCOMPARE(again.metricPos(), QPointF(5, 6));
    QCOMPARE(again.metricSize(), QSizeF(20, 10));
    QCOMPARE(again.roundY(), 20);
    QCOMPARE(again.fitRole(), TessarinItem::FitToZone);
    QVERIFY(again.isAutoHeight());

    std::unique_ptr<TessarinItem> ellipse(TessarinXMLRegistry::createItem(QStringLiteral("ellipse"), m_def.get()));
    QVERIFY(dynamic_cast<TessarinEllipseItem *>(ellipse.get()));
    QVERIFY(writeItem(ellipse.get()).startsWith(QStringLiteral("<ellipse ")));
}

QTEST_MAIN(TestShapeItems)
#include "tst_items_shapes.moc"
