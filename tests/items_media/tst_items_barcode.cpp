// The barcode item: the generator's command line, Code 128 and QR symbols
// made by the real zint and painted, the SVG interpreter, a generator that
// is missing, hangs or fails, and the element's round trip.

#include "mediatestutil.h"

#include "tessarinbarcodeitem.h"
#include "tessarindef.h"
#include "tessarinevaluator.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Share of the clearly dark or light pixels of rect (sampled every step
// columns) on which image agrees with Qt's own rendering of the same SVG.
double agreementWithQtSvg(const QImage &image, const QByteArray &svg, const QRectF &symbol, const QRect &rect)
{
    QImage reference(image.size(), QImage::Format_ARGB32);
    reference.fill(Qt::white);
    QPainter painter(&reference);
    QSvgRenderer(svg).render(&painter, symbol);
    painter.end();
    int compared = 0, agreed = 0;
    for (int y = rect.top(); y <= rect.bottom(); y += 7) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb want = reference.pixel(x, y);
            if (is('d', want) || is('w', want)) {
                ++compared;
                agreed += is('d', want) == is('d', image.pixel(x, y)) ? 1 : 0;
            }
        }
    }
    return compared > 500 ? double(agreed) / compared : 0;
}

} // namespace

class TestBarcodeItem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void arguments_data();
    void arguments();
    void code128Painted();
    void rotatedSymbol();
    void qrCodePainted();
    void generatorFailures();
    void interpreter();
    void readWriteRoundTrip();
    void dynamicValueRegeneratesOnChange();

private:
    // A stand-in generator: a shell script named zint in a directory of its own.
    QString fakeGenerator(const QString &name, const QByteArray &script);

    QTemporaryDir m_dir;
};

QString TestBarcodeItem::fakeGenerator(const QString &name, const QByteArray &script)
{
    QDir(m_dir.path()).mkdir(name);
    QFile file(m_dir.filePath(name + QStringLiteral("/zint")));
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n" + script);
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return m_dir.filePath(name);
}

void TestBarcodeItem::arguments_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("defaults") << "" << "--barcode=20 --direct --filetype=svg --data=V";
    QTest::newRow("options in order")
        << "heightRatio='12' whiteSpace='4' borderType='2' borderWidth='3' foreColor='#ff0000' backColor='#00ff00' "
           "rotation='90' cols='2' vers='3' secure='4' primary='P' mode='5' scale='2.5'"
        << "--barcode=20 --direct --filetype=svg --height=12 --whitesp=4 --box --border=3 --fg=ff0000 --bg=00ff00 "
           "--rotate=90 --cols=2 --vers=3 --secure=4 --primary=P --mode=5 --data=V";
    QTest::newRow("bind, black on white") << "borderType='1' borderWidth='2' foreColor='#000000'"
                                          << "--barcode=20 --direct --filetype=svg --bind --border=2 --data=V";
    QTest::newRow("Maxicode") << "barcodeType='57'" << "--barcode=57 --direct --filetype=svg --scale=10 --data=V";
    QTest::newRow("QR reads a file") << "barcodeType='58'" << "--barcode=58 --direct --filetype=svg --input=/t/in";
}

void TestBarcodeItem::arguments()
{
    QFETCH(QString, attributes);
    QFETCH(QString, expected);
    TessarinBarcodeItem item;
    if (!attributes.contains(QLatin1String("barcodeType")))
        attributes += QStringLiteral(" barcodeType='20'");
    SingleElementReader reader(QStringLiteral("<barcode %1/>").arg(attributes));
    item.read(&reader);
    item.setValue(QStringLiteral("V"));
    QCOMPARE(item.zintArguments(QStringLiteral("/t/in")).join(QLatin1Char(' ')), expected);
}

void TestBarcodeItem::code128Painted()
{
    TessarinDef def;
    def.setZintPath(QString()); // found on the search path
    TessarinBarcodeItem item(&def);
    SingleElementReader reader(
        QStringLiteral("<barcode barcodeType='20' code='12345' posX='10' posY='10' width='60' height='30'/>"));
    item.read(&reader);
    QVERIFY2(item.svgData().startsWith("<?xml"), qPrintable(item.errorText()));
    MediaTestOutput out;
    item.paint(&out, QPointF(0, 0));
    QCOMPARE(out.rendered, QList<QRectF>{QRectF(100, 100, 600, 300)});
    const QImage page = out.snapshot();

    // 158 x 119 units into 600 x 300 pixels: the height sets the factor.
    const double r = 300.0 / 119;
    const QRectF symbol(100, 100, 158 * r, 300);
    QVERIFY(agreementWithQtSvg(page, item.svgData(), symbol, QRect(101, 105, int(158 * r) - 2, int(95 * r))) > 0.98);
    QVERIFY(is('d', page.pixel(103, 150)));
    QCOMPARE(inkIn(page, QRect(int(symbol.right()) + 3, 0, 1000, 1000)), 0);
    // The text sits under the bars (they end at 100 units).
    const QRect textBand(100, int(100 + 102 * r), int(158 * r), int(16 * r));
    QVERIFY(inkIn(page, textBand) > 50);

    MediaTestOutput noText;
    item.setShowText(false);
    item.paint(&noText, QPointF(0, 0));
    QCOMPARE(inkIn(noText.snapshot(), textBand), 0);
    MediaTestOutput null(TessarinOutput::NullOutput);
    item.paint(&null, QPointF(0, 0));
    QCOMPARE(null.rendered.size(), 1);
    QCOMPARE(inkIn(null.snapshot(), null.image.rect()), 0);
}

void TestBarcodeItem::rotatedSymbol()
{
    // The generator turns the symbol; its text comes with a rotate()
    // transform that the drawing applies.
    TessarinBarcodeItem item;
    item.setBarcodeType(20);
    item.setRotation(90);
    item.setValue(QStringLiteral("12345"));
    QVERIFY2(item.update_barcode(), qPrintable(item.errorText()));
    const QImage image = item.toImage(QSize(119 * 3, 158 * 3));
    QVERIFY(agreementWithQtSvg(image, item.svgData(), image.rect(), QRect(60, 1, 290, 470)) > 0.98);
    // The text runs down the left edge around y = 79 units, beside the bars.
    QVERIFY(inkIn(image, QRect(0, 165, 51, 30)) > 0);
    QVERIFY(inkIn(image, QRect(0, 279, 51, 30)) > 0);
    QCOMPARE(inkIn(image, QRect(0, 0, 51, 120)), 0);
}

void TestBarcodeItem::qrCodePainted()
{
    const QStringList before = QDir::temp().entryList({QStringLiteral("barcodetext_*")});
    TessarinDef def;
    TessarinBarcodeItem item(&def);
    SingleElementReader reader(
        QStringLiteral("<barcode barcodeType='58' code='12345' posX='10' posY='10' width='42' height='42'/>"));
    item.read(&reader);
    QVERIFY2(!item.svgData().isEmpty(), qPrintable(item.errorText()));
    // The data file is private to the run and gone afterwards.
    QCOMPARE(QDir::temp().entryList({QStringLiteral("barcodetext_*")}), before);

    MediaTestOutput out;
    item.paint(&out, QPointF(0, 0));
    const QImage page = out.snapshot();
    // 21 modules of 20 pixels; each finder: dark ring, light ring, dark
    // centre, light separator.
    for (const QPoint corner : {QPoint(100, 100), QPoint(380, 100), QPoint(100, 380)}) {
        QVERIFY(is('d', page.pixel(corner + QPoint(10, 10))));
        QVERIFY(is('w', page.pixel(corner + QPoint(30, 30))));
        QVERIFY(is('d', page.pixel(corner + QPoint(70, 70))));
        QVERIFY(is('w', page.pixel(corner + QPoint(150, 70))));
    }
    QCOMPARE(inkIn(page, QRect(525, 0, 475, 1000)), 0);

    // Text beyond Latin-1 reaches the generator unchanged (it adds an ECI).
    item.setValue(QStringLiteral("Grüße, 東京"));
    QVERIFY2(item.update_barcode(), qPrintable(item.errorText()));
}

void TestBarcodeItem::generatorFailures()
{
    TessarinDef def;
    def.setZintPath(QStringLiteral("/opt/zint"));
    TessarinBarcodeItem item(&def);
    QCOMPARE(item.zintProgram(), QStringLiteral("/opt/zint/zint"));
    def.setZintPath(QString());
    QCOMPARE(item.zintProgram(), QStringLiteral("zint"));
    item.setBarcodeType(20);
    item.setValue(QStringLiteral("111"));
    item.setMetricSize(QSizeF(40, 20));
    QVERIFY(item.update_barcode());

    // The generator disappears: the next value must not print the old symbol.
    def.setZintPath(m_dir.filePath(QStringLiteral("nowhere")));
    QSignalSpy notFound(&def, SIGNAL(zintNotFound()));
    item.setValue(QStringLiteral("a b; $(touch x) 'q'"));
    QVERIFY(!item.update_barcode());
    QCOMPARE(notFound.count(), 1);
    QVERIFY(item.svgData().isEmpty());
    QVERIFY2(item.errorText().contains(QLatin1String("nowhere/zint")), qPrintable(item.errorText()));
    MediaTestOutput out;
    item.paint(&out, QPointF(0, 0));
    QCOMPARE(out.rendered.size(), 1);
    QCOMPARE(inkIn(out.snapshot(), out.image.rect()), 0);
    // Where errors are shown (designer, toImage) the reason is written.
    QVERIFY(inkIn(item.toImage(QSize(300, 100)), QRect(0, 0, 300, 100)) > 0);

    // A generator that hangs is stopped.
    def.setZintPath(fakeGenerator(QStringLiteral("hang"), "exec sleep 60\n"));
    item.setProcessTimeout(300);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!item.update_barcode());
    QVERIFY(timer.elapsed() < 10000);
    QVERIFY2(item.errorText().contains(QLatin1String("300 ms")), qPrintable(item.errorText()));

    // A failing one is quoted, and its arguments arrived as they are: no
    // shell in between. Success without output is a failure too.
    def.setZintPath(fakeGenerator(QStringLiteral("fail"), "echo \"Error 9: $#\" >&2\necho \"$4\" >&2\nexit 5\n"));
    QVERIFY(!item.update_barcode());
    QCOMPARE(item.errorText(), QStringLiteral("Error 9: 4\n--data=a b; $(touch x) 'q'"));
    def.setZintPath(fakeGenerator(QStringLiteral("silent"), "exit 0\n"));
    QVERIFY(!item.update_barcode() && !item.errorText().isEmpty());

    // The real generator would print Code 128 for an unknown symbology.
    def.setZintPath(QString());
    item.setBarcodeType(999);
    QVERIFY(!item.update_barcode());
    QVERIFY2(item.errorText().contains(QLatin1String("out of range")), qPrintable(item.errorText()));

    // An empty value runs nothing and draws nothing.
    def.setZintPath(m_dir.filePath(QStringLiteral("nowhere")));
    item.setValue(QString());
    QVERIFY(!item.update_barcode());
    QCOMPARE(notFound.count(), 1);
    QCOMPARE(inkIn(item.toImage(QSize(300, 100)), QRect(0, 0, 300, 100)), 0);
}

void TestBarcodeItem::interpreter()
{
    TessarinBarcodeItem item;
    item.setBarcodeType(20);
    item.setValue(QStringLiteral("x"));
    item.setSvgData("<svg width='100' height='50'><g fill='#ff0000'><rect x='0' y='0' width='50' height='50'/></g>"
                    "<rect x='50' y='0' width='25' height='50' fill='#0000ff'/><rect x='75' width='25' height='50'/>"
                    "<desc>ignored</desc><circle r='9'/></svg>");
    // 100 x 50 into 200 x 50: the height limits the factor to 1, into
    // 400 x 400 the width to 4. Outside its group a rectangle is black.
    checkPixels(item.toImage(QSize(200, 50)), "25,25:r 60,25:b 90,25:d 150,25:w");
    checkPixels(item.toImage(QSize(400, 400)), "190,190:r 390,190:d 200,210:w");

    const auto text = [](int type, const QByteArray &anchor, const QByteArray &content) {
        TessarinBarcodeItem t;
        t.setBarcodeType(type);
        t.setValue(QStringLiteral("x"));
        t.setSvgData("<svg width='200' height='40'><g fill='#0000ff'><text x='100' y='30' font-family='Helvetica, "
                     "sans-serif' font-size='20'" + anchor + ">\n  " + content + "\n  </text></g></svg>");
        return t.toImage(QSize(200, 40));
    };
    const QImage centred = text(20, QByteArray(), "WWWW");
    QVERIFY(inkIn(centred, QRect(0, 0, 100, 40)) > 20 && inkIn(centred, QRect(100, 0, 100, 40)) > 20);
    QCOMPARE(inkIn(text(20, " text-anchor='end'", "WWWW"), QRect(102, 0, 98, 40)), 0);
    // Code 93 drops its two check characters from the text.
    QCOMPARE(text(25, QByteArray(), "WWWWXY"), text(20, QByteArray(), "WWWW"));

    // A foreign root element and generator errors draw nothing on reports.
    for (const QByteArray &bad : {QByteArray("<html><rect width='9' height='9'/></html>"),
                                  QByteArray("Error 778: No input data")}) {
        item.setSvgData(bad);
        QImage image(100, 50, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QVERIFY(!item.render(&painter, QRectF(0, 0, 100, 50), false));
        painter.end();
        QCOMPARE(inkIn(image, image.rect()), 0);
    }
    QVERIFY(inkIn(item.toImage(QSize(200, 60)), QRect(0, 0, 200, 60)) > 0);
}

void TestBarcodeItem::readWriteRoundTrip()
{
    TessarinDef def;
    TessarinBarcodeItem item(&def);
    SingleElementReader reader(QStringLiteral(
        "<barcode barcodeType='EANX' code='501234567890' heightFactor='5' heightRatio='10' whiteSpace='2' "
        "borderType='2' borderWidth='3' foreColor='#102030' scale='1.5' rotation='180' showText='false' "
        "width='30' height='20'>$P{code}</barcode>"));
    item.read(&reader);
    QCOMPARE(item.barcodeType(), 13);
    QCOMPARE(item.heightFactor(), 10);
    QVERIFY(!item.showText());
    // A static code is generated on reading.
    QVERIFY2(item.svgData().startsWith("<?xml"), qPrintable(item.errorText()));

    const QString written = writtenElement(item);
    for (const char *expected : {"barcodeType=\"13\"", "code=\"501234567890\"", "heightRatio=\"10\"",
                                 "whiteSpace=\"2\"", "borderType=\"2\"", "borderWidth=\"3\"", "foreColor=\"#102030\"",
                                 "scale=\"1.50\"", "rotation=\"180\"", "showText=\"false\"", ">$P{code}<"})
        QVERIFY2(written.contains(QLatin1String(expected)), qPrintable(written));
    for (const char *absent : {"heightFactor", "backColor", "cols=", "primary="})
        QVERIFY2(!written.contains(QLatin1String(absent)), qPrintable(written));

    TessarinBarcodeItem copy(&def);
    SingleElementReader again(written);
    copy.read(&again);
    QCOMPARE(copy.zintArguments(), item.zintArguments());
    QCOMPARE(copy.scale(), 1.5);
    copy.setBorderType(0);
    QVERIFY(!writtenElement(copy).contains(QLatin1String("border")));
}

void TestBarcodeItem::dynamicValueRegeneratesOnChange()
{
    const QString log = m_dir.filePath(QStringLiteral("runs.log"));
    const QString zint = QStandardPaths::findExecutable(QStringLiteral("zint"));
    TessarinDef def;
    def.setZintPath(fakeGenerator(QStringLiteral("count"),
                                  "echo run >> '" + log.toUtf8() + "'\nexec '" + zint.toUtf8() + "' \"$@\"\n"));
    auto *rows = new MemoryRows({QStringLiteral("111"), QStringLiteral("111"), QStringLiteral("222")}, &def);
    def.addDataSource(rows);
    TessarinBarcodeItem item(&def);
    SingleElementReader reader(QStringLiteral("<barcode barcodeType='20' resource='datasource'>ds.v</barcode>"));
    item.read(&reader);
    TessarinEvaluator evaluator(&def);
    QByteArray first;
    for (int record = 0; record < 3; ++record, rows->next()) {
        item.updateValue(nullptr, &evaluator);
        QVERIFY2(!item.svgData().isEmpty(), qPrintable(item.errorText()));
        first = record == 0 ? item.svgData() : first;
    }
    QVERIFY(item.svgData() != first);
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count('\n'), 2);
}

QTEST_MAIN(TestBarcodeItem)
#include "tst_items_barcode.moc"
