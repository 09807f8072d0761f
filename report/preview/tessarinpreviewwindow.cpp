#include "tessarinpreviewwindow.h"

#include "tessarin.h"
#include "tessarinpreviewoutput.h"
#include "tessarinpreviewpage.h"
#include "tessarinpreviewscrollarea_p.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPicture>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <memory>

namespace {
constexpr double MinZoom = 0.1;
constexpr double MaxZoom = 7.0;
// Steps of 0.1 add up to 0.30000000000000004; such a factor is still 0.3.
constexpr double ZoomEpsilon = 1e-9;

bool zoomInRange(double factor)
{
    return factor >= MinZoom - ZoomEpsilon && factor <= MaxZoom + ZoomEpsilon;
}

// An application may ship its own images under ":/images/"; otherwise the
// desktop theme's or the style's.
QIcon actionIcon(const QWidget *widget, const char *resource, const char *themeName, QStyle::StandardPixmap fallback)
{
    const QString path = QStringLiteral(":/images/") + QLatin1String(resource);
    if (QFile::exists(path))
        return QIcon(path);
    return QIcon::fromTheme(QLatin1String(themeName), widget->style()->standardIcon(fallback));
}
} // namespace

TessarinPreviewWindow::TessarinPreviewWindow(QWidget *parent, Qt::WindowFlags flags,
                                             const QString &settingsOrganization,
                                             const QString &settingsApplication)
    : QMainWindow(parent, flags)
    , m_settingsOrganization(settingsOrganization)
    , m_settingsApplication(settingsApplication)
{
    setWindowTitle(tr("%1 %2 %3 preview").arg(QStringLiteral("Tessarin"), Tessarin::version(), QString()));

    m_scrollArea = new TessarinPreviewScrollArea(this);
    m_container = new TessarinPreviewPageContainer;
    m_scrollArea->setWidget(m_container);
    setCentralWidget(m_scrollArea);

    createActions();
    createMenus();
    createToolBars();
    statusBar()->showMessage(tr("Ready"));
    readSettings();
    connect(m_scrollArea->verticalScrollBar(), SIGNAL(valueChanged(int)), this, SLOT(sliderMoved(int)));
    updatePageSpin();
    updateActions();
    m_scrollArea->setFocus();
}

TessarinPreviewWindow::~TessarinPreviewWindow()
{
    if (m_loop)
        m_loop->quit();
}

void TessarinPreviewWindow::createActions()
{
    const auto make = [this](const QString &text, const QString &iconText, const QString &tip, const QIcon &icon,
                             const QKeySequence &shortcut, const char *slot) {
        auto *action = new QAction(icon, text, this);
        if (!iconText.isEmpty())
            action->setIconText(iconText);
        action->setStatusTip(tip);
        if (!shortcut.isEmpty())
            action->setShortcut(shortcut);
        if (slot)
            connect(action, SIGNAL(triggered()), this, slot);
        return action;
    };

    m_actOpen = make(tr("Open report file"), QString(), tr("Open Tessarin Intermediate report file"),
                     actionIcon(this, "open.png", "document-open", QStyle::SP_DialogOpenButton),
                     QKeySequence(tr("Ctrl+O")), SLOT(open()));
    m_actOpen->setEnabled(false);
    m_actAbout = make(tr("&About"), QString(), tr("Show the application's About box"), QIcon(), QKeySequence(),
                      SLOT(about()));
    m_actAboutQt = make(tr("About &Qt"), QString(), tr("Show the Qt library's About box"), QIcon(), QKeySequence(),
                        nullptr);
    connect(m_actAboutQt, SIGNAL(triggered()), qApp, SLOT(aboutQt()));

    m_actPrint = make(tr("Print the report"), tr("Print"), tr("Print"),
                      actionIcon(this, "printer.png", "document-print", QStyle::SP_FileIcon),
                      QKeySequence(QKeySequence::Print), SLOT(activatePrint()));
    m_actPdf = make(tr("Print report to PDF file"), tr("PDF"), tr("Print to PDF file"),
                    actionIcon(this, "pdf.png", "document-save-as", QStyle::SP_DialogSaveButton), QKeySequence(),
                    SLOT(activatePdf()));
    m_actSvg = make(tr("Print report to SVG files"), tr("SVG"), tr("Print to SVG files"),
                    actionIcon(this, "svg.png", "image-x-generic", QStyle::SP_DriveFDIcon), QKeySequence(),
                    SLOT(activateSvg()));
    m_actZoomIn = make(tr("Zoom in the page"), tr("Zoom in"), tr("Zoom in page"),
                       actionIcon(this, "zoomin.png", "zoom-in", QStyle::SP_ArrowUp), QKeySequence(QStringLiteral("+")),
                       SLOT(zoomPlus()));
    m_actZoomOut = make(tr("Zoom out page"), tr("Zoom out"), tr("Zoom out"),
                        actionIcon(this, "zoomout.png", "zoom-out", QStyle::SP_ArrowDown),
                        QKeySequence(QStringLiteral("-")), SLOT(zoomMinus()));
    m_actZoom1 = make(tr("Original page size"), tr("1:1"), tr("1:1 size"),
                      actionIcon(this, "zoom1.png", "zoom-original", QStyle::SP_BrowserReload),
                      QKeySequence(QStringLiteral("0")), SLOT(zoom1()));
    m_actFirst = make(tr("First page"), tr("First"), tr("Go to first page"),
                      actionIcon(this, "first.png", "go-first", QStyle::SP_MediaSkipBackward),
                      QKeySequence(QStringLiteral("Ctrl+Home")), SLOT(firstPage()));
    m_actPrev = make(tr("Previous page"), tr("Previous"), tr("Go to previous page"),
                     actionIcon(this, "previous.png", "go-previous", QStyle::SP_ArrowLeft),
                     QKeySequence(QStringLiteral("Ctrl+Left")), SLOT(prevPage()));
    m_actNext = make(tr("Next page"), tr("Next"), tr("Go to next page"),
                     actionIcon(this, "next.png", "go-next", QStyle::SP_ArrowRight),
                     QKeySequence(QStringLiteral("Ctrl+Right")), SLOT(nextPage()));
    m_actLast = make(tr("Last page"), tr("Last"), tr("Go to final page"),
                     actionIcon(this, "last.png", "go-last", QStyle::SP_MediaSkipForward),
                     QKeySequence(QStringLiteral("Ctrl+End")), SLOT(lastPage()));
    m_actGoto = make(tr("Go to page..."), tr("Go to"), tr("Go to specified page"),
                     actionIcon(this, "goto.png", "go-jump", QStyle::SP_FileDialogContentsView),
                     QKeySequence(QStringLiteral("Ctrl+G")), SLOT(gotoPage()));
    m_actClose = make(tr("Close"), QString(), tr("Exit preview"),
                      actionIcon(this, "close.png", "window-close", QStyle::SP_DialogCloseButton),
                      QKeySequence(Qt::Key_Escape), SLOT(close()));
    m_actNextReport = make(tr("Next report"), tr("Next report"), tr("Go to next report"),
                           actionIcon(this, "nextreport.png", "go-down", QStyle::SP_MediaSeekForward),
                           QKeySequence(), SLOT(nextReport()));
    m_actPrevReport = make(tr("Previous report"), tr("Previous report"), tr("Go to previous report"),
                           actionIcon(this, "prevreport.png", "go-up", QStyle::SP_MediaSeekBackward),
                           QKeySequence(), SLOT(prevReport()));

    m_viewGroup = new QActionGroup(this);
    m_viewGroup->setExclusive(true);
    m_actViewSingle = make(tr("One page"), QString(), tr("One page mode"), QIcon(), QKeySequence(), nullptr);
    m_actViewDouble = make(tr("Two pages"), QString(), tr("Two pages mode"), QIcon(), QKeySequence(), nullptr);
    m_actViewContinous = make(tr("Continous"), QString(), tr("Continous mode"), QIcon(), QKeySequence(), nullptr);
    for (QAction *action : {m_actViewSingle, m_actViewDouble, m_actViewContinous}) {
        action->setCheckable(true);
        m_viewGroup->addAction(action);
    }
    m_actViewSingle->setChecked(true);
    connect(m_viewGroup, SIGNAL(triggered(QAction *)), this, SLOT(viewChange(QAction *)));
}

void TessarinPreviewWindow::createMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(m_actOpen);
    file->addAction(m_actPrint);
    file->addAction(m_actPdf);
    file->addAction(m_actSvg);
    file->addSeparator();
    file->addAction(m_actAbout);
    file->addAction(m_actAboutQt);
    file->addSeparator();
    file->addAction(m_actClose);

    QMenu *view = menuBar()->addMenu(tr("&View"));
    view->addAction(m_actZoomIn);
    view->addAction(m_actZoomOut);
    view->addAction(m_actZoom1);
    view->addSeparator();
    view->addAction(m_actViewSingle);
    view->addAction(m_actViewDouble);
    view->addAction(m_actViewContinous);

    QMenu *navigate = menuBar()->addMenu(tr("&Navigate"));
    navigate->addAction(m_actFirst);
    navigate->addAction(m_actPrev);
    navigate->addAction(m_actNext);
    navigate->addAction(m_actLast);
    navigate->addAction(m_actGoto);
    navigate->addSeparator();
    navigate->addAction(m_actPrevReport);
    navigate->addAction(m_actNextReport);
}

void TessarinPreviewWindow::createToolBars()
{
    m_tbFile = addToolBar(tr("File"));
    m_tbFile->setObjectName(QStringLiteral("tbFile"));
    m_tbFile->addAction(m_actPrint);
    m_tbFile->addAction(m_actPdf);
    m_tbFile->addAction(m_actSvg);
    m_tbFile->addAction(m_actClose);

    m_tbView = addToolBar(tr("View"));
    m_tbView->setObjectName(QStringLiteral("tbView"));
    m_tbView->addAction(m_actZoomIn);
    m_tbView->addAction(m_actZoomOut);
    m_tbView->addAction(m_actZoom1);
    m_tbView->addSeparator();
    m_zoomBox = new QComboBox(m_tbView);
    m_zoomBox->setObjectName(QStringLiteral("zoomBox"));
    for (int percent = 10; percent <= 200; percent += 10)
        m_zoomBox->addItem(tr("%1 %").arg(percent));
    for (int percent : {300, 400, 500})
        m_zoomBox->addItem(tr("%1 %").arg(percent));
    // Editable, so that a factor between the entries (or typed) can be shown.
    m_zoomBox->setEditable(true);
    m_zoomBox->setInsertPolicy(QComboBox::NoInsert);
    m_zoomBox->setCurrentText(tr("%1 %").arg(100));
    connect(m_zoomBox, SIGNAL(textActivated(QString)), this, SLOT(zoomChanged(QString)));
    m_tbView->addWidget(m_zoomBox);

    m_tbNav = addToolBar(tr("Navigate"));
    m_tbNav->setObjectName(QStringLiteral("tbNav"));
    m_tbNav->addAction(m_actFirst);
    m_tbNav->addAction(m_actPrev);
    m_tbNav->addAction(m_actNext);
    m_tbNav->addAction(m_actLast);
    m_tbNav->addAction(m_actGoto);
    m_pageLabel = new QLabel(tr("Page: "), m_tbNav);
    m_tbNav->addWidget(m_pageLabel);
    m_pageSpin = new QSpinBox(m_tbNav);
    m_pageSpin->setObjectName(QStringLiteral("pageSpin"));
    m_pageSpin->setMinimum(1);
    m_pageSpin->setMinimumWidth(80);
    connect(m_pageSpin, SIGNAL(valueChanged(int)), this, SLOT(gotoPage(int)));
    m_tbNav->addWidget(m_pageSpin);
    m_tbNav->addAction(m_actPrevReport);
    m_tbNav->addAction(m_actNextReport);
    m_tbNav->addAction(m_actViewSingle);
    m_tbNav->addAction(m_actViewDouble);
    m_tbNav->addAction(m_actViewContinous);
}

void TessarinPreviewWindow::setSettingsData(const QString &organization, const QString &application)
{
    m_settingsOrganization = organization;
    m_settingsApplication = application;
    readSettings();
}

QSettings *TessarinPreviewWindow::createSettings() const
{
    if (!m_settingsOrganization.isEmpty() && !m_settingsApplication.isEmpty())
        return new QSettings(m_settingsOrganization, m_settingsApplication);
    return new QSettings;
}

void TessarinPreviewWindow::readSettings()
{
    std::unique_ptr<QSettings> settings(createSettings());
    const QByteArray geometry = settings->value(QStringLiteral("preview/geometry")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        setWindowState(windowState() | Qt::WindowMaximized);
    restoreState(settings->value(QStringLiteral("preview/state")).toByteArray());
    m_lastDir = settings->value(QStringLiteral("preview/lastdir"), QStringLiteral(".")).toString();
    const int viewMode = settings->value(QStringLiteral("preview/viewmode"), -1).toInt();
    if (viewMode == TessarinPreviewPageContainer::TwoPages)
        setView(TessarinPreviewPageContainer::TwoPages);
    else if (viewMode == TessarinPreviewPageContainer::Continuous)
        setView(TessarinPreviewPageContainer::Continuous);
    m_storedZoom = settings->value(QStringLiteral("preview/zoomlevel"), 1.0).toDouble();
}

void TessarinPreviewWindow::writeSettings()
{
    std::unique_ptr<QSettings> settings(createSettings());
    settings->setValue(QStringLiteral("preview/geometry"), saveGeometry());
    settings->setValue(QStringLiteral("preview/state"), saveState());
    settings->setValue(QStringLiteral("preview/lastdir"), m_lastDir);
    settings->setValue(QStringLiteral("preview/viewmode"), int(showType()));
    settings->setValue(QStringLiteral("preview/zoomlevel"), m_zoom);
}

void TessarinPreviewWindow::setOutput(TessarinPreviewOutput *output)
{
    if (output == m_output)
        return;
    m_container->setOutput(nullptr);
    delete m_output;
    m_output = output;
    if (m_output)
        m_output->setParent(this);
    m_container->setOutput(m_output);
    m_currentPage = 0;
    m_currentReport = 0;
    updatePageSpin();
    loadPage(1);
    if (!qFuzzyCompare(m_storedZoom, 1.0) && zoomInRange(m_storedZoom))
        setZoom(m_storedZoom);
    updateActions();
}

void TessarinPreviewWindow::setReport(Tessarin *report)
{
    m_report = report;
}

Tessarin *TessarinPreviewWindow::report() const
{
    return m_report.data();
}

QString TessarinPreviewWindow::proposedFileName(const QString &extension) const
{
    QString name = m_defaultOutputFileName.isEmpty() ? QStringLiteral("report") : m_defaultOutputFileName;
    name.replace(QLatin1String("{DT}"), QDateTime::currentDateTime().toString(Qt::TextDate));
    const QString prefix = m_lastDir.isEmpty() ? QString() : m_lastDir + QLatin1Char('/');
    return prefix + name + QLatin1Char('.') + extension;
}

int TessarinPreviewWindow::pageCount() const
{
    return m_output ? m_output->pageCount() : 0;
}

int TessarinPreviewWindow::reportCount() const
{
    if (!m_output || m_output->pageCount() == 0)
        return 0;
    return qMax(1, m_output->startPagesOfReports().size());
}

TessarinPreviewPageContainer::ShowType TessarinPreviewWindow::showType() const
{
    return m_container->showType();
}

int TessarinPreviewWindow::reportOfPage(int page) const
{
    if (!m_output || page < 1)
        return 0;
    const QList<int> starts = m_output->startPagesOfReports();
    int report = 1;
    for (int i = 0; i < starts.size(); ++i)
        if (starts.at(i) <= page)
            report = i + 1;
    return report;
}

void TessarinPreviewWindow::exec()
{
    show();
    QEventLoop loop;
    m_loop = &loop;
    QPointer<TessarinPreviewWindow> self(this);
    loop.exec(QEventLoop::DialogExec);
    if (self)
        self->m_loop = nullptr;
}

void TessarinPreviewWindow::closeEvent(QCloseEvent *event)
{
    // A report runs again from this window: it must not go away under it.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    writeSettings();
    event->accept();
    if (m_loop)
        m_loop->quit();
}

void TessarinPreviewWindow::firstPage(PagePosition position)
{
    loadPage(1, position);
}

void TessarinPreviewWindow::prevPage(PagePosition position)
{
    if (m_currentPage > 1)
        loadPage(m_currentPage - 1, position);
}

void TessarinPreviewWindow::nextPage(PagePosition position)
{
    if (m_currentPage < pageCount())
        loadPage(m_currentPage + 1, position);
}

void TessarinPreviewWindow::lastPage(PagePosition position)
{
    loadPage(pageCount(), position);
}

void TessarinPreviewWindow::gotoPage()
{
    if (pageCount() < 1)
        return;
    bool ok = false;
    const int page = QInputDialog::getInt(this, tr("Go to page"), tr("Page number:"), qMax(1, m_currentPage), 1,
                                          pageCount(), 1, &ok);
    if (ok)
        loadPage(page);
}

void TessarinPreviewWindow::gotoPage(int page)
{
    if (page != m_currentPage)
        loadPage(page);
}

void TessarinPreviewWindow::loadPage(int page, PagePosition position)
{
    if (page < 1 || page > pageCount()) {
        updateActions();
        return;
    }
    m_currentPage = page;
    m_currentReport = reportOfPage(page);
    QScrollBar *bar = m_scrollArea->verticalScrollBar();
    // Scrolling here is not the user moving through a continuous view.
    m_scrolling = true;
    if (showType() == TessarinPreviewPageContainer::Continuous) {
        if (page == 1)
            bar->setValue(bar->minimum());
        else if (TessarinPreviewPage *widget = m_container->widgetOfPage(page))
            m_scrollArea->ensureWidgetVisible(widget, 50, 50);
    } else {
        m_container->loadPage(page);
        bar->setValue(position == PageBottom ? bar->maximum() : bar->minimum());
    }
    m_scrolling = false;
    updatePageSpin();
    updateActions();
}

void TessarinPreviewWindow::nextReport()
{
    if (m_currentReport >= reportCount())
        return;
    const QList<int> starts = m_output->startPagesOfReports();
    loadPage(starts.value(m_currentReport, 1));
}

void TessarinPreviewWindow::prevReport()
{
    if (m_currentReport <= 1)
        return;
    const QList<int> starts = m_output->startPagesOfReports();
    loadPage(starts.value(m_currentReport - 2, 1));
}

void TessarinPreviewWindow::sliderMoved(int value)
{
    if (m_scrolling || showType() != TessarinPreviewPageContainer::Continuous || pageCount() < 1)
        return;
    const int maximum = m_scrollArea->verticalScrollBar()->maximum();
    const int page = maximum > 0 ? qMin(int(qint64(value) * pageCount() / maximum) + 1, pageCount()) : 1;
    if (page == m_currentPage)
        return;
    m_currentPage = page;
    m_currentReport = reportOfPage(page);
    updatePageSpin();
    updateActions();
}

void TessarinPreviewWindow::zoomPlus()
{
    setZoom(m_zoom + 0.1);
}

void TessarinPreviewWindow::zoomMinus()
{
    setZoom(m_zoom - 0.1);
}

void TessarinPreviewWindow::zoom1()
{
    setZoom(1.0);
}

void TessarinPreviewWindow::zoomChanged(const QString &text)
{
    // "50 %", "150 %", or a number typed into the box.
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^\\s*(\\d+)")).match(text);
    if (match.hasMatch())
        setZoom(match.captured(1).toInt() / 100.0);
    else
        setZoom(m_zoom); // shows the factor in force again
}

void TessarinPreviewWindow::zoomChanged(int percent)
{
    setZoom(percent / 100.0);
}

void TessarinPreviewWindow::zoomChanged(double factor)
{
    setZoom(factor);
}

void TessarinPreviewWindow::setZoom(double factor)
{
    if (zoomInRange(factor)) {
        m_zoom = qBound(MinZoom, qRound(factor * 1000.0) / 1000.0, MaxZoom);
        m_container->setScaleFactor(m_zoom);
        if (showType() != TessarinPreviewPageContainer::Continuous || m_currentPage <= 1) {
            m_scrolling = true;
            m_scrollArea->verticalScrollBar()->setValue(0);
            m_scrolling = false;
        } else if (TessarinPreviewPage *widget = m_container->widgetOfPage(m_currentPage)) {
            m_scrolling = true;
            m_scrollArea->ensureWidgetVisible(widget, 50, 50);
            m_scrolling = false;
        }
    }
    const QString text = tr("%1 %").arg(qRound(m_zoom * 100));
    const int index = m_zoomBox->findText(text);
    if (index >= 0)
        m_zoomBox->setCurrentIndex(index);
    m_zoomBox->setCurrentText(text);
}

void TessarinPreviewWindow::viewChange(QAction *action)
{
    if (action == m_actViewDouble)
        setViewDouble();
    else if (action == m_actViewContinous)
        setViewContinous();
    else
        setViewSingle();
}

void TessarinPreviewWindow::setViewSingle()
{
    setView(TessarinPreviewPageContainer::OnePage);
}

void TessarinPreviewWindow::setViewDouble()
{
    setView(TessarinPreviewPageContainer::TwoPages);
}

void TessarinPreviewWindow::setViewContinous()
{
    setView(TessarinPreviewPageContainer::Continuous);
}

void TessarinPreviewWindow::setView(TessarinPreviewPageContainer::ShowType type)
{
    m_container->setShowType(type);
    QAction *checked = type == TessarinPreviewPageContainer::TwoPages     ? m_actViewDouble
                       : type == TessarinPreviewPageContainer::Continuous ? m_actViewContinous
                                                                          : m_actViewSingle;
    checked->setChecked(true);
    if (m_currentPage >= 1)
        loadPage(m_currentPage);
}

void TessarinPreviewWindow::updatePageSpin()
{
    const QSignalBlocker blocker(m_pageSpin);
    const int count = pageCount();
    m_pageSpin->setMaximum(count);
    m_pageSpin->setSuffix(QLatin1Char('/') + QString::number(count));
    if (m_currentPage >= 1)
        m_pageSpin->setValue(m_currentPage);
}

void TessarinPreviewWindow::updateActions()
{
    const int count = pageCount();
    const int reports = reportCount();
    m_actFirst->setEnabled(m_currentPage > 1);
    m_actPrev->setEnabled(m_currentPage > 1);
    m_actNext->setEnabled(m_currentPage < count);
    m_actLast->setEnabled(m_currentPage < count);
    m_actGoto->setEnabled(count > 0);
    m_actNextReport->setEnabled(m_currentReport < reports);
    m_actPrevReport->setEnabled(m_currentReport > 1);
    if (count > 0)
        statusBar()->showMessage(tr("Page: %1/%2").arg(m_currentPage).arg(count));
}

template<typename Run>
bool TessarinPreviewWindow::rerunReport(Run run)
{
    Tessarin *report = m_report.data();
    // Closing is refused while disabled: the report runs inside this window's slot.
    setEnabled(false);
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    // Not a child: a disabled window would disable its dialog too.
    QProgressDialog progress(tr("Printing report..."), tr("Cancel"), 0, 0, nullptr);
    progress.setWindowModality(Qt::ApplicationModal);
    connect(report, SIGNAL(dataRowCount(int)), &progress, SLOT(setMaximum(int)));
    connect(report, SIGNAL(dataRowProgress(int)), &progress, SLOT(setValue(int)));
    connect(report, SIGNAL(pageProgress(QString)), &progress, SLOT(setLabelText(QString)));
    connect(&progress, SIGNAL(canceled()), report, SLOT(cancel()));
    report->reset(false);
    const bool ok = run(report) && report->reportDone() && !report->hasError();
    const QString error = report->lastErrorMsg();
    progress.disconnect(report);
    report->disconnect(&progress);
    QApplication::restoreOverrideCursor();
    setEnabled(true);
    if (!ok && !error.isEmpty())
        statusBar()->showMessage(error);
    return ok;
}

void TessarinPreviewWindow::activatePrint()
{
    if (m_report) {
        const bool dialog = m_usePrintDialog;
        const QString printer = m_printerName;
        // The print dialog gets no parent: this window is disabled during the run.
        if (rerunReport([dialog, printer](Tessarin *r) {
                return r->runReportToPrinter(1, dialog, nullptr, printer);
            })) {
            m_donePrint = true;
            emit runPrinterDone();
        }
        return;
    }
    if (!m_output)
        return;
    QPrinter printer(QPrinter::HighResolution);
    if (!m_printerName.isEmpty())
        printer.setPrinterName(m_printerName);
    const TessarinPageOption &option = m_output->option();
    printer.setPageOrientation(option.pageOrientation() == QPrinter::Landscape ? QPageLayout::Landscape
                                                                               : QPageLayout::Portrait);
    if (option.paperSize() == QPagedPaintDevice::Custom)
        printer.setPageSize(QPageSize(option.pageSizeMM(), QPageSize::Millimeter));
    else
        printer.setPageSize(QPageSize(QPageSize::PageSizeId(option.paperSize())));
    printer.setFullPage(true);
    if (m_usePrintDialog) {
        QPrintDialog dialog(&printer, this);
        dialog.setMinMax(1, pageCount());
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    m_donePrint = printStoredPages(&printer);
}

void TessarinPreviewWindow::activatePdf()
{
    const QString fileName = QFileDialog::getSaveFileName(this, tr("Save PDF File"), proposedFileName(QStringLiteral("pdf")),
                                                          tr("Pdf files (*.pdf)"));
    if (fileName.isEmpty())
        return;
    m_lastDir = QFileInfo(fileName).absolutePath();
    if (m_report) {
        if (rerunReport([fileName](Tessarin *r) { return r->runReportToPdf(fileName); })) {
            m_donePDF = true;
            emit runPdfDone();
        }
        return;
    }
    if (!m_output || pageCount() < 1)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer.setPageSize(QPageSize(m_output->pageSizeMM(1), QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    m_donePDF = printStoredPages(&printer);
}

void TessarinPreviewWindow::activateSvg()
{
    if (!m_report)
        return;
    const QString fileName = QFileDialog::getSaveFileName(this, tr("Save to SVG File(s)"),
                                                          proposedFileName(QStringLiteral("svg")),
                                                          tr("Svg files (*.svg)"));
    if (fileName.isEmpty())
        return;
    m_lastDir = QFileInfo(fileName).absolutePath();
    if (rerunReport([fileName](Tessarin *r) { return r->runReportToSVG(fileName); })) {
        m_doneSVG = true;
        emit runSvgDone();
    }
}

bool TessarinPreviewWindow::printStoredPages(QPrinter *printer)
{
    const int count = pageCount();
    if (count < 1)
        return false;
    int from = 1;
    int to = count;
    if (printer->printRange() == QPrinter::PageRange) {
        from = qBound(1, printer->fromPage(), count);
        to = printer->toPage() > 0 ? qBound(from, printer->toPage(), count) : count;
    }
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    for (int page = from; page <= to; ++page) {
        if (page > from)
            printer->newPage();
        const QByteArray data = m_output->page(page - 1);
        QPicture picture;
        picture.setData(data.constData(), uint(data.size()));
        // drawPicture() scales by the printer's resolution over the one the
        // loaded picture claims; the page was recorded at the output's.
        const double correction = double(picture.logicalDpiX()) / m_output->resolution();
        painter.save();
        painter.scale(correction, correction);
        painter.drawPicture(0, 0, picture);
        painter.restore();
    }
    return painter.end();
}

void TessarinPreviewWindow::about()
{
    QMessageBox::about(this, tr("About"),
                       tr("Report Preview") + QLatin1Char('\n') + Tessarin::info() + QLatin1Char('\n')
                           + QStringLiteral("https://tessarin.example.org"));
}

void TessarinPreviewWindow::open()
{
    // Loading a saved intermediate report is not supported yet; the action stays disabled.
    QFileDialog::getOpenFileName(this, tr("Open report file"), m_lastDir);
}

bool TessarinPreviewWindow::saveAs()
{
    return !QFileDialog::getSaveFileName(this, tr("Save As"), m_lastDir).isEmpty();
}
