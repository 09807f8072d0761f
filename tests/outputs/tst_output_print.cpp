#include "outputtestutil.h"
#include "tessarinpdfoutput.h"
#include "tessarinqtpreviewoutput.h"

#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// Stands in for the report API: runReport() drives the output it owns.
class ReportStub : public QObject
{
    Q_OBJECT
public:
    TessarinOutput *output = nullptr;
    int runs = 0;
public slots:
    bool runReport() { ++runs; return EngineLoop().runJob(output, {3}); }
};

class TestOutputPrint : public QObject
{
    Q_OBJECT
private slots:
    void pagesSizeTextAndFonts_data();
    void pagesSizeTextAndFonts();
    void rotationPlacesContent_data();
    void rotationPlacesContent();
    void oneJobForBatchAndCopies_data();
    void oneJobForBatchAndCopies();
    void printDialog_data();
    void printDialog();
    void qtPreviewRerunsReport();

private:
    QTemporaryDir m_dir;
};

// Answers the next modal dialog, with 2 copies. The offscreen platform warns
// once for every dialog.
static void answerDialog(bool accept, int *shown)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support propagateSizeHints()");
    QTimer::singleShot(200, [=] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        ++*shown;
        if (auto *copies = dialog->findChild<QSpinBox *>(QStringLiteral("copies")))
            copies->setValue(2);
        accept ? dialog->accept() : dialog->reject();
    });
}

void TestOutputPrint::pagesSizeTextAndFonts_data()
{
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<QString>("pageSize"); // as pdfinfo prints it
    QTest::newRow("A4 portrait") << int(QPagedPaintDevice::A4) << false << "595 x 842 pts (A4)";
    QTest::newRow("A4 landscape") << int(QPagedPaintDevice::A4) << true << "842 x 595 pts (A4)";
    QTest::newRow("Letter") << int(QPagedPaintDevice::Letter) << false << "612 x 792 pts (letter)";
    QTest::newRow("custom 150x100") << int(QPagedPaintDevice::Custom) << false << "425 x 283 pts"; // whole points
}

void TestOutputPrint::pagesSizeTextAndFonts()
{
    QFETCH(int, paper);
    QFETCH(bool, landscape);
    QFETCH(QString, pageSize);
    TessarinPageOption opt;
    if (paper == QPagedPaintDevice::Custom)
        opt.setPaperSize(QStringLiteral("CUSTOM"), QSizeF(150, 100));
    else
        opt.setPaperSize(QPagedPaintDevice::PageSize(paper), landscape ? QPrinter::Landscape : QPrinter::Portrait);
    TessarinPdfOutput out;
    const QString file = m_dir.filePath(QStringLiteral("size.pdf"));
    out.setFileName(file);
    out.setPageOption(opt);
    QVERIFY(EngineLoop().runJob(&out, {3}));
    QVERIFY2(!out.hasError(), qPrintable(out.errorText()));

    const auto info = pdfInfo(file);
    QCOMPARE(info.value(QStringLiteral("Pages")), QStringLiteral("3"));
    QCOMPARE(info.value(QStringLiteral("Page size")), pageSize);
    const QStringList pages = pdfPageTexts(file);
    for (int i = 0; i < 3; ++i)
        QVERIFY2(pages.value(i).contains(QStringLiteral("Report1 Page%1").arg(i + 1)), qPrintable(pages.join("|")));
    // Columns: name type encoding emb sub uni object ID, after two header lines.
    const QStringList fonts = runTool(QStringLiteral("pdffonts"), {file}).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    QVERIFY(!fonts.isEmpty() && fonts.first().startsWith(QLatin1String("LiberationSans")));
    for (const QString &line : fonts)
        QCOMPARE(line.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(4), QStringLiteral("yes"));
}

void TestOutputPrint::rotationPlacesContent_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<QSize>("pageMM");
    QTest::addColumn<QRect>("markMM"); // the bar painted at 20..70 x 20..30 mm of the report
    QTest::newRow("0") << 0 << false << QSize(210, 297) << QRect(20, 20, 50, 10);
    QTest::newRow("90") << 90 << false << QSize(297, 210) << QRect(267, 20, 10, 50);
    QTest::newRow("180") << 180 << false << QSize(210, 297) << QRect(140, 267, 50, 10);
    QTest::newRow("270") << 270 << false << QSize(297, 210) << QRect(20, 140, 10, 50);
    QTest::newRow("90, landscape report") << 90 << true << QSize(210, 297) << QRect(180, 20, 10, 50);
}

void TestOutputPrint::rotationPlacesContent()
{
    QFETCH(int, angle);
    QFETCH(bool, landscape);
    QFETCH(QSize, pageMM);
    QFETCH(QRect, markMM);
    TessarinPdfOutput out;
    out.option().setOrientation(landscape ? QPrinter::Landscape : QPrinter::Portrait);
    const QString file = m_dir.filePath(QStringLiteral("rot.pdf"));
    out.setFileName(file);
    out.setRotationAngle(angle);
    QVERIFY(EngineLoop().runJob(&out, {1}, [](TessarinOutput *o, int, int) {
        const TessarinScale &s = o->scale();
        o->painter()->fillRect(QRectF(s.mmToPoint(QPointF(20, 20)), s.mmToPoint(QPointF(70, 30))), Qt::black);
    }));
    // 127 dpi: 5 pixels per millimetre.
    runTool(QStringLiteral("pdftoppm"), {"-r", "127", "-singlefile", "-png", file, m_dir.filePath("rot")});
    const QImage image(m_dir.filePath(QStringLiteral("rot.png")));
    const QSize pixels = image.size() - pageMM * 5;
    QVERIFY(qAbs(pixels.width()) <= 1 && qAbs(pixels.height()) <= 1);
    const QRect box = darkBox(image);
    QVERIFY((box.topLeft() - markMM.topLeft() * 5).manhattanLength() <= 2);
    QVERIFY((box.bottomRight() + QPoint(1, 1) - (markMM.bottomRight() + QPoint(1, 1)) * 5).manhattanLength() <= 2);
}

void TestOutputPrint::oneJobForBatchAndCopies_data()
{
    QTest::addColumn<bool>("batch");
    QTest::addColumn<bool>("engineBreaks");
    QTest::newRow("batch, engine breaks") << true << true;
    QTest::newRow("batch, begin breaks") << true << false;
    QTest::newRow("forced copies, engine breaks") << false << true;
    QTest::newRow("forced copies, begin breaks") << false << false;
}

// No spooler on this machine: the printer prints into a PDF file.
void TestOutputPrint::oneJobForBatchAndCopies()
{
    QFETCH(bool, batch);
    QFETCH(bool, engineBreaks);
    TessarinPrinterOutput out;
    const QString file = m_dir.filePath(QStringLiteral("job.pdf"));
    out.printer()->setOutputFileName(file);
    EngineLoop engine;
    engine.breakBetweenReports = engineBreaks;
    QPainter *painter = nullptr;
    for (int r = 1; r <= 3; ++r) {
        out.setBatchMode(batch);
        out.setFlagFirst(r == 1);
        out.setFlagLast(r == 3);
        if (batch || r == 1)
            QVERIFY(out.setup());
        engine.runReport(&out, batch ? r : 1, 2);
        painter = r == 1 ? out.painter() : painter;
        QCOMPARE(out.painter(), painter); // the printer is opened once
        if (batch || r == 3)
            out.cleanup();
        QCOMPARE(out.isPrinting(), r < 3);
    }
    QVERIFY2(!out.hasError(), qPrintable(out.errorText()));
    QCOMPARE(pdfInfo(file).value(QStringLiteral("Pages")), QStringLiteral("6"));
    const QStringList pages = pdfPageTexts(file);
    for (int i = 0; i < 6; ++i)
        QVERIFY(pages.at(i).contains(QStringLiteral("Report%1 Page%2").arg(batch ? i / 2 + 1 : 1).arg(i % 2 + 1)));
}

void TestOutputPrint::printDialog_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("pageRange");
    QTest::addColumn<int>("to");
    QTest::newRow("cancelled") << false << false << 7;
    QTest::newRow("pages 2-3") << true << true << 3;
    QTest::newRow("all pages keep the full range") << true << false << 99999;
}

void TestOutputPrint::printDialog()
{
    QFETCH(bool, accept);
    QFETCH(bool, pageRange);
    QFETCH(int, to);
    TessarinPrinterOutput out;
    out.printer()->setOutputFileName(m_dir.filePath(QStringLiteral("dialog.pdf")));
    out.setShowPrintDialog(true);
    out.setPageFromTo(5, 7);
    out.printer()->setPrintRange(pageRange ? QPrinter::PageRange : QPrinter::AllPages);
    out.printer()->setFromTo(2, 3);
    int shown = 0;
    answerDialog(accept, &shown);
    out.setBatchMode(true);
    out.setFlagFirst(true);
    QCOMPARE(out.setup(), accept);
    QCOMPARE(out.pageRangeTo(), to);
    QCOMPARE(out.copies(), accept ? 2 : 1);
    QVERIFY(!out.hasError()); // cancelling is the user's choice, not a failure
    out.setFlagFirst(false); // a later report of the batch does not ask again
    if (accept)
        QVERIFY(out.setup());
    QCOMPARE(shown, 1);
}

void TestOutputPrint::qtPreviewRerunsReport()
{
    QCoreApplication::setOrganizationName(QStringLiteral("TessarinTests"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    TessarinQtPreviewOutput out;
    QVERIFY(!out.renderPreview(out.printer()) && out.hasError()); // no report: no pretending

    ReportStub report;
    report.output = &out;
    out.setReport(&report);
    out.setPageFromTo(1, 1);
    int pagesSeen = -1, shown = 0;
    answerDialog(false, &shown);
    connect(out.previewDialog(), &QDialog::finished,
            [&] { pagesSeen = out.previewDialog()->findChild<QPrintPreviewWidget *>()->pageCount(); });
    out.exec();
    QVERIFY(report.runs >= 1 && !out.hasError());
    QCOMPARE(pagesSeen, 3);
    QCOMPARE(out.pageRangeTo(), 99999); // the preview printer asks for every page
    QVERIFY(!QSettings().value(QStringLiteral("geometry/qtpreviewwindow")).toByteArray().isEmpty());
}

QTEST_MAIN(TestOutputPrint)
#include "tst_output_print.moc"
