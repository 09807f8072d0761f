#ifndef TESSARINPDFOUTPUT_H
#define TESSARINPDFOUTPUT_H

#include "tessarinprinteroutput.h"

// Writes a report to a PDF file through a file-printing QPrinter: no print
// dialog, colour output.
class TESSARIN2_EXPORT TessarinPdfOutput : public TessarinPrinterOutput
{
    Q_OBJECT
public:
    explicit TessarinPdfOutput(QPrinter::PrinterMode mode = QPrinter::HighResolution,
                               int resolution = -1,
                               QPrinter::OutputFormat format = QPrinter::PdfFormat,
                               QObject *parent = nullptr);

    QPrinter::OutputFormat outputFormat() const { return m_format; }

public Q_SLOTS:
    void setFileName(const QString &fileName) override;
    bool setup() override;

private:
    QPrinter::OutputFormat m_format;
};

#endif // TESSARINPDFOUTPUT_H
