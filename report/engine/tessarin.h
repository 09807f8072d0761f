#ifndef TESSARIN_H
#define TESSARIN_H

#include "tessaringlobal.h"
#include "tessarinoutput.h"
#include "tessarinsource.h"

#include <QColor>
#include <QHash>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QPrinter>
#include <QStringList>
#include <QVariant>

class QAbstractItemModel;
class QTableView;
class QTextDocument;
class QWidget;
class TessarinDataSource;
class TessarinDataSourceFactory;
class TessarinDef;
class TessarinDirector;
class TessarinEvaluator;
class TessarinGraphRenderer;
class TessarinPreviewWindow;
class LMailSender;
class TessarinUserFunction;

// The entry point of the report library: say where the definition comes from,
// add parameters and data, choose an output and run.
class TESSARIN2_EXPORT Tessarin : public QObject
{
    Q_OBJECT
public:
    enum ReportType { DefaultReport = 0 };
    Q_ENUM(ReportType)

    explicit Tessarin(QObject *parent = nullptr);
    ~Tessarin() override;

    static QString version();
    static QString info();

    TessarinDef *reportDef() const { return m_reportDef; }

    // Where the definition comes from.
    void setReportFile(const QString &fileName);
    void setReportDefXml(const QString &xml);
    void setReportDef(const QString &xml) { setReportDefXml(xml); }
    void setReportSource(const TessarinSource &source) { m_reportSource = source; }
    void setReportSource(TessarinSource::ReportSourceType type) { m_reportSource.setSourceType(type); }
    TessarinSource reportSource() const { return m_reportSource; }
    TessarinSource &reportSourceRef() { return m_reportSource; }
    void setConnectionID(const QString &id);
    void setCustomDataSourceFactory(TessarinDataSourceFactory *factory);
    void setZintPath(const QString &path);
    void setRootDir(const QString &dir);
    void setCurrentLanguage(const QString &language);

    // Data and parameters, handed to the definition.
    void addParameter(const QString &name, const QVariant &value);
    void addDataSource(TessarinDataSource *dataSource);
    void addCustomDataSource(TessarinDataSource *dataSource);
    void addItemModel(const QString &id, QAbstractItemModel *model);
    void addItemModel(QAbstractItemModel *model, const QString &id) { addItemModel(id, model); }
    void addStringList(const QString &id, const QStringList &list);
    void addStringList(const QStringList &list, const QString &id) { addStringList(id, list); }
    void addTableView(const QString &id, QTableView *view);
    void addTableView(QTableView *view, const QString &id) { addTableView(id, view); }
    void addUserFunction(const QString &name, TessarinUserFunction *function);
    void addItemRenderingClass(TessarinGraphRenderer *renderer) { addGraphItemRenderer(renderer); }
    void addGraphItemRenderer(TessarinGraphRenderer *renderer);
    TessarinDataSource *dataSource(const QString &id) const;

    // Batches: definition files (or XML texts) and report objects.
    void setReportBatch(const QStringList &files);
    void addReportToBatch(const QString &fileOrXml);
    void addReportToBatch(const QString &fileOrXml, const QHash<QString, QVariant> &parameters);
    void addReportToBatch(Tessarin *report);
    bool isBatchMode() const { return !m_batchFiles.isEmpty() || !m_batchReports.isEmpty(); }
    void clearBatch();

    // Output and run settings.
    TessarinOutput *output() const { return m_output.data(); }
    void setOutput(TessarinOutput *output, bool deletePrevious = true);
    // Hands the current output over to the caller, who owns it from now on
    // (a preview window showing its pages); the report forgets it, so that
    // a later run never deletes pages someone still shows.
    TessarinOutput *takeOutput();
    static TessarinOutput *createOutput(int type, QObject *parent = nullptr);
    void setForceCopies(int copies) { m_forceCopies = copies; }
    int forceCopies() const { return m_forceCopies; }
    void setUseWaitCursor(bool use) { m_useWaitCursor = use; }
    ReportType reportType() const { return m_reportType; }
    void setTextDocument(QTextDocument *document) { m_textDocument = document; }
    QTextDocument *document() const { return m_textDocument; }
    int runTimeElapsed() const { return m_runTime; }
    void setPageProgressText(const QString &text) { m_pageProgressText = text; }
    QString pageProgressText() const { return m_pageProgressText; }
    void setPrintResolution(int dpi) { m_printResolution = dpi; }
    int printResolution() const { return m_printResolution; }
    int pageCount() const { return m_pageCount; }
    void setRotationAngle(int angle) { m_rotationAngle = angle; }
    int rotationAngle() const { return m_rotationAngle; }
    bool reportDone() const { return m_reportDone; }
    void setShowWaitCursor(bool show) { m_showWaitCursor = show; }
    bool showWaitCursor() const { return m_showWaitCursor; }
    void setProcessEvents(bool on) { m_processEvents = on; }
    bool isProcessEvents() const { return m_processEvents; }
    void setPrintQuality(QPrinter::PrinterMode mode) { m_printQuality = mode; }
    QPrinter::PrinterMode printQuality() const { return m_printQuality; }
    void setEvaluator(TessarinEvaluator *evaluator) { m_evaluator = evaluator; }
    TessarinEvaluator *evaluator() const { return m_evaluator; }
    void setAlternateRowBackgroundColor(const QColor &color) { m_alternateRowBackgroundColor = color; }
    QColor alternateRowBackgroundColor() const { return m_alternateRowBackgroundColor; }
    void setCustomData(const QString &data) { m_customData = data; }
    QString customData() const { return m_customData; }
    void setPageRanges(const QString &ranges) { m_pageRanges = ranges; }
    QString pageRanges() const { return m_pageRanges; }

    bool hasError() const;
    QString lastErrorMsg() const;

    void reset(bool clearAll);
    void reset(bool clearRenderers, bool clearParameters, bool clearUserFunctions, bool clearStringLists,
               bool clearBatchLists, bool keepCustomDataSources);

    // Asks for one parameter value; ok is false when the user cancelled.
    static QVariant getParameter(const QString &name, const QVariant &defaultValue, QWidget *parent,
                                 const QString &title, const QString &label, bool *ok);

    // Preview windows. A window showing a preview output owns it; this
    // object forgets an output it hands over, so running again never
    // deletes pages a window still shows.

    // A window bound to this report (to print and export by running it
    // again), application-modal and deleted on close.
    TessarinPreviewWindow *createPreviewWindow(QWidget *parent = nullptr);
    // Shows a window for a preview output and returns once it was closed;
    // true when the user printed from it. False for anything but a preview output.
    bool execPreview(TessarinOutput *output, QWidget *parent = nullptr, bool maximized = false);
    // Runs to a preview output and shows it in a window without waiting
    // for it to close, so that the returned window is still alive; null on error.
    TessarinPreviewWindow *runReportToShowPreview(QWidget *parent = nullptr, bool maximized = false);
    // Runs, shows the pages and waits; true when the user printed.
    bool runReportToShowPreviewDonePrint();

signals:
    void reportStarts();
    void reportEnds();
    void dataSourceOpen(QString dsID);
    void dataSourceOpened(QString dsID, int totalRows);
    void dataRowProgress(QString dsID, int row);
    void dataRowProgress(int row);
    void dataRowCount(int numRows);
    void sectionProgress(QString sectionID);
    void pageProgress(int page);
    void pageProgress(QString text);
    void showQtPreviewDialog();
    void dataSourceUpdateRequestFKey(QString dataSourceID, QString foreignKeyValue);
    void dataSourceUpdateRequest(QString dataSourceID, QString data);
    void reportDefChange(TessarinDef *definition);

public slots:
    bool runReport();
    bool runReportToPrinter(int copies, bool showdialog, QWidget *parent, QString printerName);
    bool runReportToPrinter(int copies, bool showdialog, QWidget *parent);
    bool runReportToPrinter(int copies, bool showdialog);
    bool runReportToPrinter(int copies);
    bool runReportToPrinter();
    bool runReportToPrinterNoDialog(int copies, QString printerName = QString());
    bool runReportToPreview();
    bool runReportToQtPreview();
    bool runReportToPDF(QString filename);
    bool runReportToPdf(QString filename);
    // Writes the PDF and mails it as an attachment through the sender, which
    // stays the caller's. False when the report, reading the file or the
    // send failed (the reason is in the error record).
    bool runReportToPDFSendMail(QString filename, LMailSender *mailSender);
    bool runReportToPostScript(QString filename);
    bool runReportToSVG(QString filename);
    bool runReportToImage(QString filename);
    // Strategy 0: one table per section; any other value: one table per row.
    bool runReportToHTML(QString filename, int strategy = 0, QString cssFile = QString());
    bool runReportToHtml(QString filename, int strategy = 0, QString cssFile = QString());
    bool runReportToExcelHtml(QString filename);
    bool runReportToText(QString filename, QString templateFileName);
    void cancel();
    void setLastPagePositionMM(QPointF position) { m_lastPagePositionMM = position; }
    QPointF lastPagePositionMM() const { return m_lastPagePositionMM; }
    void setParentWidget(QWidget *parent) { m_parentWidget = parent; }
    QWidget *parentWidget() const { return m_parentWidget; }
    bool getParameters();

protected:
    // Lets a subclass adjust a definition after it was loaded and before it runs.
    virtual void customizeReportDef(TessarinDef *definition);

private slots:
    void emitDataSourceOpen(QString dsID);
    void emitDataSourceOpened(QString dsID, int totalRows);
    void emitDataRowProgress(QString dsID, int row);
    void emitDataRowProgress(int row);
    void emitDataRowCount(int numRows);
    void emitPageProgress(int page);
    void onSectionProgress(QString sectionID);

private:
    bool runOneReport(bool batchMode, bool first, bool last);
    bool runReportObjectBatch();
    bool runFileBatch();
    // Deletes the current output when it is auto-delete, and forgets it either way.
    void disposeOutput();
    // Takes the data sources of a batch entry out of the definition again.
    void forgetBorrowedDataSources();
    // Makes output current, applies settings, runs and disposes of it.
    bool runToOutput(TessarinOutput *output, bool keepAfterRun = false);

    TessarinDef *m_reportDef = nullptr;
    TessarinDirector *m_director = nullptr;
    QPointer<TessarinOutput> m_output;
    int m_forceCopies = 1;
    bool m_useWaitCursor = true;
    ReportType m_reportType = DefaultReport;
    QTextDocument *m_textDocument = nullptr;
    int m_runTime = 0;
    QString m_pageProgressText;
    int m_printResolution = -1;
    int m_pageCount = 0;
    int m_rotationAngle = 0;
    bool m_reportDone = false;
    bool m_showWaitCursor = false;
    bool m_processEvents = false;
    QPrinter::PrinterMode m_printQuality = QPrinter::HighResolution;
    TessarinEvaluator *m_evaluator = nullptr;
    QWidget *m_parentWidget = nullptr;
    QColor m_alternateRowBackgroundColor{220, 220, 220};
    QString m_customData;
    TessarinSource m_reportSource;
    QStringList m_batchFiles;
    QList<Tessarin *> m_batchReports;
    QList<QHash<QString, QVariant>> m_batchParameters;
    QList<TessarinDataSource *> m_borrowedDataSources;
    QPointF m_lastPagePositionMM;
    QString m_pageRanges;
};

#endif // TESSARIN_H
