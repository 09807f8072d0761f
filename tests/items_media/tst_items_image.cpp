// The image item: picture sources, scaling and alignment checked at chosen
// pixels, the element's round trip, and the bounds on downloads and sizes.

#include "mediatestutil.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinimageitem.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

namespace {

QByteArray svgOfSize(int width, int height)
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\"><rect width=\"%1\" "
                          "height=\"%2\" fill=\"#00ff00\"/></svg>").arg(width).arg(height).toUtf8();
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
    void dataSourceColumns_data();
    void dataSourceColumns();
    void parameterSource();
    void readWriteRoundTrip();
    void downloads();
    void oversizedPicturesAreRefused();

private:
    QString writeFile(const QString &name, const QByteArray &bytes);

    QTemporaryDir m_dir;
    QProcess m_http;
    QString m_base; // URL of m_dir on the loopback server
};

QString TestImageItem::writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(m_dir.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return file.fileName();
}

void TestImageItem::initTestCase()
{
    writeFile(QStringLiteral("halves.png"), encoded(halvesImage()));
    writeFile(QStringLiteral("big.b64"), QByteArray(5000, 'A'));
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    m_base = QStringLiteral("http://127.0.0.1:%1/").arg(port);
    m_http.setWorkingDirectory(m_dir.path());
    m_http.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-m"), QStringLiteral("http.server"),
                                                      QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                                                      QString::number(port)});
    QTcpSocket socket;
    for (int i = 0; i < 100 && socket.state() != QAbstractSocket::ConnectedState; ++i) {
        QTest::qWait(50);
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.waitForConnected(100);
    }
    QVERIFY2(socket.state() == QAbstractSocket::ConnectedState, "the HTTP server did not come up");
}

void TestImageItem::cleanupTestCase()
{
    m_http.kill();
    m_http.waitForFinished(5000);
}

void TestImageItem::fileSources()
{
    const QString path = writeFile(QStringLiteral("once.png"), encoded(halvesImage()));
    TessarinDef def;
    TessarinEvaluator evaluator(&def);
    TessarinImageItem item(&def);
    SingleElementReader reader(QStringLiteral("<image resource=\"file\" width=\"20\" height=\"10\">%1</image>").arg(path));
    item.read(&reader);
    // A fixed name is read with the definition, not again per record.
    QFile::remove(path);
    MediaTestOutput null(TessarinOutput::NullOutput);
    item.updateValue(&null, &evaluator);
    QCOMPARE(item.pixmap().size(), QSize(20, 10));
    // Outputs that do not draw still receive the item.
    item.paint(&null, QPointF(0, 0));
    QCOMPARE(null.rendered.size(), 1);
    QCOMPARE(inkIn(null.snapshot(), null.image.rect()), 0);

    // A name with tokens is loaded anew for every record.
    auto *rows = new MemoryRows({QStringLiteral("halves"), QStringLiteral("gone")}, &def);
    def.addDataSource(rows);
    item.setText(m_dir.filePath(QStringLiteral("$D{ds.v}.png")));
    item.setPixmap(QPixmap());
    item.updateValue(&null, &evaluator);
    QCOMPARE(item.pixmap().size(), QSize(20, 10));
    rows->next();
    item.updateValue(&null, &evaluator);
    QVERIFY(item.pixmap().isNull());
}

void TestImageItem::scalingAndAlignment_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QRectF>("target");
    QTest::addColumn<QString>("samples");
    // The 20 x 10 picture into the 40 x 40 mm box at (100, 100) pixels.
    QTest::newRow("ignore") << "aspectRatio='ignore'" << QRectF(100, 100, 400, 400) << "200,450:r 400,450:b";
    QTest::newRow("keep") << "" << QRectF(100, 100, 400, 200) << "200,200:r 400,200:b 300,305:w";
    QTest::newRow("keep, bottom") << "alignment='65'" << QRectF(100, 300, 400, 200) << "200,400:r 300,295:w";
    QTest::newRow("keep, centred") << "alignment='132'" << QRectF(100, 200, 400, 200) << "200,300:r 300,405:w";
    // Covering the box, but not the neighbours on the right.
    QTest::newRow("expand") << "aspectRatio='expand'" << QRectF(100, 100, 800, 400) << "110,110:r 490,490:r";
    QTest::newRow("smooth") << "transformMode='smooth'" << QRectF(100, 100, 400, 200) << "150,200:r 450,200:b";
    // SVG keeps its own proportions and follows the alignment too.
    QTest::newRow("SVG, right") << "format='svg' alignment='34'" << QRectF(300, 100, 200, 400) << "400,300:g 200,300:w";
}

void TestImageItem::scalingAndAlignment()
{
    QFETCH(QString, attributes);
    QFETCH(QRectF, target);
    QFETCH(QString, samples);
    const bool svg = attributes.contains(QLatin1String("svg"));
    TessarinImageItem item;
    SingleElementReader reader(QStringLiteral("<image resource=\"file\" posX=\"10\" posY=\"10\" width=\"40\" "
                                              "height=\"40\" %1>%2</image>")
                                   .arg(attributes, svg ? writeFile(QStringLiteral("tall.svg"), svgOfSize(5, 10))
                                                        : m_dir.filePath(QStringLiteral("halves.png"))));
    item.read(&reader);
    MediaTestOutput out;
    item.paint(&out, QPointF(0, 0));
    QCOMPARE(out.rendered, QList<QRectF>{target});
    const QImage page = out.snapshot();
    checkPixels(page, samples);
    QCOMPARE(inkIn(page, QRect(505, 0, 495, 1000)), 0);
}

void TestImageItem::dataSourceColumns_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QVariantList>("values");
    const QImage red = filledImage(Qt::red), blue = filledImage(Qt::blue);
    QTest::newRow("PNG bytes") << "bin" << QVariantList{encoded(red), encoded(blue), QByteArray()};
    QTest::newRow("JPEG bytes") << "bin" << QVariantList{encoded(red, "JPEG"), encoded(blue, "JPEG"), QVariant()};
    QTest::newRow("Base64 text") << "b64" << QVariantList{QString::fromLatin1(encoded(red).toBase64()),
                                                          QString::fromLatin1(encoded(blue).toBase64()), QString()};
    QTest::newRow("pixmaps") << "bin" << QVariantList{QPixmap::fromImage(red), QPixmap::fromImage(blue), QPixmap()};
}

void TestImageItem::dataSourceColumns()
{
    QFETCH(QString, format);
    QFETCH(QVariantList, values);
    TessarinDef def;
    auto *rows = new MemoryRows(values, &def);
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
    item.paint(&out, QPointF(0, 0));
    QVERIFY(item.pixmap().isNull());
    QCOMPARE(out.rendered.size(), 2);
}

void TestImageItem::parameterSource()
{
    TessarinDef def;
    def.addParameter(QStringLiteral("logo"), QPixmap::fromImage(filledImage(Qt::green, 6, 6)));
    TessarinImageItem item(&def);
    SingleElementReader reader(QStringLiteral("<image resource=\"param\">logo</image>"));
    item.read(&reader);
    QCOMPARE(item.pixmap().size(), QSize(6, 6));
    // A file name, given after the picture was loaded.
    def.addParameter(QStringLiteral("logo"), m_dir.filePath(QStringLiteral("halves.png")));
    TessarinEvaluator evaluator(&def);
    item.updateValue(nullptr, &evaluator);
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
    const QString written = writtenElement(item);
    for (const char *expected : {"aspectRatio=\"keep\"", "format=\"0\"", "htmlWidth=\"50%\"", "alignment=\"68\""})
        QVERIFY2(written.contains(QLatin1String(expected)), qPrintable(written));
    QVERIFY(!written.contains(QLatin1String("transformMode")));
    QVERIFY(QByteArray::fromBase64(item.toBase64()).startsWith("\x89PNG"));
    QVERIFY(written.contains(QString::fromLatin1(item.toBase64())));
    for (const char *format : {"format=\"b64\"", "format=\"1\""}) {
        SingleElementReader again(QString(written).replace(QStringLiteral("format=\"0\""), QLatin1String(format)));
        TessarinImageItem copy;
        copy.read(&again);
        QCOMPARE(copy.imageFormat(), TessarinImageData::B64);
        QCOMPARE(copy.alignment(), Qt::AlignHCenter | Qt::AlignBottom);
        checkPixels(copy.pixmap().toImage(), QStringLiteral("2,5:r 17,5:b"));
    }
    // Unknown values keep the defaults; references go back unchanged.
    SingleElementReader other(QStringLiteral("<image resource=\"urlfromds\" aspectRatio=\"odd\" format=\"tiff\" "
                                             "transformMode=\"smooth\">ds.address</image>"));
    TessarinImageItem copy;
    copy.read(&other);
    QCOMPARE(copy.aspectRatioMode(), Qt::KeepAspectRatio);
    QCOMPARE(copy.imageFormat(), TessarinImageData::Bin);
    QVERIFY2(writtenElement(copy).contains(QLatin1String("transformMode=\"smooth\" format=\"0\">ds.address</image>")),
             qPrintable(writtenElement(copy)));

    copy.setId(QStringLiteral("logo"));
    QCOMPARE(copy.toHtml(), QByteArray("<!-- Invalid image. Item ID: logo -->"));
    copy.setPixmap(item.pixmap());
    copy.setAlignment(Qt::AlignRight);
    QCOMPARE(copy.toHtml(), "<div style=\"margin-top: 10px; margin-bottom: 10px;\" align=\"right\">"
                            "<img src=\"data:image/png;base64," + item.toBase64() + "\"  /></div>");
}

void TestImageItem::downloads()
{
    TessarinDef def;
    auto *rows = new MemoryRows({m_base + QStringLiteral("halves.png"), m_base + QStringLiteral("missing.png")}, &def);
    def.addDataSource(rows);
    TessarinImageItem fixed(&def);
    SingleElementReader reader(QStringLiteral("<image resource=\"url\" posX=\"10\" posY=\"10\" width=\"40\" "
                                              "height=\"20\">%1halves.png</image>").arg(m_base));
    fixed.read(&reader);
    MediaTestOutput out;
    fixed.paint(&out, QPointF(0, 0));
    checkPixels(out.snapshot(), QStringLiteral("150,200:r 450,200:b"));

    fixed.setSourceType(TessarinItem::UrlFromDataSource);
    fixed.setText(QStringLiteral("ds.v"));
    TessarinEvaluator evaluator(&def);
    fixed.updateValue(&out, &evaluator);
    QCOMPARE(fixed.pixmap().size(), QSize(20, 10));
    rows->next();
    fixed.updateValue(&out, &evaluator);
    QVERIFY(fixed.pixmap().isNull() && !fixed.loadError().isEmpty());

    // Too large, over the network and as a file.
    fixed.setImageFormat(TessarinImageData::B64);
    fixed.setMaxDownloadBytes(1000);
    fixed.setSourceType(TessarinItem::Url);
    fixed.setText(m_base + QStringLiteral("big.b64"));
    fixed.load();
    QVERIFY2(fixed.loadError().contains(QLatin1String("exceeds 1000")), qPrintable(fixed.loadError()));
    fixed.setSourceType(TessarinItem::File);
    fixed.setText(m_dir.filePath(QStringLiteral("big.b64")));
    QVERIFY(!fixed.load());
    QVERIFY(fixed.loadError().contains(QLatin1String("exceeds 1000")));

    // Too slow: a server that accepts and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    fixed.setSourceType(TessarinItem::Url);
    fixed.setText(QStringLiteral("http://127.0.0.1:%1/x.png").arg(silent.serverPort()));
    fixed.setDownloadTimeout(400);
    QElapsedTimer timer;
    timer.start();
    fixed.load();
    QVERIFY(timer.elapsed() < 5000);
    QVERIFY(fixed.pixmap().isNull() && !fixed.loadError().isEmpty());
}

void TestImageItem::oversizedPicturesAreRefused()
{
    // 16384 x 16385 is just over 2^28 pixels: refused from the header,
    // where decoding would have allocated a gigabyte.
    QString error;
    QVERIFY(TessarinImageItem::decodeImage(svgOfSize(16384, 16385), &error).isNull());
    QVERIFY2(error.contains(QLatin1String("16384 x 16385")), qPrintable(error));
    QCOMPARE(TessarinImageItem::decodeImage(svgOfSize(300, 200), &error).size(), QSize(300, 200));

    TessarinImageItem item;
    item.setSourceType(TessarinItem::File);
    item.setText(writeFile(QStringLiteral("huge.svg"), svgOfSize(99999, 99999)));
    QElapsedTimer timer;
    timer.start();
    item.load();
    QVERIFY(timer.elapsed() < 2000);
    QVERIFY(item.pixmap().isNull());
    QVERIFY(item.loadError().contains(QLatin1String("too large")));
}

QTEST_MAIN(TestImageItem)
#include "tst_items_image.moc"
