#include "enginetestutil.h"
#include "tessarindef.h"
#include "tessaringroup.h"
#include "tessarinpreviewoutput.h"
#include "tessarinsection.h"

#include <QPainter>
#include <QPicture>
#include <QtTest>

namespace {
QImage previewPage(TessarinPreviewOutput *out, int index)
{
    const QSize size = out->scale().mmToSize(out->pageSizeMM(index + 1)).toSize();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPicture picture;
    picture.setData(out->page(index).constData(), uint(out->page(index).size()));
    QPainter painter(&image);
    painter.drawPicture(0, 0, picture);
    return image;
}

// Longest run of dark pixels in the column at x.
int darkRun(const QImage &image, int x)
{
    int best = 0;
    int run = 0;
    for (int y = 0; y < image.height(); ++y) {
        run = qGray(image.pixel(x, y)) < 128 ? run + 1 : 0;
        best = qMax(best, run);
    }
    return best;
}
}

class TestEngineLayout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void groupsOverPages();
    void doublePassKnowsThePageCount();
    void pageRangesKeepTheLayout_data();
    void pageRangesKeepTheLayout();
    void nestedGroupsStartOnNewPages();
    void pageBreakExpressions();
    void secondDetailStartsAfresh();
    void checkRoles_data();
    void checkRoles();
    void exactFit_data();
    void exactFit();
    void anchoredAndHiddenSections();
    void zonesFollowTheirText();
    void textContinuesOverFivePagesInItsFrame();
    void alternateRowBackground();
    void nextRowFromAPrintCondition();
    void printConditionsReadTheRun();

private:
    QTemporaryDir m_dir;
};

void TestEngineLayout::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestEngineLayout::groupsOverPages()
{
    Tessarin report;
    report.setReportFile(engineData("groups.tsn"));
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, 3);
    QCOMPARE(pdf.lines(0), (QStringList{"PH", "REPORT-HEADER", "City Oslo", "Anna 10 0", "Arne 11 1", "Asta 12 2",
                                        "Sum Oslo 33 last row 2", "Page 1 of 0 last Asta rows 3"}));
    // Trimming: the page ends on Carla, so its footer shows Carla and counts
    // the three rows printed on it.
    QCOMPARE(pdf.lines(1), (QStringList{"PH", "City Rome", "Bruno 20 3", "Bice 21 4", "Sum Rome 41 last row 4",
                                        "City Vienna", "Carla 30 5", "Page 2 of 0 last Carla rows 3"}));
    // The open group's header is printed again, once.
    QCOMPARE(pdf.lines(2), (QStringList{"PH", "City Vienna", "Chris 31 6", "Cora 32 7", "Cyril 33 8",
                                        "Sum Vienna 126 last row 8", "Total 200", "Page 3 of 0 last Cyril rows 3"}));

    QVERIFY(report.runReportToPreview());
    auto *preview = qobject_cast<TessarinPreviewOutput *>(report.output());
    QVERIFY(preview);
    QCOMPARE(preview->pageCount(), 3);
}

void TestEngineLayout::doublePassKnowsThePageCount()
{
    CustomizedReport report;
    report.setReportFile(engineData("groups.tsn"));
    report.customize = [](TessarinDef *def) { def->option().setDoublePassMode(true); };
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, 3);
    QCOMPARE(report.pageCount(), 3);
    QCOMPARE(pdf.lines(0).last(), QStringLiteral("Page 1 of 3 last Asta rows 3"));
    QCOMPARE(pdf.lines(2).last(), QStringLiteral("Page 3 of 3 last Cyril rows 3"));
    // The first pass counts and prints nothing; the totals are not doubled.
    QVERIFY(pdf.lines(2).contains(QStringLiteral("Total 200")));
}

void TestEngineLayout::pageRangesKeepTheLayout_data()
{
    QTest::addColumn<QString>("ranges");
    QTest::addColumn<QList<int>>("pages");
    QTest::newRow("middle and last") << "2-3" << QList<int>{1, 2};
    QTest::newRow("middle only") << "2" << QList<int>{1};
    QTest::newRow("first and last") << "1,3" << QList<int>{0, 2};
}

void TestEngineLayout::pageRangesKeepTheLayout()
{
    QFETCH(QString, ranges);
    QFETCH(QList<int>, pages);
    CustomizedReport full;
    full.setReportFile(engineData("groups.tsn"));
    full.customize = [](TessarinDef *def) { def->option().setDoublePassMode(true); };
    const PdfPages all = runToPdf(full, m_dir, "all.pdf");
    QVERIFY(all.readable);

    CustomizedReport part;
    part.setReportFile(engineData("groups.tsn"));
    part.customize = full.customize;
    part.setPageRanges(ranges);
    const PdfPages some = runToPdf(part, m_dir, "some.pdf");
    QVERIFY2(some.readable, qPrintable(part.lastErrorMsg()));
    QCOMPARE(some.pageCount, pages.size());
    for (int i = 0; i < pages.size(); ++i)
        QCOMPARE(some.lines(i), all.lines(pages.at(i)));

    QVERIFY(part.runReportToPreview());
    QCOMPARE(qobject_cast<TessarinPreviewOutput *>(part.output())->pageCount(), pages.size());
}

void TestEngineLayout::nestedGroupsStartOnNewPages()
{
    Tessarin report;
    report.setReportFile(engineData("nested.tsn"));
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, 2);
    QCOMPARE(pdf.lines(0), (QStringList{"Region North", "City Oslo", "Anna", "Arne", "End city Oslo", "City Bergen",
                                        "Bea", "End city Bergen", "End region North count 3"}));
    QCOMPARE(pdf.lines(1), (QStringList{"Region South", "City Rome", "Bruno", "End city Rome", "City Naples", "Nina",
                                        "Noel", "End city Naples", "End region South count 3"}));
}

void TestEngineLayout::pageBreakExpressions()
{
    Tessarin report;
    report.setReportFile(engineData("pagebreaks.tsn"));
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, 3);
    // The detail breaks before its fifth row; the group before Vienna.
    QCOMPARE(pdf.lines(0), (QStringList{"City Oslo", "Anna", "Arne", "Asta", "Sum Oslo", "City Rome", "Bruno"}));
    QCOMPARE(pdf.lines(1), (QStringList{"Bice", "Sum Rome"}));
    QCOMPARE(pdf.lines(2).first(), QStringLiteral("City Vienna"));
}

void TestEngineLayout::secondDetailStartsAfresh()
{
    Tessarin report;
    report.setReportFile(engineData("twodetails.tsn"));
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    // Its groups, its row counter and the variable over its source restart.
    QCOMPARE(pdf.lines(0).mid(12), (QStringList{"R North", "P0 Anna 1", "P1 Arne 2", "P2 Bea 3", "R South",
                                                "P3 Bruno 4", "P4 Nina 5", "P5 Noel 6"}));
    QCOMPARE(pdf.lines(0).at(11), QStringLiteral("S8 Cyril"));
}

void TestEngineLayout::checkRoles_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<bool>("notAloneDoublePass");
    QTest::addColumn<QStringList>("secondPage");

    // Group B's header would start 15 mm above the bottom; one row is 10 mm.
    QTest::newRow("section only") << 0 << 0.0 << false << QStringList{"b1", "b2"};
    QTest::newRow("section plus detail") << 1 << 0.0 << false << QStringList{"Group B", "b1", "b2"};
    QTest::newRow("orphan tolerance 20 mm") << 2 << 20.0 << false << QStringList{"Group B", "b1", "b2"};
    QTest::newRow("orphan tolerance 5 mm") << 2 << 5.0 << false << QStringList{"b1", "b2"};
    QTest::newRow("not alone, second pass") << 0 << 0.0 << true << QStringList{"Group B", "b1", "b2"};
}

void TestEngineLayout::checkRoles()
{
    QFETCH(int, role);
    QFETCH(double, tolerance);
    QFETCH(bool, notAloneDoublePass);
    QFETCH(QStringList, secondPage);
    CustomizedReport report;
    report.setReportFile(engineData("orphans.tsn"));
    report.customize = [=](TessarinDef *def) {
        TessarinSection *header = def->details().first()->groups().first()->header();
        header->setCheckRole(TessarinSection::SpaceCheckRole(role));
        header->setOrphanedTolaranceMM(tolerance);
        header->setNotAlone(notAloneDoublePass);
        def->option().setDoublePassMode(notAloneDoublePass);
    };
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, 2);
    QCOMPARE(pdf.lines(1), secondPage);
}

void TestEngineLayout::exactFit_data()
{
    QTest::addColumn<double>("rowHeight");
    QTest::addColumn<int>("pages");
    // 80 mm of body: four rows of 20 mm fill it exactly.
    QTest::newRow("exactly the room left") << 20.0 << 2;
    QTest::newRow("0.1 mm more") << 20.1 << 3;
}

void TestEngineLayout::exactFit()
{
    QFETCH(double, rowHeight);
    QFETCH(int, pages);
    CustomizedReport report;
    report.setReportFile(engineData("orphans.tsn"));
    report.customize = [=](TessarinDef *def) {
        def->removeReportHeader();
        TessarinSection *detail = def->details().first();
        def->removeAllGroups(detail);
        detail->setMetricHeight(rowHeight);
    };
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, pages);
    QCOMPARE(pdf.lines(0).size(), pages == 2 ? 4 : 3);
}

void TestEngineLayout::anchoredAndHiddenSections()
{
    Tessarin report;
    report.setReportFile(engineData("anchor.tsn"));
    const QString pdf = m_dir.filePath("anchor.pdf");
    QVERIFY2(report.runReportToPdf(pdf), qPrintable(report.lastErrorMsg()));
    const double first = wordTop(pdf, "first");
    QVERIFY(first > 0 && wordTop(pdf, "note-first") < 0 && wordTop(pdf, "note-third") < 0);
    // Rows at 10, 20, 30 mm; the blank "first" note takes no room.
    QVERIFY(qAbs(wordTop(pdf, "note-second") - first - 30) < 0.2);
    // The body ends at 80 mm: the anchored 10 mm footer starts at 70 mm.
    QVERIFY(qAbs(wordTop(pdf, "ANCHORED") - first - 60) < 0.2);
    QVERIFY(qAbs(wordTop(pdf, "FOOT") - first - 70) < 0.2);
}

void TestEngineLayout::zonesFollowTheirText()
{
    Tessarin report;
    report.setReportFile(engineData("zones.tsn"));
    const QString pdf = m_dir.filePath("zones.pdf");
    QVERIFY2(report.runReportToPdf(pdf), qPrintable(report.lastErrorMsg()));
    auto zoneOne = [&pdf](const QString &row) { return wordTop(pdf, row + "-after") - wordTop(pdf, row + "-start"); };
    const double oneLine = zoneOne("r1");
    QVERIFY(oneLine > 0);
    // Two more lines of text push the second zone down by two lines.
    QVERIFY2(zoneOne("r2") - oneLine > 6 && zoneOne("r2") - oneLine < 14, qPrintable(QString::number(zoneOne("r2"))));
    QVERIFY(qAbs(zoneOne("r3") - oneLine) < 0.2);
    QVERIFY(wordTop(pdf, "r2-start") > wordTop(pdf, "r1-after") + 4);
}

void TestEngineLayout::textContinuesOverFivePagesInItsFrame()
{
    Tessarin report;
    report.setReportFile(engineData("longtext.tsn"));
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.pageCount, 5);
    QList<int> numbers;
    const QRegularExpression paragraph(QStringLiteral("Paragraph (\\d+) of the long text."));
    for (int page = 0; page < 5; ++page) {
        QCOMPARE(pdf.lines(page).first(), QStringLiteral("HEADER %1").arg(page + 1));
        int onPage = 0;
        for (auto it = paragraph.globalMatch(pdf.pages.at(page)); it.hasNext(); ++onPage)
            numbers.append(it.next().captured(1).toInt());
        QVERIFY(onPage > 0);
    }
    QList<int> expected;
    for (int i = 1; i <= 45; ++i)
        expected.append(i);
    QCOMPARE(numbers, expected); // nothing lost, nothing twice
    QCOMPARE(pdf.lines(4).last(), QStringLiteral("THE END"));

    QVERIFY(report.runReportToPreview());
    auto *preview = qobject_cast<TessarinPreviewOutput *>(report.output());
    QCOMPARE(preview->pageCount(), 5);
    const int frameLeft = qRound(preview->scale().mmToRealPixel(10));
    const double mmPerPixel = 1 / preview->scale().mmToRealPixel(1);
    for (int page = 0; page < 5; ++page) {
        const QImage image = previewPage(preview, page);
        int run = 0;
        for (int dx = -2; dx <= 2; ++dx)
            run = qMax(run, darkRun(image, frameLeft + dx));
        // The frame's left edge spans the text's part on every page.
        const double length = run * mmPerPixel;
        QVERIFY2(length > (page < 4 ? 60 : 20), qPrintable(QStringLiteral("page %1: %2 mm").arg(page).arg(length)));
    }
}

void TestEngineLayout::alternateRowBackground()
{
    CustomizedReport report;
    report.setReportFile(engineData("groups.tsn"));
    report.setAlternateRowBackgroundColor(QColor(255, 0, 0));
    report.customize = [](TessarinDef *def) {
        def->details().first()->setAlternateRowBackgroundMode(TessarinSection::AlternateRowOdd);
    };
    QVERIFY(report.runReportToPreview());
    auto *preview = qobject_cast<TessarinPreviewOutput *>(report.output());
    const QImage page = previewPage(preview, 0);
    const TessarinScale &scale = preview->scale();
    auto colorAt = [&](double xmm, double ymm) {
        return QColor(page.pixel(qRound(scale.mmToRealPixel(xmm)), qRound(scale.mmToRealPixel(ymm))));
    };
    // Rows of 6 mm from 33 mm: Anna (row 0), Arne (row 1), Asta (row 2).
    QCOMPARE(colorAt(112, 36), QColor(Qt::white));
    QCOMPARE(colorAt(112, 42), QColor(255, 0, 0));
    QCOMPARE(colorAt(112, 48), QColor(Qt::white));
}

void TestEngineLayout::nextRowFromAPrintCondition()
{
    Tessarin report;
    report.setReportFile(engineData("pairs.tsn"));
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    QCOMPARE(pdf.lines(0), (QStringList{"Anna Arne", "Bea Bruno", "Nina Noel"}));
}

void TestEngineLayout::printConditionsReadTheRun()
{
    Tessarin report;
    report.setReportFile(engineData("keywords.tsn"));
    const PdfPages pdf = runToPdf(report, m_dir);
    QVERIFY2(pdf.readable, qPrintable(report.lastErrorMsg()));
    // The secondary source has three rows; "finished" holds only after the
    // last detail.
    QCOMPARE(pdf.lines(0), (QStringList{"Anna odd x1", "Arne even x2", "Bea odd x3", "Bruno even", "Nina odd",
                                        "Noel even", "DONE"}));
}

QTEST_MAIN(TestEngineLayout)
#include "tst_engine_layout.moc"
