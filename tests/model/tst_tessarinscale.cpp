#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

#include "tessarinscale.h"

class TestTessarinScale : public QObject
{
    Q_OBJECT
private slots:
    void construction();
    void conversions_data();
    void conversions();
    void fontSizes();
    void roundingOfNegativeValues();
};

void TestTessarinScale::construction()
{
    TessarinScale screen;
    const double desktop = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    QCOMPARE(screen.dpi(), desktop);
    QCOMPARE(screen.screenDpi(), int(desktop));

    TessarinScale printer(1200);
    QCOMPARE(printer.screenDpi(), 96);
    QCOMPARE(printer.screenToDeviceDpiFactor(), 12.5);

    // The trim factor is stored only; the resolution is not recomputed.
    printer.setTrimFactor(2.0);
    QCOMPARE(printer.dpi(), 1200.0);

}

void TestTessarinScale::conversions_data()
{
    QTest::addColumn<double>("dpi");
    QTest::addColumn<double>("mm");
    QTest::addColumn<int>("pixels");
    QTest::newRow("96 inch") << 96.0 << 25.4 << 96;
    QTest::newRow("96 A4 width") << 96.0 << 210.0 << 794;   // 793.70
    QTest::newRow("300 inch") << 300.0 << 25.4 << 300;
    QTest::newRow("300 A4 height") << 300.0 << 297.0 << 3508; // 3507.87
    QTest::newRow("300 tenth mm") << 300.0 << 0.1 << 1;     // 1.18
    QTest::newRow("1200 inch") << 1200.0 << 25.4 << 1200;
    QTest::newRow("1200 margin") << 1200.0 << 15.0 << 709;  // 708.66
}

void TestTessarinScale::conversions()
{
    QFETCH(double, dpi);
    QFETCH(double, mm);
    QFETCH(int, pixels);
    const TessarinScale s(dpi);
    QCOMPARE(s.mmToPixel(mm), pixels);
    QCOMPARE(s.mmToRealPixel(mm), mm * dpi / 25.4);
    QCOMPARE(s.mmToPoint(QPointF(mm, 2 * mm)), QPointF(pixels, s.mmToPixel(2 * mm)));
    QCOMPARE(s.mmToSize(QSizeF(mm, mm)), QSizeF(pixels, pixels));

    // Back to millimetres without rounding.
    QCOMPARE(s.pixelToMM(s.mmToRealPixel(mm)), mm);
    QCOMPARE(s.pixelToMM(pixels), pixels / dpi * 25.4);
    QCOMPARE(s.pointToMM(QPointF(pixels, 0)), QPointF(pixels / dpi * 25.4, 0));
    QCOMPARE(s.sizeToMM(QSizeF(dpi, dpi)), QSizeF(25.4, 25.4));
}

void TestTessarinScale::fontSizes()
{
    QCOMPARE(TessarinScale(96).fontPointSizeToPixel(10), 13);   // 13.33
    QCOMPARE(TessarinScale(300).fontPointSizeToPixel(10), 42);  // 41.67
    QCOMPARE(TessarinScale(1200).fontPointSizeToPixel(10), 167); // 166.67
    QCOMPARE(TessarinScale(1200).fontPointSizeToPixel(72), 1200);
    // 2.8346 points per millimetre, not 72/25.4, so the inverse is not exact 72.
    QVERIFY(qAbs(TessarinScale(96).fontPixelSizeToPoint(96) - 25.4 * 2.8346) < 1e-9);
}

void TestTessarinScale::roundingOfNegativeValues()
{
    const TessarinScale s(25.4); // one pixel per millimetre
    QCOMPARE(s.mmToPixel(-2.5), -2);
    QCOMPARE(s.mmToPixel(-2.6), -3);
    QCOMPARE(s.mmToPixel(2.5), 3);
    QCOMPARE(s.mmToPoint(QPointF(-0.5, -1.5)), QPointF(0, -1));
}

QTEST_MAIN(TestTessarinScale)
#include "tst_tessarinscale.moc"
