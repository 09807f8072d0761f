#include "tessarinqtpreviewoutput.h"

#include <QPrintPreviewDialog>
#include <QSettings>

TessarinQtPreviewOutput::TessarinQtPreviewOutput(QPrinter::PrinterMode mode, int resolution,
                                                 QObject *parent)
    : TessarinPrinterOutput(mode, resolution, parent)
{
    setOutput(QtPreviewOutput);
}

TessarinQtPreviewOutput::~TessarinQtPreviewOutput()
{
    // The dialog paints on our printer; it must go first.
    delete m_dialog;
}

QString TessarinQtPreviewOutput::geometrySettingsKey()
{
    return QStringLiteral("geometry/qtpreviewwindow");
}

QPrintPreviewDialog *TessarinQtPreviewOutput::previewDialog()
{
    if (!m_dialog) {
        m_dialog = new QPrintPreviewDialog(printer(), parentWidget());
        QSettings settings;
        m_dialog->restoreGeometry(settings.value(geometrySettingsKey()).toByteArray());
        connect(m_dialog, SIGNAL(paintRequested(QPrinter*)), this, SLOT(renderPreview(QPrinter*)));
        connect(m_dialog, SIGNAL(finished(int)), this, SLOT(saveGeometry()));
    }
    return m_dialog;
}

int TessarinQtPreviewOutput::exec()
{
    return previewDialog()->exec();
}

void TessarinQtPreviewOutput::saveGeometry()
{
    if (!m_dialog)
        return;
    QSettings settings;
    settings.setValue(geometrySettingsKey(), m_dialog->saveGeometry());
}

bool TessarinQtPreviewOutput::setup()
{
    const bool ok = TessarinPrinterOutput::setup();
    setCopies(m_rememberedCopies);
    return ok;
}

bool TessarinQtPreviewOutput::renderPreview(QPrinter *printer)
{
    if (printer) {
        const int from = printer->fromPage();
        const int to = printer->toPage();
        // 0 means "no limit" on either side.
        setPageFromTo(from > 0 ? from : 1, to > 0 ? to : DefaultPageRangeTo);
        m_rememberedCopies = qMax(1, printer->copyCount());
    }
    if (!m_report) {
        setErrorText(tr("No report is set to render the print preview."));
        return false;
    }
    bool ok = false;
    if (!QMetaObject::invokeMethod(m_report, "runReport", Qt::DirectConnection,
                                   Q_RETURN_ARG(bool, ok))) {
        setErrorText(tr("The report cannot be run for the print preview."));
        return false;
    }
    return ok;
}
