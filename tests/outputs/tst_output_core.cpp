#include "outputtestutil.h"
#include "tessarinimageoutput.h"
#include "tessarinnulloutput.h"
#include "tessarinpreviewoutput.h"

#include <QPicture>
#include <QtTest>

class TestOutputCore : public QObject
{
    Q_OBJECT
private slots:
    void pageRangeText_data();
    void pageRangeText();
    void pageSelection();
    void invalidRotationLeavesPainter();
    void nullOutputProducesNothing();
    void keepsEveryPageBeyondRange();
    void pageReplaysPixelIdentical();
    void reportStartPagesOfBatch_data();
    void reportStartPagesOfBatch();
};

void TestOutputCore::pageRangeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("list");
    QTest::newRow("interval and single") << "1-3,5" << QList<int>{1, 2, 3, 5};
    QTest::newRow("reversed interval") << "5-3" << QList<int>{};
    QTest::newRow("empty parts, overlaps") << ",4-6,,1-4,8," << QList<int>{1, 2, 3, 4, 5, 6, 8};
    QTest::newRow("not a number is 0") << "x,2" << QList<int>{0, 2};
    QTest::newRow("empty text") << "" << QList<int>{};
}

void TestOutputCore::pageRangeText()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, list);
    TessarinImageOutput out;
    out.setPageRanges(QStringLiteral("7"));
    out.setPageRanges(text); // replaces the previous list
    QCOMPARE(out.pageRangeList(), list);
}

void TestOutputCore::pageSelection()
{
    TessarinImageOutput out;
    QCOMPARE(out.pageRangeTo(), 99999);
    QVERIFY(out.isPageInRange(0)); // page 0 counts as page 1
    out.setPageRangeList({2, 4});
    QVERIFY(!out.isPageInRange(3) && out.isPageInRange(4) && !out.isPageInRange(0));
    out.setPageFromTo(3, 10);
    QVERIFY(!out.isPageInRange(2)); // listed, but before "from"

    // Stored as intervals: a huge range is one entry, cheap to test against.
    out.setPageRanges(QStringLiteral("1-2000000000,7"));
    QVERIFY(out.isPageInRange(5) && !out.isPageInRange(11));
    QCOMPARE(out.pageRangeList().size(), 10); // expanded only up to "to"
    out.addToPageRangeList(2147483647); // touching intervals merge, also at the top of int
    out.addToPageRangeList(2000000001, 2147483646);
    QCOMPARE(out.pageRangeIntervals(), (QVector<QPair<int, int>>{{1, 2147483647}}));
}

void TestOutputCore::invalidRotationLeavesPainter()
{
    TessarinImageOutput out;
    out.setRotationAngle(45);
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter p(&image);
    p.translate(3, 4);
    out.rotatePainter(&p);
    QCOMPARE(p.transform(), QTransform::fromTranslate(3, 4));
}

void TestOutputCore::nullOutputProducesNothing()
{
    TessarinImageOutput real;
    real.setResolution(300);
    real.setFileName(QDir::temp().filePath(QStringLiteral("tessarin-null-test.png")));
    TessarinNullOutput null(&real);
    QCOMPARE(null.outputType(), TessarinOutput::NullOutput);
    for (int page : {0, 1, 2, 99999})
        QVERIFY(!null.isPageInRange(page));
    QVERIFY(real.setup());
    real.begin();
    QCOMPARE(null.device(), real.device());
    null.begin();
    // Tables paint even on skipped pages: a painter that keeps nothing and
    // measures at the wrapped resolution.
    QVERIFY(null.painter() && null.painter()->isActive());
    QCOMPARE(null.painter()->device()->logicalDpiX(), 300);
    null.end();
    real.end();
    QFile::remove(real.pageFileName(1));
}

void TestOutputCore::keepsEveryPageBeyondRange()
{
    TessarinPreviewOutput out;
    out.setPageTo(50); // an earlier range left on the output
    QVERIFY(out.setup());
    QCOMPARE(EngineLoop().runReport(&out, 1, 120), 120);
    QCOMPARE(out.pageCount(), 120);
    QVERIFY(!out.page(119).isEmpty());
}

static void paintScene(QPainter *p)
{
    p->setPen(QPen(Qt::darkBlue, 3));
    p->setBrush(QColor(200, 80, 30, 160));
    p->drawEllipse(QRectF(30.5, 40.25, 300, 170));
    p->drawRect(QRectF(400.5, 20, 200, 120));
    QFont f(QStringLiteral("Liberation Serif"));
    f.setPointSizeF(17.5);
    p->setFont(f);
    p->drawText(QRectF(40, 260, 500, 80), Qt::TextWordWrap, QStringLiteral("Grüße aus der Vorschau, Seite zwei"));
    // QPicture itself replays a wide pen's drawLine() with slightly different
    // antialiasing; the scene keeps to what it reproduces exactly.
    p->setPen(QPen(Qt::black, 1));
    p->drawLine(QPointF(0, 0), QPointF(700, 1000));
    QImage logo(40, 30, QImage::Format_ARGB32_Premultiplied);
    logo.fill(QColor(10, 120, 40));
    p->drawImage(QRectF(600, 400, 80, 60), logo);
}

void TestOutputCore::pageReplaysPixelIdentical()
{
    TessarinPreviewOutput out;
    QVERIFY(EngineLoop().runJob(&out, {2}, [](TessarinOutput *o, int report, int page) {
        page == 2 ? paintScene(o->painter()) : paintCaption(o, report, page);
    }));
    const QSize size = out.scale().mmToSize(out.pageSizeMM(2)).toSize();
    QImage direct(size, QImage::Format_ARGB32_Premultiplied);
    direct.fill(Qt::white);
    QImage replayed = direct;
    QPainter p(&direct);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    paintScene(&p);
    p.end();
    QPicture picture;
    picture.setData(out.page(1).constData(), uint(out.page(1).size()));
    p.begin(&replayed);
    p.drawPicture(0, 0, picture);
    p.end();
    QCOMPARE(replayed, direct);
}

void TestOutputCore::reportStartPagesOfBatch_data()
{
    QTest::addColumn<bool>("engineBreaks");
    QTest::newRow("engine asks for the page break") << true;
    QTest::newRow("begin makes the page break") << false;
}

void TestOutputCore::reportStartPagesOfBatch()
{
    QFETCH(bool, engineBreaks);
    TessarinPreviewOutput out;
    out.option().setOrientation(QPrinter::Landscape);
    EngineLoop engine;
    engine.breakBetweenReports = engineBreaks;
    QVERIFY(engine.runJob(&out, {2, 3, 1}));
    QCOMPARE(out.pageCount(), 6); // no blank page between reports
    QCOMPARE(out.startPagesOfReports(), (QList<int>{1, 3, 6}));
    QCOMPARE(out.pageSizeMM(6), QSizeF(297, 210));
    out.setBatchMode(false);
    QVERIFY(out.setup()); // a new job starts from nothing
    QCOMPARE(out.pageCount(), 0);
}

QTEST_MAIN(TestOutputCore)
#include "tst_output_core.moc"
