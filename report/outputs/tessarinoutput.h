#ifndef TESSARINOUTPUT_H
#define TESSARINOUTPUT_H

#include "tessaringlobal.h"
#include "tessarinpageoption.h"
#include "tessarinscale.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPainter>
#include <QPair>
#include <QPen>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QVector>

class QFile;
class QPaintDevice;
class QWidget;
class TessarinItem;
class TessarinSection;
class TessarinEvaluator;

// The destination of a report run. The engine calls setup() once per report,
// then begin(), newPage() between pages, paints through painter() (or hands
// sections and items to the section hooks), end(), and cleanup() when the
// report (with all its forced copies) is done.
//
// Failures to produce the product (a file that cannot be written, a device
// that cannot be started) are recorded on the output: hasError() and
// errorText() give the first one, worded "Cannot write file %1:\n%2.", so
// that the engine can move it into the report's error record.
class TESSARIN2_EXPORT TessarinOutput : public QObject
{
    Q_OBJECT
public:
    enum OutputType {
        PreviewOutput = 0,
        QtPreviewOutput = 1,
        PrinterOutput = 2,
        PdfOutput = 3,
        SvgOutput = 5,
        ImageOutput = 6,
        TextOutput = 7,
        HtmlOutput = 9,
        ExcelHtmlOutput = 11,
        NullOutput = 14
    };
    Q_ENUM(OutputType)

    enum GeneratingMode {
        PagesMode = 0,   // items are painted on pages
        SectionsMode = 1 // sections arrive through sectionStarts / renderItem / sectionEnds
    };
    Q_ENUM(GeneratingMode)

    // Upper bound of the page range that means "every page".
    static constexpr int DefaultPageRangeTo = 99999;

    explicit TessarinOutput(QObject *parent = nullptr);
    ~TessarinOutput() override;

    OutputType outputType() const { return m_outputType; }
    GeneratingMode generatingMode() const { return m_generatingMode; }
    void setGeneratingMode(GeneratingMode mode) { m_generatingMode = mode; }

    QPainter *painter() const { return m_painter; }

    QWidget *parentWidget() const;
    void setParentWidget(QWidget *widget);

    int copies() const { return m_copies; }

    // Page selection. A page is produced when it lies within from..to and,
    // if a page range list is set, also in that list.
    int pageRangeFrom() const { return m_pageFrom; }
    int pageRangeTo() const { return m_pageTo; }
    void setPageFrom(int from) { m_pageFrom = from; }
    void setPageTo(int to) { m_pageTo = to; }
    void setPageFromTo(int from, int to);
    void setPageRange(int from, int to) { setPageFromTo(from, to); }
    bool isPageInRange(int page) const;

    // The page range list is kept as sorted, merged intervals, so that
    // "1-2000000000" costs one entry.
    QList<int> pageRangeList() const; // expanded, limited to pageRangeTo()
    QVector<QPair<int, int>> pageRangeIntervals() const { return m_pageIntervals; }
    void setPageRangeList(const QList<int> &pages);
    void setPageRanges(const QString &text); // "1-3,5"; an empty text clears the list
    void addToPageRangeList(int page);
    void addToPageRangeList(int from, int to);
    void clearPageRangeList() { m_pageIntervals.clear(); }

    int reportNum() const { return m_reportNum; }
    void setReportNum(int num) { m_reportNum = num; }

    int rotationAngle() const { return m_rotationAngle; }
    void setRotationAngle(int degrees) { m_rotationAngle = degrees; }
    // True for the turns that exchange page width and height (90, 270, -90).
    bool rotationSwapsSides() const;

    bool showPrintDialog() const { return m_showPrintDialog; }
    void setShowPrintDialog(bool show) { m_showPrintDialog = show; }

    bool isAutoDelete() const { return m_autoDelete; }
    void setAutoDelete(bool on) { m_autoDelete = on; }

    bool isDocumentTemplateBased() const { return m_documentTemplateBased; }

    bool isSuccessive() const { return m_successive; }
    void setSuccessive(bool on) { m_successive = on; }

    // Several reports into one output: the report API marks the first and
    // the last; the section renderer reports that something was printed.
    bool batchMode() const { return m_batchMode; }
    void setBatchMode(bool on) { m_batchMode = on; }
    bool flagFirst() const { return m_flagFirst; }
    void setFlagFirst(bool on) { m_flagFirst = on; }
    bool flagLast() const { return m_flagLast; }
    void setFlagLast(bool on) { m_flagLast = on; }
    bool flagPrintStarted() const { return m_flagPrintStarted; }
    // Called after every real paint; it also tells the output that the page
    // opened by begin() for a later report or copy is in use.
    void setFlagPrintStarted(bool on);

    QString fileName() const { return m_fileName; }

    QPointF finalPosMM() const { return m_finalPosMM; }
    void setFinalPosMM(const QPointF &pos) { m_finalPosMM = pos; }

    const TessarinPageOption &option() const { return m_option; }
    TessarinPageOption &option() { return m_option; }
    void setPageOption(const TessarinPageOption &option) { m_option = option; }

    const TessarinScale &scale() const { return m_scale; }

    // Page size in millimetres as it lands on the device: the report's page,
    // width and height exchanged by a quarter-turn rotation.
    QSizeF devicePageSizeMM() const;

    bool hasError() const { return !m_errorText.isEmpty(); }
    QString errorText() const { return m_errorText; }
    void clearError() { m_errorText.clear(); }

public Q_SLOTS:
    virtual void setCopies(int copies);
    virtual void setFileName(const QString &fileName);
    virtual bool setup() = 0;
    virtual void cleanup() = 0;
    virtual void begin() = 0;
    virtual void end() = 0;
    virtual void newPage() = 0;
    virtual void renderItem(TessarinItem *item, const QRectF &rect);
    virtual int resolution() const;
    virtual void setResolution(int dpi);
    virtual QPaintDevice *device() const;
    virtual bool renderSection(TessarinSection *section, TessarinEvaluator *evaluator);
    virtual void sectionStarts(TessarinSection *section, TessarinEvaluator *evaluator);
    virtual void sectionEnds(TessarinSection *section, TessarinEvaluator *evaluator);
    virtual void setOutput(TessarinOutput::OutputType type);
    virtual void setPainter(QPainter *painter);
    virtual void deletePainter();
    virtual void rotatePainter(QPainter *painter);
    virtual void customizePainter(QPainter *painter);
    virtual bool hasValidRotationAngle() const;

protected:
    void setDocumentTemplateBased(bool on) { m_documentTemplateBased = on; }
    void setScaleDpi(double dpi) { m_scale.setDpi(dpi); }

    // The first error is kept: it is the cause, later ones are consequences.
    void setErrorText(const QString &text);
    // Records "Cannot write file %1:\n%2." for the given file and reason.
    void setFileError(const QString &fileName, const QString &reason);
    // Opens the file for writing; on failure records the file error and returns false.
    bool openForWriting(QFile &file);

    // True when this setup() starts a new job (not a later report of a batch).
    bool isJobStart() const { return !m_batchMode || m_flagFirst; }

    // A later report (or forced copy) of the same job opens its first page in
    // begin(); the engine may still ask for newPage() before painting anything
    // on it. That request must not leave a blank page behind.
    void markPageOpenedByBegin() { m_pageOpenedByBegin = true; }
    bool absorbNewPage();

    // Begins the output's painter on a page device. With carryState the pen,
    // brush and font of the page just ended continue on the new page. The
    // painter object itself stays the same for the whole run.
    bool beginPainterOn(QPaintDevice *device, QPainter::RenderHints hints, bool carryState);
    // Ends painting on the current page, remembering its pen, brush and font.
    void endPainterKeepState();

    // Lets the painter accept painting and keep nothing: used when the real
    // device could not be started, so that the engine can still run to its end.
    void installDiscardPainter();

    TessarinScale m_scale;

private:
    OutputType m_outputType = PreviewOutput;
    GeneratingMode m_generatingMode = PagesMode;
    QPainter *m_painter = nullptr;
    QPointer<QWidget> m_parentWidget;
    int m_copies = 1;
    int m_pageFrom = 1;
    int m_pageTo = DefaultPageRangeTo;
    int m_reportNum = 0;
    int m_rotationAngle = 0;
    bool m_showPrintDialog = false;
    bool m_autoDelete = true;
    bool m_documentTemplateBased = false;
    bool m_successive = false;
    bool m_batchMode = false;
    bool m_flagFirst = false;
    bool m_flagLast = false;
    bool m_flagPrintStarted = false;
    bool m_pageOpenedByBegin = false;
    QString m_fileName;
    QPointF m_finalPosMM;
    TessarinPageOption m_option;
    QVector<QPair<int, int>> m_pageIntervals;
    QString m_errorText;
    QImage m_discardImage;
    QPen m_carriedPen;
    QBrush m_carriedBrush;
    QFont m_carriedFont;
};

#endif // TESSARINOUTPUT_H
