#ifndef TESSARINPRINTEROUTPUT_H
#define TESSARINPRINTEROUTPUT_H

#include "tessarinoutput.h"

#include <QPrinter>
#include <QPrinterInfo>

// Prints a report on a QPrinter, optionally after a print dialog.
//
// One print job spans everything between the first begin() and the
// cleanup() that ends the job: the forced copies of a report, and all
// reports of a batch (the job ends at the cleanup() of the last one). Later
// reports and copies continue on a new page of the same job. A job still
// open when the output is destroyed is finished then.
class TESSARIN2_EXPORT TessarinPrinterOutput : public TessarinOutput
{
    Q_OBJECT
public:
    // A positive resolution sets both the printer's and the scale's.
    explicit TessarinPrinterOutput(QPrinter::PrinterMode mode = QPrinter::HighResolution,
                                   int resolution = -1, QObject *parent = nullptr);
    explicit TessarinPrinterOutput(const QPrinterInfo &printerInfo,
                                   QPrinter::PrinterMode mode = QPrinter::HighResolution,
                                   int resolution = -1, QObject *parent = nullptr);
    ~TessarinPrinterOutput() override;

    QPrinter *printer() const { return m_printer; }
    // Takes ownership; the previous printer is deleted. Not while printing.
    void setPrinter(QPrinter *printer);

    // Whether the print dialog was shown for the current job.
    bool dialogDone() const { return m_dialogDone; }
    void setDialogDone(bool done) { m_dialogDone = done; }

    bool isPrinting() const { return m_jobState == Printing; }

public Q_SLOTS:
    void setCopies(int copies) override;
    bool setup() override;
    void cleanup() override;
    void begin() override;
    void end() override;
    void newPage() override;
    void setResolution(int dpi) override;
    QPaintDevice *device() const override;

    // The constructors create the printer with these; as with any virtual
    // called from a constructor, an override takes effect when a subclass
    // installs its own printer with setPrinter(createPrinter(...)).
    virtual QPrinter *createPrinter(const QPrinterInfo &printerInfo, QPrinter::PrinterMode mode);
    virtual QPrinter *createPrinter(QPrinter::PrinterMode mode);
    virtual void initPrinter(QPrinter *printer);
    virtual void customizePrinter(QPrinter *printer);
    virtual void rotatePrinter(QPrinter *printer);

protected:
    // Ends the print job: ends the painter and records a failure of the device.
    void finishJob();
    // Shows the print dialog and takes copies, page range, resolution and
    // paper from it. False when the user cancels.
    bool runPrintDialog();
    // Name of the job's target for error messages: its file, else its printer.
    QString targetName() const;

private:
    enum JobState { Idle, Printing, Failed };

    void applyResolution(int dpi);
    bool canChangeLayout(const QPrinter *printer) const;
    bool startJob();
    void takePaperFromPrinter();

    QPrinter *m_printer = nullptr;
    JobState m_jobState = Idle;
    bool m_dialogDone = false;
};

#endif // TESSARINPRINTEROUTPUT_H
