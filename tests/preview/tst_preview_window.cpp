#include "tessarin.h"
#include "tessarinpreviewoutput.h"
#include "tessarinpreviewpage.h"
#include "tessarinpreviewpagecontainer.h"
#include "tessarinpreviewwindow.h"
#include "tessarinscale.h"

#include <QAction>
#include <QComboBox>
#include <QPainter>
#include <QPicture>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <memory>

namespace {
// A report of 100 x 60 mm pages: a blue box and a caption in the page
// header, three detail rows per page.
QString definition(int rows)
{
    QString data = QStringLiteral("name");
    for (int i = 1; i <= rows; ++i)
        data += QStringLiteral("\nRow%1").arg(i);
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<Tessarin version="2.0" name="preview" type="report">
 <options>
  <pagesize width="100" height="60">CUSTOM</pagesize>
  <topmargin>5</topmargin><bottommargin>5</bottommargin><leftmargin>5</leftmargin><rightmargin>5</rightmargin>
 </options>
 <datasources>
  <datasource id="rows" type="txt" source="static" hasColumnHeader="true">%1</datasource>
 </datasources>
 <pageheader height="15">
  <rectangle posX="10" posY="2" width="30" height="10" fillStyle="solid" fillColor="#0000ff" lineWidth="0"/>
  <label posX="50" posY="2" width="40" height="6">PREVIEWCAPTION</label>
 </pageheader>
 <details>
  <detail id="Detail1" height="10" datasource="rows">
   <items><field posX="0" posY="0" width="40" height="5">name</field></items>
  </detail>
 </details>
</Tessarin>)")
        .arg(data);
}

QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Said by the offscreen platform for every main window shown.
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    previousHandler(type, context, message);
}

bool isBlue(QRgb c)
{
    return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60;
}

// Bounding box of the blue pixels of an image.
QRect blueBox(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isBlue(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Accepts the next file dialog with that file, as a user would.
void acceptFileDialogWith(const QString &fileName)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, fileName]() {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QFileDialog *>(widget);
            if (dialog && dialog->isVisible()) {
                timer->stop();
                timer->deleteLater();
                // Typed into the name field, the way a user picks a new file.
                if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                    edit->setText(fileName);
                QMetaObject::invokeMethod(dialog, "accept");
                return;
            }
        }
    });
    timer->start(50);
}

int pdfPageCount(const QString &fileName)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {fileName});
    info.waitForFinished(30000);
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(info.readAll()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// Where pdftotext finds the first occurrence of a word, in points.
QRectF wordBox(const QString &fileName, const QString &word)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), fileName, QStringLiteral("-")});
    text.waitForFinished(30000);
    const auto match = QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" "
                                                         "xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">%1</word>")
                                              .arg(word))
                           .match(QString::fromUtf8(text.readAllStandardOutput()));
    if (!match.hasMatch())
        return QRectF();
    return QRectF(QPointF(match.captured(1).toDouble(), match.captured(2).toDouble()),
                  QPointF(match.captured(3).toDouble(), match.captured(4).toDouble()));
}

QString pdfText(const QString &fileName)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {fileName, QStringLiteral("-")});
    text.waitForFinished(30000);
    return QString::fromUtf8(text.readAllStandardOutput());
}
} // namespace

class TestPreviewWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void windowAsBuilt();
    void navigation();
    void pagingKeys();
    void zoom();
    void views();
    void pixels();
    void settings();
    void proposedFileName();
    void exportWithoutReport();
    void rerunFromWindow();
    void reportApi();

private:
    // Runs a batch of two reports (9 rows, then 4 rows: 3 + 2 pages).
    TessarinPreviewOutput *batchOutput();
    std::unique_ptr<TessarinPreviewWindow> shownWindow(TessarinPreviewOutput *output);

    QTemporaryDir m_dir;
    Tessarin m_report;
};

void TestPreviewWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    previousHandler = qInstallMessageHandler(quietHandler);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("settings")));
    QCoreApplication::setOrganizationName(QStringLiteral("TessarinTests"));
    QCoreApplication::setApplicationName(QStringLiteral("preview"));
}

void TestPreviewWindow::init()
{
    // Nothing stored by an earlier test's window.
    QSettings().clear();
}

TessarinPreviewOutput *TestPreviewWindow::batchOutput()
{
    m_report.clearBatch();
    m_report.addReportToBatch(definition(9));
    m_report.addReportToBatch(definition(4));
    if (!m_report.runReportToPreview())
        return nullptr;
    return qobject_cast<TessarinPreviewOutput *>(m_report.takeOutput());
}

std::unique_ptr<TessarinPreviewWindow> TestPreviewWindow::shownWindow(TessarinPreviewOutput *output)
{
    auto window = std::make_unique<TessarinPreviewWindow>();
    window->setOutput(output);
    window->setWindowState(Qt::WindowNoState);
    window->resize(700, 500);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    return window;
}

void TestPreviewWindow::windowAsBuilt()
{
    TessarinPreviewWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Tessarin 2.17.0  preview"));
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Ready"));
    QCOMPARE(window.toolBarNavigation()->objectName(), QStringLiteral("tbNav")); // restoreState() finds it by name
    QVERIFY(window.actionViewSingleMode()->isChecked());
    window.actionViewDoubleMode()->trigger();
    QVERIFY(!window.actionViewSingleMode()->isChecked());
    QCOMPARE(window.showType(), TessarinPreviewPageContainer::TwoPages);
    QComboBox *box = window.zoomBox();
    QCOMPARE(box->count(), 23);
    QCOMPARE(box->itemText(0), QStringLiteral("10 %"));
    QCOMPARE(box->itemText(22), QStringLiteral("500 %"));

    // No pages: nothing to move to, and nothing breaks when asked.
    window.setOutput(new TessarinPreviewOutput);
    QCOMPARE(window.pageSpinBox()->maximum(), 0);
    QCOMPARE(window.pageSpinBox()->suffix(), QStringLiteral("/0"));
    for (QAction *action : {window.actionFirstPage(), window.actionPreviousPage(), window.actionNextPage(),
                            window.actionLastPage(), window.actionGoToPage(), window.actionNextReport(),
                            window.actionPreviousReport()})
        QVERIFY2(!action->isEnabled(), qPrintable(action->text()));
    window.nextPage();
    window.setViewContinous();
    QCOMPARE(window.pageContainer()->pageWidgets().size(), 0);
}

void TestPreviewWindow::navigation()
{
    TessarinPreviewOutput *output = batchOutput();
    QVERIFY2(output, qPrintable(m_report.lastErrorMsg()));
    QCOMPARE(output->pageCount(), 5);
    QCOMPARE(output->startPagesOfReports(), (QList<int>{1, 4}));
    QPointer<TessarinPreviewOutput> guard(output);
    auto window = shownWindow(output);
    QVERIFY(window);
    QCOMPARE(output->parent(), window.get());
    QCOMPARE(window->reportCount(), 2);
    QCOMPARE(window->currentPage(), 1);
    QCOMPARE(window->pageSpinBox()->suffix(), QStringLiteral("/5"));
    QVERIFY(!window->actionFirstPage()->isEnabled() && !window->actionPreviousPage()->isEnabled());
    QVERIFY(window->actionNextReport()->isEnabled() && !window->actionPreviousReport()->isEnabled());

    window->nextPage();
    window->nextPage();
    QCOMPARE(window->currentPage(), 3);
    QCOMPARE(window->pageSpinBox()->value(), 3);
    QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("Page: 3/5"));
    QCOMPARE(window->currentReport(), 1);

    window->nextReport();
    QCOMPARE(window->currentPage(), 4);
    QCOMPARE(window->currentReport(), 2);
    QVERIFY(!window->actionNextReport()->isEnabled() && window->actionPreviousReport()->isEnabled());
    window->nextReport();
    QCOMPARE(window->currentPage(), 4);

    window->lastPage();
    QCOMPARE(window->currentPage(), 5);
    QVERIFY(!window->actionNextPage()->isEnabled() && !window->actionLastPage()->isEnabled());
    window->nextPage();
    QCOMPARE(window->currentPage(), 5);
    window->prevReport();
    QCOMPARE(window->currentPage(), 1);
    window->prevPage();
    QCOMPARE(window->currentPage(), 1);

    // The spin box moves the page; paging within a report keeps its number right.
    window->pageSpinBox()->setValue(4);
    QCOMPARE(window->currentPage(), 4);
    QCOMPARE(window->currentReport(), 2);
    window->gotoPage(9);
    QCOMPARE(window->currentPage(), 4);
    QTimer::singleShot(50, []() {
        auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Go to page"));
        QCOMPARE(dialog->labelText(), QStringLiteral("Page number:"));
        QCOMPARE(dialog->intMaximum(), 5);
        dialog->setIntValue(2);
        dialog->accept();
    });
    window->gotoPage();
    QCOMPARE(window->currentPage(), 2);
    window->gotoPage(4);
    QCOMPARE(window->pageContainer()->pageWidgets().first()->content(), output->page(3));

    // A new output replaces (and deletes) the old one and starts at page 1.
    window->setOutput(batchOutput());
    QVERIFY(!guard);
    QCOMPARE(window->currentPage(), 1);
}

void TestPreviewWindow::pagingKeys()
{
    auto window = shownWindow(batchOutput());
    QVERIFY(window);
    window->zoomChanged(400); // taller than the window: the page scrolls
    QScrollBar *bar = qobject_cast<QScrollArea *>(window->centralWidget())->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QWidget *area = window->centralWidget();

    QTest::keyClick(area, Qt::Key_PageDown);
    QCOMPARE(window->currentPage(), 1); // scrolled, not paged
    QTest::keyClick(area, Qt::Key_End);
    QCOMPARE(bar->value(), bar->maximum());
    QTest::keyClick(area, Qt::Key_PageDown);
    QCOMPARE(window->currentPage(), 2);
    QCOMPARE(bar->value(), bar->minimum()); // the next page from its top
    QTest::keyClick(area, Qt::Key_PageUp);
    QCOMPARE(window->currentPage(), 1);
    QCOMPARE(bar->value(), bar->maximum()); // the previous page from its bottom
    QTest::keyClick(area, Qt::Key_Home);
    QCOMPARE(bar->value(), 0);

    // Continuous: moving the scroll bar is what changes the page.
    window->setViewContinous();
    bar->setValue(bar->maximum());
    QCOMPARE(window->currentPage(), 5);
    QCOMPARE(window->pageSpinBox()->value(), 5);
    QTest::keyClick(area, Qt::Key_Home);
    QCOMPARE(window->currentPage(), 1);
}

void TestPreviewWindow::zoom()
{
    auto window = shownWindow(batchOutput());
    QVERIFY(window);
    TessarinPreviewPage *page = window->pageContainer()->pageWidgets().first();
    const TessarinScale scale;
    const auto expectedSize = [&](double factor) {
        return QSize(qRound(scale.mmToRealPixel(100) * factor) + 5, qRound(scale.mmToRealPixel(60) * factor) + 5);
    };
    QCOMPARE(page->size(), expectedSize(1));
    QCOMPARE(window->pageContainer()->size(), expectedSize(1) + QSize(40, 20));

    window->zoomPlus();
    QCOMPARE(window->zoomFactor(), 1.1);
    QCOMPARE(window->zoomBox()->currentText(), QStringLiteral("110 %"));
    QCOMPARE(page->size(), expectedSize(1.1));

    window->zoomChanged(QStringLiteral("50 %"));
    QCOMPARE(window->zoomFactor(), 0.5);
    QCOMPARE(page->size(), expectedSize(0.5));
    window->zoomChanged(QStringLiteral("10 %"));
    QCOMPARE(window->zoomFactor(), 0.1);
    window->zoomMinus();
    QCOMPARE(window->zoomFactor(), 0.1);
    for (int i = 0; i < 5; ++i)
        window->zoomPlus();
    QCOMPARE(window->zoomFactor(), 0.6); // no drift from adding tenths
    window->zoomChanged(700);
    QCOMPARE(window->zoomFactor(), 7.0);
    window->zoomPlus();
    QCOMPARE(window->zoomFactor(), 7.0);
    window->zoomChanged(QStringLiteral("800 %"));
    QCOMPARE(window->zoomFactor(), 7.0);
    QCOMPARE(window->zoomBox()->currentText(), QStringLiteral("700 %"));
    window->zoom1();
    QCOMPARE(page->size(), expectedSize(1));

    // Choosing an entry of the box zooms.
    window->zoomBox()->setCurrentIndex(14);
    emit window->zoomBox()->textActivated(window->zoomBox()->currentText());
    QCOMPARE(window->zoomFactor(), 1.5);
}

void TestPreviewWindow::views()
{
    auto window = shownWindow(batchOutput());
    QVERIFY(window);
    TessarinPreviewPageContainer *container = window->pageContainer();
    const QSize one = container->pageWidgets().first()->size();

    window->setViewDouble();
    QList<TessarinPreviewPage *> pages = container->pageWidgets();
    QCOMPARE(pages.size(), 2);
    QCOMPARE(pages.at(0)->pos(), QPoint(20, 10));
    QCOMPARE(pages.at(1)->pos(), QPoint(20 + one.width() + 10, 10));
    QCOMPARE(container->size(), QSize(2 * one.width() + 10 + 40, one.height() + 20));
    // The last page of an odd count: the second widget is empty and hidden.
    window->lastPage();
    QCOMPARE(pages.at(0)->content(), window->output()->page(4));
    QVERIFY(!pages.at(1)->isVisible());
    QCOMPARE(container->size(), one + QSize(40, 20));

    window->setViewContinous();
    pages = container->pageWidgets();
    QCOMPARE(pages.size(), 5);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(pages.at(i)->pos(), QPoint(20, 10 + i * (one.height() + 10)));
        QCOMPARE(pages.at(i)->content(), window->output()->page(i));
    }
    QCOMPARE(container->size(), QSize(one.width() + 40, 5 * one.height() + 4 * 10 + 20));
    window->gotoPage(4);
    QCOMPARE(window->currentPage(), 4);
    const QRect visible(-container->pos(), window->centralWidget()->size());
    QVERIFY(visible.intersects(pages.at(3)->geometry()));

    window->setViewSingle();
    QCOMPARE(container->pageWidgets().size(), 1);
    QCOMPARE(container->pageWidgets().first()->content(), window->output()->page(3));
}

void TestPreviewWindow::pixels()
{
    auto window = shownWindow(batchOutput());
    QVERIFY(window);
    TessarinPreviewPage *page = window->pageContainer()->pageWidgets().first();
    // The report puts the box 5 mm margin + 10 mm in and 5 mm + 2 mm down,
    // 30 x 10 mm large; its frame takes a pixel on each side.
    const TessarinScale scale;
    const auto px = [&](double mm) { return scale.mmToRealPixel(mm); };
    const QRectF expected(px(15) + 1, px(7) + 1, px(30) - 2, px(10) - 2);

    for (const double factor : {1.0, 1.5}) {
        window->zoomChanged(factor);
        QCoreApplication::processEvents();
        const QImage shot = window->grab().toImage();
        const QPoint origin = page->mapTo(window.get(), QPoint(0, 0));
        const QRect sheet(origin, page->sheetSize());
        QVERIFY(QRect(QPoint(0, 0), shot.size()).contains(sheet.adjusted(0, 0, 40, 40)));
        const QRect box = blueBox(shot).translated(-origin);
        QVERIFY2(qAbs(box.left() - expected.left() * factor) <= 2 && qAbs(box.top() - expected.top() * factor) <= 2
                     && qAbs(box.width() - expected.width() * factor) <= 3
                     && qAbs(box.height() - expected.height() * factor) <= 3,
                 qPrintable(QStringLiteral("zoom %1: box %2,%3 %4x%5")
                                .arg(factor).arg(box.left()).arg(box.top()).arg(box.width()).arg(box.height())));
        // A gray frame, white paper, and the drop shadow below right of the sheet.
        QCOMPARE(shot.pixel(origin), QColor(Qt::gray).rgb());
        QCOMPARE(shot.pixel(sheet.bottomRight() - QPoint(10, 10)), qRgb(255, 255, 255));
        const QRgb background = shot.pixel(sheet.right() + 30, sheet.bottom() + 30 < shot.height() - 30
                                                                    ? sheet.bottom() + 30 : sheet.top());
        const QRgb shadow = shot.pixel(sheet.right() + 3, sheet.center().y());
        QVERIFY2(qGray(shadow) < qGray(background) - 20, "no drop shadow");
    }
    // Through the pixmap buffer the page looks the same.
    const QImage direct = page->grab().toImage();
    page->setBuffered(true);
    QCOMPARE(page->grab().toImage(), direct);
}

void TestPreviewWindow::settings()
{
    const QString org = QStringLiteral("TessarinTests");
    const QString app = QStringLiteral("previewsettings");
    QSettings(org, app).clear();
    {
        TessarinPreviewWindow fresh(nullptr, Qt::WindowFlags(), org, app);
        QVERIFY(fresh.windowState() & Qt::WindowMaximized); // nothing stored yet
    }
    QPointer<TessarinPreviewWindow> window = new TessarinPreviewWindow(nullptr, Qt::WindowFlags(), org, app);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowState(Qt::WindowNoState);
    window->resize(640, 480);
    window->setOutput(batchOutput());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->zoomChanged(150);
    window->setViewContinous();
    window->setDefaultOutputDir(m_dir.path());
    QVERIFY(window->close());
    QTRY_VERIFY(!window);

    QSettings stored(org, app);
    QVERIFY(!stored.value(QStringLiteral("preview/geometry")).toByteArray().isEmpty());
    QVERIFY(!stored.value(QStringLiteral("preview/state")).toByteArray().isEmpty());
    QCOMPARE(stored.value(QStringLiteral("preview/viewmode")).toInt(), 2);
    QCOMPARE(stored.value(QStringLiteral("preview/zoomlevel")).toDouble(), 1.5);
    QCOMPARE(stored.value(QStringLiteral("preview/lastdir")).toString(), m_dir.path());

    TessarinPreviewWindow again(nullptr, Qt::WindowFlags(), org, app);
    QVERIFY(!(again.windowState() & Qt::WindowMaximized));
    QCOMPARE(again.showType(), TessarinPreviewPageContainer::Continuous);
    QVERIFY(again.actionViewContinousMode()->isChecked());
    QCOMPARE(again.defaultOutputDir(), m_dir.path());
    QCOMPARE(again.zoomFactor(), 1.0);
    again.setOutput(batchOutput()); // the stored zoom applies to the pages
    QCOMPARE(again.zoomFactor(), 1.5);
    QCOMPARE(again.pageContainer()->pageWidgets().size(), 5);

    // A stored zoom out of range is not applied.
    stored.setValue(QStringLiteral("preview/zoomlevel"), 9.0);
    stored.sync();
    TessarinPreviewWindow outOfRange(nullptr, Qt::WindowFlags(), org, app);
    outOfRange.setOutput(batchOutput());
    QCOMPARE(outOfRange.zoomFactor(), 1.0);
}

void TestPreviewWindow::proposedFileName()
{
    TessarinPreviewWindow window;
    QCOMPARE(window.proposedFileName(QStringLiteral("pdf")), QStringLiteral("./report.pdf"));
    window.setDefaultOutputDir(QString());
    window.setDefaultOutputFileName(QStringLiteral("sales"));
    QCOMPARE(window.proposedFileName(QStringLiteral("svg")), QStringLiteral("sales.svg"));
    window.setDefaultOutputFileName(QString());
    QCOMPARE(window.proposedFileName(QStringLiteral("pdf")), QStringLiteral("report.pdf"));
    window.setDefaultOutputDir(QStringLiteral("/tmp/out"));
    window.setDefaultOutputFileName(QStringLiteral("sales {DT} final"));
    const QString before = QDateTime::currentDateTime().toString(Qt::TextDate);
    const QString name = window.proposedFileName(QStringLiteral("pdf"));
    const QString after = QDateTime::currentDateTime().toString(Qt::TextDate);
    QVERIFY2(name == QStringLiteral("/tmp/out/sales %1 final.pdf").arg(before)
                 || name == QStringLiteral("/tmp/out/sales %1 final.pdf").arg(after),
             qPrintable(name));
}

void TestPreviewWindow::exportWithoutReport()
{
    auto window = shownWindow(batchOutput());
    QVERIFY(window);
    QVERIFY(!window->report());
    const QString fileName = m_dir.filePath(QStringLiteral("stored.pdf"));
    acceptFileDialogWith(fileName);
    window->activatePdf();
    QVERIFY(window->donePDF());
    QCOMPARE(window->defaultOutputDir(), m_dir.path());
    QCOMPARE(pdfPageCount(fileName), 5);
    const QString text = pdfText(fileName);
    QCOMPARE(text.count(QStringLiteral("PREVIEWCAPTION")), 5);
    // The stored pages land where the report itself puts them on paper, in
    // the same type size (the advance widths follow the screen's hinting).
    const QString direct = m_dir.filePath(QStringLiteral("direct.pdf"));
    QVERIFY(m_report.runReportToPdf(direct));
    for (const QString &word : {QStringLiteral("PREVIEWCAPTION"), QStringLiteral("Row3"), QStringLiteral("Row9")}) {
        const QRectF printed = wordBox(fileName, word);
        const QRectF reference = wordBox(direct, word);
        QVERIFY2(!reference.isEmpty() && !printed.isEmpty(), qPrintable(word));
        QVERIFY2(qAbs(printed.left() - reference.left()) < 1.5 && qAbs(printed.top() - reference.top()) < 1.5
                     && qAbs(printed.height() - reference.height()) < 1,
                 qPrintable(word));
    }
    // SVG needs the report to run again: nothing happens without one.
    window->activateSvg();
    QVERIFY(!window->doneSVG());
}

void TestPreviewWindow::rerunFromWindow()
{
    Tessarin report;
    report.setReportDefXml(definition(4));
    QVERIFY(report.runReportToPreview());
    auto window = shownWindow(qobject_cast<TessarinPreviewOutput *>(report.takeOutput()));
    QVERIFY(window);
    window->setReport(&report);
    QPointer<TessarinPreviewOutput> shown(window->output());
    QSignalSpy pdfDone(window.get(), &TessarinPreviewWindow::runPdfDone);
    QSignalSpy svgDone(window.get(), &TessarinPreviewWindow::runSvgDone);

    const QString pdf = m_dir.filePath(QStringLiteral("rerun.pdf"));
    acceptFileDialogWith(pdf);
    window->activatePdf();
    QCOMPARE(pdfDone.count(), 1);
    QVERIFY(window->donePDF());
    QVERIFY(window->isEnabled());
    QCOMPARE(pdfPageCount(pdf), 2);

    const QString svg = m_dir.filePath(QStringLiteral("rerun.svg"));
    acceptFileDialogWith(svg);
    window->activateSvg();
    QCOMPARE(svgDone.count(), 1);
    QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("rerun_p1.svg"))));

    // The runs left the window's pages alone.
    QVERIFY(shown);
    QCOMPARE(window->output(), shown.data());
    QCOMPARE(window->pageCount(), 2);

    // While a run is going on the window cannot be closed.
    window->setEnabled(false);
    QVERIFY(!window->close());
    window->setEnabled(true);

    // A failing run says so and emits nothing.
    report.setReportDefXml(QStringLiteral("<Tessarin version=\"2.0\"><broken"));
    acceptFileDialogWith(m_dir.filePath(QStringLiteral("broken.pdf")));
    window->activatePdf();
    QCOMPARE(pdfDone.count(), 1);
    QVERIFY(window->isEnabled());
    QVERIFY(!window->statusBar()->currentMessage().isEmpty());
}

void TestPreviewWindow::reportApi()
{
    Tessarin report;
    report.setReportDefXml(definition(9));
    QPointer<TessarinPreviewWindow> window = report.runReportToShowPreview(nullptr, false);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowModality(), Qt::ApplicationModal);
    QCOMPARE(window->report(), &report);
    QVERIFY(!report.output()); // the window owns the pages now
    QCOMPARE(window->pageCount(), 3);
    QVERIFY(report.runReportToPreview());
    QVERIFY(report.runReportToPdf(m_dir.filePath(QStringLiteral("api.pdf"))));
    QCOMPARE(window->pageCount(), 3);
    QCOMPARE(window->output()->page(0).isEmpty(), false);
    window->close();
    QTRY_VERIFY(!window); // deleted on close

    report.setReportDefXml(QStringLiteral("<Tessarin version=\"2.0\"><broken"));
    QVERIFY(!report.runReportToShowPreview(nullptr, false));
    report.setReportDefXml(definition(4));

    // The blocking forms return when the window is closed, telling whether it printed.
    const auto closeActiveWindow = [](bool printed) {
        QTimer::singleShot(100, [printed]() {
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (auto *preview = qobject_cast<TessarinPreviewWindow *>(widget))
                    if (preview->isVisible()) {
                        if (printed)
                            emit preview->runPrinterDone();
                        preview->close();
                    }
        });
    };
    closeActiveWindow(false);
    QVERIFY(!report.runReportToShowPreviewDonePrint());
    QVERIFY(report.runReportToPreview());
    closeActiveWindow(true);
    QVERIFY(report.execPreview(report.output(), nullptr, false));
    QVERIFY(!report.output());
    QVERIFY(!report.execPreview(nullptr, nullptr, false));
    std::unique_ptr<TessarinOutput> pdf(Tessarin::createOutput(TessarinOutput::PdfOutput));
    QVERIFY(!report.execPreview(pdf.get(), nullptr, false)); // not a preview output
}

QTEST_MAIN(TestPreviewWindow)
#include "tst_preview_window.moc"
