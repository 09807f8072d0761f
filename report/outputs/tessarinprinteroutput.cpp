#include "tessarinprinteroutput.h"

#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>

TessarinPrinterOutput::TessarinPrinterOutput(QPrinter::PrinterMode mode, int resolution,
                                             QObject *parent)
    : TessarinOutput(parent)
{
    setOutput(PrinterOutput);
    m_printer = createPrinter(mode);
    applyResolution(resolution);
}

TessarinPrinterOutput::TessarinPrinterOutput(const QPrinterInfo &printerInfo,
                                             QPrinter::PrinterMode mode, int resolution,
                                             QObject *parent)
    : TessarinOutput(parent)
{
    setOutput(PrinterOutput);
    m_printer = createPrinter(printerInfo, mode);
    applyResolution(resolution);
}

TessarinPrinterOutput::~TessarinPrinterOutput()
{
    finishJob();
    deletePainter();
    delete m_printer;
}

void TessarinPrinterOutput::setPrinter(QPrinter *printer)
{
    if (printer == m_printer || m_jobState == Printing)
        return;
    delete m_printer;
    m_printer = printer;
    if (m_printer)
        setScaleDpi(m_printer->resolution());
}

void TessarinPrinterOutput::setCopies(int copies)
{
    TessarinOutput::setCopies(copies);
    if (m_printer && m_printer->printerState() != QPrinter::Active)
        m_printer->setCopyCount(copies);
}

void TessarinPrinterOutput::setResolution(int dpi)
{
    applyResolution(dpi);
}

void TessarinPrinterOutput::applyResolution(int dpi)
{
    if (!m_printer)
        return;
    if (dpi > 0 && m_printer->printerState() != QPrinter::Active)
        m_printer->setResolution(dpi);
    // Items measure with the scale; it must match what the printer really uses.
    setScaleDpi(m_printer->resolution());
}

QPaintDevice *TessarinPrinterOutput::device() const
{
    return m_printer;
}

bool TessarinPrinterOutput::setup()
{
    if (!m_printer)
        return false;
    if (isJobStart()) {
        // A job left open by a run that never reached cleanup() ends here.
        finishJob();
        clearError();
    }
    initPrinter(m_printer);
    if (showPrintDialog() && !m_dialogDone)
        return runPrintDialog();
    return true;
}

bool TessarinPrinterOutput::runPrintDialog()
{
    // The wait cursor of a running application must not sit over the dialog.
    QList<QCursor> cursors;
    while (const QCursor *c = QGuiApplication::overrideCursor()) {
        cursors.prepend(*c);
        QGuiApplication::restoreOverrideCursor();
    }
    bool accepted;
    {
        QPrintDialog dialog(m_printer, parentWidget());
        accepted = dialog.exec() == QDialog::Accepted;
    }
    for (const QCursor &c : qAsConst(cursors))
        QGuiApplication::setOverrideCursor(c);
    if (!accepted)
        return false;

    TessarinOutput::setCopies(m_printer->copyCount());
    if (m_printer->printRange() == QPrinter::PageRange)
        setPageFromTo(m_printer->fromPage(), m_printer->toPage());
    else
        setPageFromTo(1, DefaultPageRangeTo);
    setScaleDpi(m_printer->resolution());
    takePaperFromPrinter();
    m_dialogDone = true;
    return true;
}

void TessarinPrinterOutput::takePaperFromPrinter()
{
    const QPageLayout layout = m_printer->pageLayout();
    QPageLayout::Orientation orientation = layout.orientation();
    QSizeF size = layout.fullRect(QPageLayout::Millimeter).size();
    // The printer carries the rotated page; the report keeps its own.
    if (rotationSwapsSides()) {
        orientation = orientation == QPageLayout::Landscape ? QPageLayout::Portrait
                                                            : QPageLayout::Landscape;
        size.transpose();
    }
    const QPrinter::Orientation reportOrientation =
        orientation == QPageLayout::Landscape ? QPrinter::Landscape : QPrinter::Portrait;
    const auto paper = QPagedPaintDevice::PageSize(layout.pageSize().id());
    if (paper != QPagedPaintDevice::Custom
        && TessarinPageOption::paperSizeToName(paper) != QLatin1String("CUSTOM")) {
        option().setPaperSize(paper, reportOrientation);
    } else {
        // Papers the report's table does not know are kept by their size.
        option().setOrientation(reportOrientation);
        option().setPaperSize(QStringLiteral("CUSTOM"), size);
    }
}

void TessarinPrinterOutput::cleanup()
{
    if (!batchMode() || flagLast())
        finishJob();
}

bool TessarinPrinterOutput::startJob()
{
    // Find out before painting why a file could not be written; the PDF
    // engine would only say that it did not start.
    if (m_printer->outputFormat() == QPrinter::PdfFormat && !m_printer->outputFileName().isEmpty()) {
        QFile probe(m_printer->outputFileName());
        if (!openForWriting(probe))
            return false;
        probe.close();
    }
    if (!beginPainterOn(m_printer, QPainter::Antialiasing | QPainter::SmoothPixmapTransform, false)) {
        setFileError(targetName(), targetName().isEmpty()
                                       ? tr("No printer is available and no output file is set")
                                       : tr("The printer could not be started"));
        return false;
    }
    return true;
}

void TessarinPrinterOutput::begin()
{
    switch (m_jobState) {
    case Idle:
        if (startJob()) {
            m_jobState = Printing;
        } else {
            m_jobState = Failed;
            installDiscardPainter();
        }
        break;
    case Failed:
        installDiscardPainter();
        break;
    case Printing:
        // A later report or forced copy of this job starts on a new sheet.
        if (flagPrintStarted()) {
            m_printer->newPage();
            markPageOpenedByBegin();
        }
        rotatePainter(painter());
        customizePainter(painter());
        break;
    }
}

void TessarinPrinterOutput::newPage()
{
    if (absorbNewPage() || m_jobState != Printing)
        return;
    if (!m_printer->newPage())
        setFileError(targetName(), tr("The printer could not start a new page"));
}

void TessarinPrinterOutput::end()
{
    // The job stays open for further copies and reports; cleanup() ends it.
}

void TessarinPrinterOutput::finishJob()
{
    if (m_jobState == Printing) {
        const bool ended = painter() && painter()->isActive() ? painter()->end() : true;
        const QString file = m_printer->outputFormat() == QPrinter::PdfFormat
            ? m_printer->outputFileName()
            : QString();
        if (!ended || m_printer->printerState() == QPrinter::Error)
            setFileError(targetName(), tr("The printer reported an error"));
        else if (!file.isEmpty() && !QFileInfo::exists(file))
            setFileError(file, tr("The file was not created"));
    }
    deletePainter();
    m_jobState = Idle;
    // The next job asks again.
    m_dialogDone = false;
}

QString TessarinPrinterOutput::targetName() const
{
    if (!m_printer)
        return fileName();
    if (!m_printer->outputFileName().isEmpty())
        return m_printer->outputFileName();
    if (!m_printer->printerName().isEmpty())
        return m_printer->printerName();
    return fileName();
}

QPrinter *TessarinPrinterOutput::createPrinter(const QPrinterInfo &printerInfo,
                                               QPrinter::PrinterMode mode)
{
    return new QPrinter(printerInfo, mode);
}

QPrinter *TessarinPrinterOutput::createPrinter(QPrinter::PrinterMode mode)
{
    return new QPrinter(mode);
}

bool TessarinPrinterOutput::canChangeLayout(const QPrinter *printer) const
{
    // The PDF engine takes a new layout for the next page; a spooled job can't.
    return printer->printerState() != QPrinter::Active
        || printer->outputFormat() == QPrinter::PdfFormat;
}

void TessarinPrinterOutput::initPrinter(QPrinter *printer)
{
    if (!printer)
        return;
    if (canChangeLayout(printer)) {
        const TessarinPageOption &o = option();
        QPageSize paper;
        QPageLayout::Orientation orientation;
        if (o.paperSize() == QPagedPaintDevice::Custom) {
            // The options hold the custom page as it stands; give the printer
            // its portrait form and let the orientation turn it.
            const QSizeF s = o.pageSizeMM();
            paper = QPageSize(QSizeF(qMin(s.width(), s.height()), qMax(s.width(), s.height())),
                              QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
            orientation = s.width() > s.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
        } else {
            paper = QPageSize(QPageSize::PageSizeId(o.paperSize()));
            orientation = o.pageOrientation() == QPrinter::Landscape ? QPageLayout::Landscape
                                                                      : QPageLayout::Portrait;
        }
        printer->setPageOrientation(orientation);
        if (paper.isValid())
            printer->setPageSize(paper);
        printer->setFullPage(true);
        printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    }
    if (printer->printerState() != QPrinter::Active)
        printer->setCopyCount(copies());
    setScaleDpi(printer->resolution());
    rotatePrinter(printer);
    customizePrinter(printer);
}

void TessarinPrinterOutput::customizePrinter(QPrinter *)
{
}

void TessarinPrinterOutput::rotatePrinter(QPrinter *printer)
{
    if (!printer || !rotationSwapsSides() || !canChangeLayout(printer))
        return;
    printer->setPageOrientation(printer->pageLayout().orientation() == QPageLayout::Landscape
                                    ? QPageLayout::Portrait
                                    : QPageLayout::Landscape);
}
