// The image item: picture sources, scaling and alignment checked at chosen
// pixels, the element's round trip, and the bounds on downloads and sizes.

#include "mediatestutil.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinimageitem.h"

#include <QApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray svgSquare = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">"
                             "<rect width=\"10\" height=\"10\" fill=\"#00ff00\"/></svg>";

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char ch : bytes) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? (crc >> 1) ^ 0xedb88320u : crc >> 1;
    }
    return ~crc;
}

// A PNG announcing width x height pixels with an empty data stream: the
// header tells the size, there is nothing to decode.
QByteArray pngHeader(quint32 width, quint32 height)
{
    QByteArray ihdr;
    QDataStream(&ihdr, QIODevice::WriteOnly) << width << height << quint8(8) << quint8(2) << quint16(0) << quint8(0);
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QDataStream file(&png, QIODevice::Append);
    for (const QByteArray &chunk : {"IHDR" + ihdr, QByteArray("IDAT\x78\x9c\x03\x00\x00\x00\x00\x01", 12),
                                    QByteArray("IEND")}) {
        file << quint32(chunk.size() - 4);
        file.writeRawData(chunk.constData(), chunk.size());
        file << crc32(chunk);
    }
    return png;
}

} // namespace

class TestImageItem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void fileSources();
    void scalingAndAlignment_data();
    void scalingAndAlignment();
    void svgPicture();
    void dataSourceColumns_data();
    void dataSourceColumns();
    void parameterSource();
    void readWriteRoundTrip();
    void toHtml();
    void downloads();
    void oversizedPicturesAreRefused();

private:
    QTemporaryDir m_dir;
    QProcess m_http;
    QString m_base; // URL of m_dir on the loopback server
};

void TestImageItem::initTestCase()
{
    QFile png(m_dir.filePath(QStringLiteral("halves.png")));
    QVERIFY(png.open(QIODevice::WriteOnly) && png.write(encoded(halvesImage())) > 0);
    png.close();
    QFile big(m_dir.filePath(QStringLiteral("big.b64")));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.write(QByteArray(5000, 'A')) > 0);
    big.close();

    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    m_base = QStringLiteral("http://127.0.0.1:%1/").arg(port);
    m_http.setWorkingDirectory(m_dir.path());
    m_http.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-m"), QStringLiteral("http.server"),
                                                      QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                                                      QString::number(port)});
    bool up = false;
    for (int i = 0; i < 100 && !up; ++i) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        up = socket.waitForConnected(100);
        if (!up)
            QTest::qWait(50);
    }
    QVERIFY2(up, "the HTTP server did not come up");
}

void TestImageItem::cleanupTestCase()
{
    m_http.kill();
    m_http.waitForFinished(5000);
}

void TestImageItem::fileSources()
{
    const QString path = m_dir.filePath(QStringLiteral("once.png"));
    QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("halves.png")), path));
    TessarinDef def;
    TessarinEvaluator evaluator(&def);
    TessarinImageItem item(&def);
    SingleElementReader reader(QStringLiteral("<image resource=\"file\" posX=\"10\" posY=\"10\" width=\"40\" "
                                              "height=\"20\" aspectRatio=\"ignore\">%1</image>").arg(path));
    item.read(&reader);
    // A fixed name is read with the definition, not again per record.
    QVERIFY(QFile::remove(path));
    MediaTestOutput out;
    item.updateValue(&out, &evaluator);
    item.paint(&out, QPointF(0, 0));
    QCOMPARE(out.rendered, QList<QRectF>{QRectF(100, 100, 400, 200)});
    checkPixels(out.snapshot(), QStringLiteral("150,200:r 450,200:b 95,200:w 505,200:w 300,305:w"));

    // Outputs that do not draw still receive the item.
    MediaTestOutput null(TessarinOutput::NullOutput);
    item.paint(&null, QPointF(0, 0));
    QCOMPARE(null.rendered.size(), 1);
    QCOMPARE(inkIn(null.snapshot(), null.image.rect()), 0);

    // A name with tokens is reloaded for every record.
    auto *rows = new MemoryRows({QStringLiteral("halves"), QStringLiteral("gone")});
    def.addDataSource(rows);
    TessarinImageItem perRecord(&def);
    perRecord.setSourceType(TessarinItem::File);
    perRecord.setText(m_dir.filePath(QStringLiteral("$D{ds.v}.png")));
    perRecord.updateValue(&out, &evaluator);
    QCOMPARE(perRecord.pixmap().size(), QSize(20, 10));
    rows->next();
    perRecord.updateValue(&out, &evaluator);
    QVERIFY(perRecord.pixmap().isNull());
}

void TestImageItem::scalingAndAlignment_data()
{
    QTest::addColumn<QString>("aspect");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QRectF>("target");
    QTest::addColumn<QString>("samples");
    // The 20 x 10 picture into the 40 x 40 mm box at (100, 100) pixels.
    QTest::newRow("ignore") << "ignore" << 0x21 << QRectF(100, 100, 400, 400) << "200,450:r 400,450:b";
    QTest::newRow("keep") << "keep" << 0x21 << QRectF(100, 100, 400, 200) << "200,200:r 400,200:b 300,305:w";
    QTest::newRow("keep bottom") << "keep" << 0x41 << QRectF(100, 300, 400, 200) << "200,400:r 300,295:w";
    QTest::newRow("keep centred") << "keep" << 0x84 << QRectF(100, 200, 400, 200) << "200,300:r 300,195:w 300,405:w";
    // Covering the box must not paint over the neighbours on the right.
    QTest::newRow("expand") << "expand" << 0x21 << QRectF(100, 100, 800, 400) << "110,110:r 490,490:r 600,300:w";
}

void TestImageItem::scalingAndAlignment()
{
    QFETCH(QString, aspect);
    QFETCH(int, alignment);
    QFETCH(QRectF, target);
    QFETCH(QString, samples);
    TessarinImageItem item;
    SingleElementReader reader(QStringLiteral("<image resource=\"file\" posX=\"10\" posY=\"10\" width=\"40\" "
                                              "height=\"40\" aspectRatio=\"%1\" alignment=\"%2\">%3</image>")
                                   .arg(aspect).arg(alignment).arg(m_dir.filePath(QStringLiteral("halves.png"))));
    item.read(&reader);
    MediaTestOutput out;
    item.paint(&out, QPointF(0, 0));
    QCOMPARE(out.rendered, QList<QRectF>{target});
    const QImage page = out.snapshot();
    checkPixels(page, samples);
    QCOMPARE(inkIn(page, QRect(505, 0, 495, 1000)), 0);
}

void TestImageItem::svgPicture()
{
    TessarinImageItem item;
    SingleElementReader reader(QStringLiteral("<image format=\"svg\" posX=\"10\" posY=\"10\" width=\"40\" "
                                              "height=\"20\" alignment=\"34\">%1</image>")
                                   .arg(QString::fromLatin1(svgSquare).toHtmlEscaped()));
    item.read(&reader);
    MediaTestOutput out;
    item.paint(&out, QPointF(0, 0));
    // Kept square and aligned right.
    QCOMPARE(out.rendered, QList<QRectF>{QRectF(300, 100, 200, 200)});
    checkPixels(out.snapshot(), QStringLiteral("400,200:g 200,200:w"));
    SingleElementReader again(writtenElement(item));
    TessarinImageItem copy;
    copy.read(&again);
    QCOMPARE(copy.svgData(), svgSquare);
}

void TestImageItem::dataSourceColumns_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QVariantList>("values");
    const QImage red = filledImage(Qt::red), blue = filledImage(Qt::blue);
    QTest::newRow("PNG bytes") << "bin" << QVariantList{encoded(red), encoded(blue), QByteArray()};
    QTest::newRow("JPEG bytes") << "bin" << QVariantList{encoded(red, "JPEG"), encoded(blue, "JPEG"), QVariant()};
    QTest::newRow("Base64 text") << "b64"
                                 << QVariantList{QString::fromLatin1(encoded(red).toBase64()),
                                                 QString::fromLatin1(encoded(blue).toBase64()), QString()};
    QTest::newRow("pixmaps") << "bin"
                             << QVariantList{QPixmap::fromImage(red), QPixmap::fromImage(blue), QPixmap()};
}

void TestImageItem::dataSourceColumns()
{
    QFETCH(QString, format);
    QFETCH(QVariantList, values);
    TessarinDef def;
    auto *rows = new MemoryRows(values);
    def.addDataSource(rows);
    TessarinEvaluator evaluator(&def);
    TessarinImageItem item(&def);
    SingleElementReader reader(QStringLiteral("<image resource=\"datasource\" format=\"%1\" posX=\"10\" posY=\"10\" "
                                              "width=\"20\" height=\"20\">ds.v</image>").arg(format));
    item.read(&reader);
    MediaTestOutput out;
    for (const char *expected : {"200,200:r", "200,200:b"}) {
        item.updateValue(&out, &evaluator);
        item.paint(&out, QPointF(0, 0));
        checkPixels(out.snapshot(), QLatin1String(expected));
        rows->next();
    }
    // A record without picture shows none, not the previous one.
    item.updateValue(&out, &evaluator);
    QVERIFY(item.pixmap().isNull());
    item.paint(&out, QPointF(0, 0));
    QCOMPARE(out.rendered.size(), 2);
}

void TestImageItem::parameterSource()
{
    TessarinDef def;
    def.addParameter(QStringLiteral("logo"), QPixmap::fromImage(filledImage(Qt::green, 6, 6)));
    TessarinImageItem item(&def);
    SingleElementReader reader(QStringLiteral("<image resource=\"param\" width=\"10\" height=\"10\">logo</image>"));
    item.read(&reader);
    QCOMPARE(item.pixmap().size(), QSize(6, 6));
    // A file name, and a parameter changed since the picture was loaded.
    def.addParameter(QStringLiteral("logo"), m_dir.filePath(QStringLiteral("halves.png")));
    TessarinEvaluator evaluator(&def);
    MediaTestOutput out;
    item.updateValue(&out, &evaluator);
    QCOMPARE(item.pixmap().size(), QSize(20, 10));
}

void TestImageItem::readWriteRoundTrip()
{
    // Embedded as Base64 of a BMP with format 0; written back as PNG.
    TessarinImageItem item;
    SingleElementReader reader(QStringLiteral("<image format=\"0\" htmlWidth=\"50%\" alignmentH=\"center\" "
                                              "alignmentV=\"bottom\">%1</image>")
                                   .arg(QString::fromLatin1(encoded(halvesImage(), "BMP").toBase64())));
    item.read(&reader);
    item.updateContent(); // loading again keeps the embedded picture
    QCOMPARE(item.pixmap().size(), QSize(20, 10));
    QCOMPARE(item.alignment(), Qt::AlignHCenter | Qt::AlignBottom);
    const QString written = writtenElement(item);
    for (const char *expected : {"aspectRatio=\"keep\"", "format=\"0\"", "htmlWidth=\"50%\"", "alignment=\"68\""})
        QVERIFY2(written.contains(QLatin1String(expected)), qPrintable(written));
    QVERIFY(!written.contains(QLatin1String("transformMode")));
    QVERIFY(written.contains(QString::fromLatin1(item.toBase64())));
    QVERIFY(QByteArray::fromBase64(item.toBase64()).startsWith("\x89PNG"));

    for (const char *format : {"b64", "1"}) {
        SingleElementReader again(QString(written).replace(QStringLiteral("format=\"0\""),
                                                           QStringLiteral("format=\"%1\"").arg(QLatin1String(format))));
        TessarinImageItem copy;
        copy.read(&again);
        QCOMPARE(copy.imageFormat(), TessarinImageData::B64);
        checkPixels(copy.pixmap().toImage(), QStringLiteral("2,5:r 17,5:b"));
        QVERIFY(writtenElement(copy).contains(QLatin1String("format=\"1\"")));
    }

    // Unknown values keep the defaults; column references go back unchanged.
    TessarinImageItem other;
    SingleElementReader r2(QStringLiteral("<image resource=\"urlfromds\" aspectRatio=\"odd\" format=\"tiff\" "
                                          "transformMode=\"smooth\">ds.address</image>"));
    other.read(&r2);
    QCOMPARE(other.aspectRatioMode(), Qt::KeepAspectRatio);
    QCOMPARE(other.imageFormat(), TessarinImageData::Bin);
    const QString w2 = writtenElement(other);
    QVERIFY2(w2.contains(QLatin1String("transformMode=\"smooth\"")) && w2.contains(QLatin1String(">ds.address<")),
             qPrintable(w2));
}

void TestImageItem::toHtml()
{
    TessarinImageItem item;
    item.setId(QStringLiteral("logo"));
    QCOMPARE(item.toHtml(), QByteArray("<!-- Invalid image. Item ID: logo -->"));
    item.setPixmap(QPixmap::fromImage(halvesImage()));
    item.setAlignment(Qt::AlignRight);
    QCOMPARE(item.toHtml(), "<div style=\"margin-top: 10px; margin-bottom: 10px;\" align=\"right\">"
                            "<img src=\"data:image/png;base64," + item.toBase64() + "\"  /></div>");
    item.setHtmlWidth("120");
    item.setHtmlHeight("40");
    QVERIFY(item.toHtml().endsWith("\" width=\"120\" height=\"40\"/></div>"));
}

void TestImageItem::downloads()
{
    TessarinDef def;
    auto *rows = new MemoryRows({m_base + QStringLiteral("halves.png"), m_base + QStringLiteral("missing.png")});
    def.addDataSource(rows);
    TessarinImageItem fixed(&def);
    SingleElementReader reader(QStringLiteral("<image resource=\"url\" posX=\"10\" posY=\"10\" width=\"40\" "
                                              "height=\"20\">%1halves.png</image>").arg(m_base));
    fixed.read(&reader);
    MediaTestOutput out;
    fixed.paint(&out, QPointF(0, 0));
    checkPixels(out.snapshot(), QStringLiteral("150,200:r 450,200:b"));

    TessarinImageItem fromColumn(&def);
    fromColumn.setSourceType(TessarinItem::UrlFromDataSource);
    fromColumn.setText(QStringLiteral("ds.v"));
    TessarinEvaluator evaluator(&def);
    fromColumn.updateValue(&out, &evaluator);
    QCOMPARE(fromColumn.pixmap().size(), QSize(20, 10));
    rows->next();
    fromColumn.updateValue(&out, &evaluator);
    QVERIFY(fromColumn.pixmap().isNull());
    QVERIFY(!fromColumn.loadError().isEmpty());

    // Too large, over the network and as a file.
    TessarinImageItem bounded;
    bounded.setImageFormat(TessarinImageData::B64);
    bounded.setMaxDownloadBytes(1000);
    bounded.setSourceType(TessarinItem::Url);
    bounded.setText(m_base + QStringLiteral("big.b64"));
    bounded.load();
    QVERIFY2(bounded.loadError().contains(QLatin1String("exceeds 1000")), qPrintable(bounded.loadError()));
    bounded.setSourceType(TessarinItem::File);
    bounded.setText(m_dir.filePath(QStringLiteral("big.b64")));
    QVERIFY(!bounded.load());
    QVERIFY(bounded.loadError().contains(QLatin1String("exceeds 1000")));

    // Too slow: a server that accepts and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    bounded.setSourceType(TessarinItem::Url);
    bounded.setText(QStringLiteral("http://127.0.0.1:%1/x.png").arg(silent.serverPort()));
    bounded.setDownloadTimeout(400);
    QElapsedTimer timer;
    timer.start();
    bounded.load();
    QVERIFY(timer.elapsed() < 5000);
    QVERIFY(bounded.pixmap().isNull() && !bounded.loadError().isEmpty());
}

void TestImageItem::oversizedPicturesAreRefused()
{
    // 16384 x 16385 is just over 2^28 pixels: refused from the header.
    QString error;
    QVERIFY(TessarinImageItem::decodeImage(pngHeader(16384, 16385), &error).isNull());
    QVERIFY2(error.contains(QLatin1String("16384 x 16385")), qPrintable(error));
    QCOMPARE(TessarinImageItem::decodeImage(encoded(halvesImage()), &error).size(), QSize(20, 10));
    // An SVG handed over as raster bytes is measured the same way.
    QVERIFY(TessarinImageItem::decodeImage("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"99999\" "
                                           "height=\"99999\"/>", &error).isNull());
    QVERIFY(error.contains(QLatin1String("too large")));

    QFile file(m_dir.filePath(QStringLiteral("huge.png")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(pngHeader(30000, 30000)) > 0);
    file.close();
    TessarinImageItem item;
    item.setSourceType(TessarinItem::File);
    item.setText(file.fileName());
    item.load();
    QVERIFY(item.pixmap().isNull());
    QVERIFY(item.loadError().contains(QLatin1String("30000 x 30000")));
}

QTEST_MAIN(TestImageItem)
#include "tst_items_image.moc"
