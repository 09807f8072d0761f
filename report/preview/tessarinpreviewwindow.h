#ifndef TESSARINPREVIEWWINDOW_H
#define TESSARINPREVIEWWINDOW_H

#include "tessaringlobal.h"
#include "tessarinpreviewpagecontainer.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QActionGroup;
class QComboBox;
class QEventLoop;
class QLabel;
class QPrinter;
class QSettings;
class QSpinBox;
class QToolBar;
class Tessarin;
class TessarinPreviewOutput;
class TessarinPreviewScrollArea;

// A main window that shows the pages of a preview output: zoom, paging,
// moving between the reports of a batch, one-page, two-page and continuous
// views, and printing or exporting the report. With a report object set,
// printing and exporting run the report again to that output; without one,
// the stored pages are printed.
//
// The window owns its output. Geometry, tool bar state, last directory,
// view mode and zoom level are kept in QSettings under "preview/...".
class TESSARIN2_EXPORT TessarinPreviewWindow : public QMainWindow
{
    Q_OBJECT
public:
    enum PagePosition { PageTop = 0, PageBottom = 1 };
    Q_ENUM(PagePosition)

    explicit TessarinPreviewWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags(),
                                   const QString &settingsOrganization = QString(),
                                   const QString &settingsApplication = QString());
    ~TessarinPreviewWindow() override;

    // Names under which the settings are kept; both empty means the
    // application's default QSettings. Setting them reads the settings again.
    void setSettingsData(const QString &organization, const QString &application);
    QString settingsOrganization() const { return m_settingsOrganization; }
    QString settingsApplication() const { return m_settingsApplication; }

    // Takes ownership of the output and deletes the previous one.
    void setOutput(TessarinPreviewOutput *output);
    TessarinPreviewOutput *output() const { return m_output; }
    void setReport(Tessarin *report);
    Tessarin *report() const;

    void setPrinterName(const QString &name) { m_printerName = name; }
    QString printerName() const { return m_printerName; }
    void setUsePrintDialog(bool use) { m_usePrintDialog = use; }
    bool usePrintDialog() const { return m_usePrintDialog; }
    void setDefaultOutputDir(const QString &dir) { m_lastDir = dir; }
    QString defaultOutputDir() const { return m_lastDir; }
    void setDefaultOutputFileName(const QString &name) { m_defaultOutputFileName = name; }
    QString defaultOutputFileName() const { return m_defaultOutputFileName; }
    // The file name the save dialog proposes for an export with that extension.
    QString proposedFileName(const QString &extension) const;

    int pageCount() const;
    int reportCount() const;
    TessarinPreviewPageContainer::ShowType showType() const;
    int currentPage() const { return m_currentPage; }
    int currentReport() const { return m_currentReport; }
    double zoomFactor() const { return m_zoom; }
    TessarinPreviewPageContainer *pageContainer() const { return m_container; }

    bool donePrint() const { return m_donePrint; }
    bool donePDF() const { return m_donePDF; }
    bool doneSVG() const { return m_doneSVG; }

    // Shows the window and returns when it has been closed. A window that
    // deletes itself on close may be gone already when this returns.
    void exec();

    QAction *actionPrint() const { return m_actPrint; }
    QAction *actionPdf() const { return m_actPdf; }
    QAction *actionSvg() const { return m_actSvg; }
    QAction *actionZoomIn() const { return m_actZoomIn; }
    QAction *actionZoomOut() const { return m_actZoomOut; }
    QAction *actionZoomOff() const { return m_actZoom1; }
    QAction *actionFirstPage() const { return m_actFirst; }
    QAction *actionPreviousPage() const { return m_actPrev; }
    QAction *actionNextPage() const { return m_actNext; }
    QAction *actionLastPage() const { return m_actLast; }
    QAction *actionGoToPage() const { return m_actGoto; }
    QAction *actionClose() const { return m_actClose; }
    QAction *actionNextReport() const { return m_actNextReport; }
    QAction *actionPreviousReport() const { return m_actPrevReport; }
    QAction *actionViewSingleMode() const { return m_actViewSingle; }
    QAction *actionViewDoubleMode() const { return m_actViewDouble; }
    QAction *actionViewContinousMode() const { return m_actViewContinous; }
    QToolBar *toolBarFile() const { return m_tbFile; }
    QToolBar *toolBarView() const { return m_tbView; }
    QToolBar *toolBarNavigation() const { return m_tbNav; }
    QComboBox *zoomBox() const { return m_zoomBox; }
    QSpinBox *pageSpinBox() const { return m_pageSpin; }

Q_SIGNALS:
    void runPrinterDone();
    void runPdfDone();
    void runSvgDone();

public Q_SLOTS:
    void firstPage(TessarinPreviewWindow::PagePosition position = PageTop);
    void prevPage(TessarinPreviewWindow::PagePosition position = PageTop);
    void nextPage(TessarinPreviewWindow::PagePosition position = PageTop);
    void lastPage(TessarinPreviewWindow::PagePosition position = PageTop);
    void gotoPage();
    void gotoPage(int page);
    void loadPage(int page, TessarinPreviewWindow::PagePosition position = PageTop);
    void nextReport();
    void prevReport();
    void zoomPlus();
    void zoomMinus();
    void zoom1();
    void zoomChanged(const QString &text);
    void zoomChanged(int percent);
    void zoomChanged(double factor);
    void setViewSingle();
    void setViewDouble();
    void setViewContinous();
    void activatePrint();
    void activatePdf();
    void activateSvg();
    void about();
    void open();
    bool saveAs();

protected:
    void closeEvent(QCloseEvent *event) override;

private Q_SLOTS:
    void viewChange(QAction *action);
    void sliderMoved(int value);

private:
    void createActions();
    void createMenus();
    void createToolBars();
    QSettings *createSettings() const;
    void readSettings();
    void writeSettings();
    // Sets the zoom; a factor outside 0.1 to 7 is refused.
    void setZoom(double factor);
    void setView(TessarinPreviewPageContainer::ShowType type);
    void updateActions();
    void updatePageSpin();
    int reportOfPage(int page) const;
    // Runs the report again through run; false when nothing was produced.
    template<typename Run> bool rerunReport(Run run);
    bool printStoredPages(QPrinter *printer);

    QPointer<Tessarin> m_report;
    TessarinPreviewOutput *m_output = nullptr;
    TessarinPreviewScrollArea *m_scrollArea = nullptr;
    TessarinPreviewPageContainer *m_container = nullptr;
    QString m_settingsOrganization;
    QString m_settingsApplication;
    QString m_lastDir = QStringLiteral(".");
    QString m_defaultOutputFileName = QStringLiteral("report");
    QString m_printerName;
    bool m_usePrintDialog = true;
    int m_currentPage = 0;
    int m_currentReport = 0;
    double m_zoom = 1.0;
    double m_storedZoom = 1.0;
    bool m_donePrint = false;
    bool m_donePDF = false;
    bool m_doneSVG = false;
    bool m_scrolling = false;
    QEventLoop *m_loop = nullptr;

    QAction *m_actOpen = nullptr;
    QAction *m_actAbout = nullptr;
    QAction *m_actAboutQt = nullptr;
    QAction *m_actPrint = nullptr;
    QAction *m_actPdf = nullptr;
    QAction *m_actSvg = nullptr;
    QAction *m_actZoomIn = nullptr;
    QAction *m_actZoomOut = nullptr;
    QAction *m_actZoom1 = nullptr;
    QAction *m_actFirst = nullptr;
    QAction *m_actPrev = nullptr;
    QAction *m_actNext = nullptr;
    QAction *m_actLast = nullptr;
    QAction *m_actGoto = nullptr;
    QAction *m_actClose = nullptr;
    QAction *m_actNextReport = nullptr;
    QAction *m_actPrevReport = nullptr;
    QAction *m_actViewSingle = nullptr;
    QAction *m_actViewDouble = nullptr;
    QAction *m_actViewContinous = nullptr;
    QActionGroup *m_viewGroup = nullptr;
    QToolBar *m_tbFile = nullptr;
    QToolBar *m_tbView = nullptr;
    QToolBar *m_tbNav = nullptr;
    QComboBox *m_zoomBox = nullptr;
    QSpinBox *m_pageSpin = nullptr;
    QLabel *m_pageLabel = nullptr;
};

#endif // TESSARINPREVIEWWINDOW_H
