#include "tessarinpdfoutput.h"

TessarinPdfOutput::TessarinPdfOutput(QPrinter::PrinterMode mode, int resolution,
                                     QPrinter::OutputFormat format, QObject *parent)
    : TessarinPrinterOutput(mode, resolution, parent)
    , m_format(format)
{
    setOutput(PdfOutput);
    setShowPrintDialog(false);
    printer()->setColorMode(QPrinter::Color);
    printer()->setOutputFormat(m_format);
}

void TessarinPdfOutput::setFileName(const QString &fileName)
{
    TessarinOutput::setFileName(fileName);
    if (isPrinting())
        return; // the running job keeps its file
    // Setting the name lets QPrinter guess the format from the suffix; the
    // format asked for at construction wins.
    printer()->setOutputFileName(fileName);
    printer()->setOutputFormat(m_format);
}

bool TessarinPdfOutput::setup()
{
    if (isJobStart() && fileName().isEmpty()) {
        clearError();
        setFileError(QString(), tr("No file name is set"));
        return false;
    }
    // Never a print dialog for a file.
    setShowPrintDialog(false);
    return TessarinPrinterOutput::setup();
}
