#ifndef TESSARINQTPREVIEWOUTPUT_H
#define TESSARINQTPREVIEWOUTPUT_H

#include "tessarinprinteroutput.h"

class QPrintPreviewDialog;

// Shows a report in Qt's print preview dialog. The dialog asks for its pages
// whenever it needs them (on opening, after a change of printer settings);
// each time the report is run again into this output. The report is the
// report API object that owns this output: its bool runReport() slot is
// invoked by name.
class TESSARIN2_EXPORT TessarinQtPreviewOutput : public TessarinPrinterOutput
{
    Q_OBJECT
public:
    explicit TessarinQtPreviewOutput(QPrinter::PrinterMode mode = QPrinter::HighResolution,
                                     int resolution = -1, QObject *parent = nullptr);
    ~TessarinQtPreviewOutput() override;

    QObject *report() const { return m_report.data(); }
    void setReport(QObject *report) { m_report = report; }

    // The dialog over this output's printer, created on first use with the
    // parent widget and the geometry remembered from the last time.
    QPrintPreviewDialog *previewDialog();
    // Executes the dialog and remembers its geometry.
    int exec();

    static QString geometrySettingsKey();

public Q_SLOTS:
    bool setup() override;
    // Answers the dialog's request for pages: takes the printer's page range
    // and copies and runs the report. False when there is no report or the
    // run failed.
    bool renderPreview(QPrinter *printer);

private Q_SLOTS:
    void saveGeometry();

private:
    QPointer<QObject> m_report;
    QPrintPreviewDialog *m_dialog = nullptr;
    int m_rememberedCopies = 1;
};

#endif // TESSARINQTPREVIEWOUTPUT_H
