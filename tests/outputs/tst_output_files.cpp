#include "outputtestutil.h"
#include "tessarinimageoutput.h"
#include "tessarinpdfoutput.h"
#include "tessarinsvgoutput.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestOutputFiles : public QObject
{
    Q_OBJECT
private slots:
    void svgWritesOneFilePerPage();
    void imagePages_data();
    void imagePages();
    void successiveImageIsCutAtFinalPosition();
    void unwritableDirectoryIsReported();

private:
    QString newDir() { return QDir(m_dir.path()).mkpath(QString::number(++m_dirs)) ? m_dir.filePath(QString::number(m_dirs)) : QString(); }
    QTemporaryDir m_dir;
    int m_dirs = 0;
};

void TestOutputFiles::svgWritesOneFilePerPage()
{
    const QString dir = newDir();
    TessarinSvgOutput out;
    out.setFileName(dir + QStringLiteral("/my.report.svg"));
    out.option().setOrientation(QPrinter::Landscape);
    out.option().setReportName(QStringLiteral("Invoices"));
    QVERIFY(EngineLoop().runJob(&out, {3}, [](TessarinOutput *o, int report, int page) {
        if (page == 2)
            o->painter()->setBrush(Qt::red); // what page 3 must inherit
        paintCaption(o, report, page);
    }));
    QVERIFY2(!out.hasError(), qPrintable(out.errorText()));
    QCOMPARE(QDir(dir).entryList(QDir::Files), (QStringList{"my.report_p1.svg", "my.report_p2.svg", "my.report_p3.svg"}));
    for (int page = 1; page <= 3; ++page) {
        QFile f(out.pageFileName(page));
        const QString svg = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
        QVERIFY(svg.contains(QStringLiteral("viewBox=\"0 0 1123 794\""))); // A4 landscape at 96 dpi
        QVERIFY(svg.contains(QStringLiteral("<title>Invoices</title>")));
        QVERIFY(svg.contains(QStringLiteral("<desc>page %1</desc>").arg(page)));
        QVERIFY(svg.contains(QStringLiteral("Report1 Page%1").arg(page)));
        QVERIFY(!svg.contains(QStringLiteral("Page%1").arg(page % 3 + 1)));
        QCOMPARE(svg.contains(QStringLiteral("fill=\"#ff0000\"")), page >= 2);
    }
}

void TestOutputFiles::imagePages_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QSize>("pixels");
    QTest::newRow("96 dpi png") << 96 << 0 << "" << "png" << QSize(794, 1123);
    QTest::newRow("rotated 90") << 50 << 90 << "" << "png" << QSize(585, 413);
    QTest::newRow("jpeg") << 50 << 0 << "JPEG" << "jpg" << QSize(413, 585);
}

void TestOutputFiles::imagePages()
{
    QFETCH(int, dpi);
    QFETCH(int, rotation);
    QFETCH(QString, format);
    QFETCH(QString, suffix);
    QFETCH(QSize, pixels);
    const QString dir = newDir();
    TessarinImageOutput out;
    out.setResolution(dpi);
    out.setFormat(format);
    out.setRotationAngle(rotation);
    out.setFileName(dir + QStringLiteral("/rep.png"));
    QVERIFY(EngineLoop().runJob(&out, {2}, [&](TessarinOutput *o, int report, int page) {
        paintCaption(o, report, page);
        // Each page is on disk as soon as it is finished: one page image in memory.
        QCOMPARE(QFile::exists(out.pageFileName(page - 1)), page > 1);
        QVERIFY(!QFile::exists(out.pageFileName(page)));
    }));
    QVERIFY2(!out.hasError(), qPrintable(out.errorText()));
    QCOMPARE(QDir(dir).entryList(QDir::Files), (QStringList{"rep_p1." + suffix, "rep_p2." + suffix}));
    QCOMPARE(QImage(out.pageFileName(2)).size(), pixels);
}

void TestOutputFiles::successiveImageIsCutAtFinalPosition()
{
    const QString dir = newDir();
    TessarinImageOutput out;
    out.setResolution(96);
    out.setSuccessive(true);
    out.setMaximumHeight(3000);
    out.setFileName(dir + QStringLiteral("/long.png"));
    QVERIFY(out.setup());
    out.begin();
    const TessarinScale &s = out.scale();
    for (int row = 0; row < 40; ++row) // longer than one A4 page
        out.painter()->fillRect(QRectF(s.mmToPoint(QPointF(20, 10 + row * 10)), s.mmToPoint(QPointF(30, 15 + row * 10))), Qt::black);
    out.newPage(); // must not cut the image
    out.setFinalPosMM(QPointF(20, 405));
    out.end();
    QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{"long.png"});
    const QImage image(dir + QStringLiteral("/long.png"));
    QCOMPARE(image.size(), QSize(s.mmToPixel(210), s.mmToPixel(405 + 15))); // plus the bottom margin
    QCOMPARE(darkBox(image).bottom() + 1, s.mmToPixel(405));
}

void TestOutputFiles::unwritableDirectoryIsReported()
{
    const QString missing = m_dir.filePath(QStringLiteral("missing/dir/r"));
    TessarinImageOutput image;
    image.setFileName(missing + QStringLiteral(".png"));
    TessarinSvgOutput svg;
    svg.setFileName(missing + QStringLiteral(".svg"));
    TessarinPdfOutput pdf;
    pdf.setFileName(missing + QStringLiteral(".pdf"));
    for (const auto &c : QList<QPair<TessarinOutput *, QString>>{
             {&image, image.pageFileName(1)}, {&svg, svg.pageFileName(1)}, {&pdf, pdf.fileName()}}) {
        QVERIFY(EngineLoop().runJob(c.first, {3}));
        QFile probe(c.second);
        QVERIFY(!probe.open(QIODevice::WriteOnly));
        QCOMPARE(c.first->errorText(), QStringLiteral("Cannot write file %1:\n%2.").arg(c.second, probe.errorString()));
    }
}

QTEST_MAIN(TestOutputFiles)
#include "tst_output_files.moc"
