#include "tessarin.h"

#include "lmailsender.h"
#include "tessarindatasource.h"
#include "tessarindef.h"
#include "tessarindirector_p.h"
#include "tessarinerror.h"
#include "tessarinexcelhtmloutput.h"
#include "tessarinhtmloutput.h"
#include "tessarinimageoutput.h"
#include "tessarinoutput.h"
#include "tessarinpageoption.h"
#include "tessarinpdfoutput.h"
#include "tessarinpreviewoutput.h"
#include "tessarinpreviewwindow.h"
#include "tessarinprinteroutput.h"
#include "tessarinqtpreviewoutput.h"
#include "tessarinsvgoutput.h"
#include "tessarintextoutput.h"
#include "tessarinxmldefreader.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLocale>

#include <memory>

Tessarin::Tessarin(QObject *parent)
    : QObject(parent)
    , m_reportDef(new TessarinDef(this))
    , m_pageProgressText(tr("Report is running (page %1)..."))
{
}

Tessarin::~Tessarin()
{
    disposeOutput();
}

QString Tessarin::version()
{
    return QStringLiteral(TESSARIN_VERSION_STR);
}

QString Tessarin::info()
{
    return QStringLiteral("Tessarin") + QLatin1Char(' ') + version() + QLatin1Char(' ') + QString()
        + QLatin1Char(' ') + tr("Banded report engine library; the rights belong to its authors.");
}

void Tessarin::setReportFile(const QString &fileName)
{
    m_reportSource.setSourceType(TessarinSource::File);
    m_reportSource.setFileName(fileName);
}

void Tessarin::setReportDefXml(const QString &xml)
{
    m_reportSource.setSourceType(TessarinSource::String);
    m_reportSource.setReportDefXML(xml);
}

void Tessarin::setConnectionID(const QString &id)
{
    m_reportDef->setConnectionID(id);
}

void Tessarin::setCustomDataSourceFactory(TessarinDataSourceFactory *factory)
{
    m_reportDef->setDataSourceFactory(factory);
}

void Tessarin::setZintPath(const QString &path)
{
    m_reportDef->setZintPath(path);
}

void Tessarin::setRootDir(const QString &dir)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->setProperty("TESSARIN_ROOT_DIR", dir);
}

void Tessarin::setCurrentLanguage(const QString &language)
{
    m_reportDef->option().setCurrentLanguage(language);
}

void Tessarin::addParameter(const QString &name, const QVariant &value)
{
    m_reportDef->addParameter(name, value);
}

void Tessarin::addDataSource(TessarinDataSource *dataSource)
{
    m_reportDef->addDataSource(dataSource);
}

void Tessarin::addCustomDataSource(TessarinDataSource *dataSource)
{
    m_reportDef->addDataSource(dataSource);
}

void Tessarin::addItemModel(const QString &id, QAbstractItemModel *model)
{
    m_reportDef->addItemModel(id, model);
}

void Tessarin::addStringList(const QString &id, const QStringList &list)
{
    m_reportDef->addStringList(id, list);
}

void Tessarin::addTableView(const QString &id, QTableView *view)
{
    m_reportDef->addTableView(id, view);
}

void Tessarin::addUserFunction(const QString &name, TessarinUserFunction *function)
{
    m_reportDef->addUserFunction(name, function);
}

void Tessarin::addGraphItemRenderer(TessarinGraphRenderer *renderer)
{
    m_reportDef->addGraphItemRenderer(renderer);
}

TessarinDataSource *Tessarin::dataSource(const QString &id) const
{
    return m_reportDef->dataSource(id);
}

void Tessarin::setReportBatch(const QStringList &files)
{
    m_batchFiles = files;
    m_batchParameters.clear();
    for (int i = 0; i < files.size(); ++i)
        m_batchParameters.append(QHash<QString, QVariant>());
}

void Tessarin::addReportToBatch(const QString &fileOrXml)
{
    addReportToBatch(fileOrXml, QHash<QString, QVariant>());
}

void Tessarin::addReportToBatch(const QString &fileOrXml, const QHash<QString, QVariant> &parameters)
{
    m_batchFiles.append(fileOrXml);
    m_batchParameters.append(parameters);
}

void Tessarin::addReportToBatch(Tessarin *report)
{
    if (report)
        m_batchReports.append(report);
}

void Tessarin::clearBatch()
{
    m_batchFiles.clear();
    m_batchReports.clear();
    m_batchParameters.clear();
}

void Tessarin::setOutput(TessarinOutput *output, bool deletePrevious)
{
    if (m_output && m_output != output && deletePrevious)
        delete m_output.data();
    m_output = output;
}

TessarinOutput *Tessarin::createOutput(int type, QObject *parent)
{
    switch (type) {
    case TessarinOutput::PreviewOutput:
        return new TessarinPreviewOutput(parent);
    case TessarinOutput::QtPreviewOutput:
        return new TessarinQtPreviewOutput(QPrinter::HighResolution, -1, parent);
    case TessarinOutput::PrinterOutput:
        return new TessarinPrinterOutput(QPrinter::HighResolution, -1, parent);
    case TessarinOutput::PdfOutput:
        return new TessarinPdfOutput(QPrinter::HighResolution, -1, QPrinter::PdfFormat, parent);
    case TessarinOutput::SvgOutput:
        return new TessarinSvgOutput(parent);
    case TessarinOutput::ImageOutput:
        return new TessarinImageOutput(parent);
    case TessarinOutput::TextOutput:
        return new TessarinTextOutput(parent);
    case TessarinOutput::HtmlOutput:
        return new TessarinHtmlOutput(parent);
    case TessarinOutput::ExcelHtmlOutput:
        return new TessarinExcelHtmlOutput(parent);
    default:
        return nullptr;
    }
}

bool Tessarin::hasError() const
{
    return m_reportDef->error()->error();
}

QString Tessarin::lastErrorMsg() const
{
    return m_reportDef->error()->text();
}

void Tessarin::reset(bool clearAll)
{
    reset(clearAll, clearAll, clearAll, clearAll, clearAll, true);
}

void Tessarin::reset(bool clearRenderers, bool clearParameters, bool clearUserFunctions, bool clearStringLists,
                     bool clearBatchLists, bool keepCustomDataSources)
{
    m_reportDef->reset(clearRenderers, clearParameters, clearUserFunctions, clearStringLists, keepCustomDataSources);
    if (clearBatchLists)
        clearBatch();
    disposeOutput();
}

QVariant Tessarin::getParameter(const QString &name, const QVariant &defaultValue, QWidget *parent,
                                const QString &title, const QString &label, bool *ok)
{
    bool accepted = false;
    QVariant result;
    // Without a widget application there is nobody to ask: the input counts as cancelled.
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        const QString text = label + QLatin1Char(':');
        switch (int(defaultValue.type())) {
        case QMetaType::Int:
            result = QInputDialog::getInt(parent, title, text, defaultValue.toInt(), -2147483647, 2147483647, 1,
                                          &accepted);
            break;
        case QMetaType::Double:
            result = QInputDialog::getDouble(parent, title, text, defaultValue.toDouble(), -2147483647,
                                             2147483647, 1, &accepted);
            break;
        default:
            result = QInputDialog::getText(parent, title, text, QLineEdit::Normal, defaultValue.toString(),
                                           &accepted);
            break;
        }
    }
    Q_UNUSED(name)
    if (ok)
        *ok = accepted;
    return result;
}

bool Tessarin::getParameters()
{
    const QHash<QString, QVariant> params = m_reportDef->parameters();
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        if (it.value().toString() != QLatin1String("{GET}"))
            continue;
        const QString name = it.key();
        const QVariant defaultValue = m_reportDef->parameter(name + QLatin1String("_DEFAULT"));
        bool ok = false;
        const QVariant value = getParameter(name, defaultValue, m_parentWidget, tr("Get parameter"), name, &ok);
        if (!ok) {
            m_reportDef->error()->setError(tr("Parameter %1 input is cancelled by the user.").arg(name), -1);
            return false;
        }
        m_reportDef->addParameter(name, value);
    }
    return true;
}

bool Tessarin::runReport()
{
    m_reportDef->error()->clear();
    m_reportDone = false;
    if (!getParameters()) {
        emit reportStarts();
        emit reportEnds();
        return false;
    }
    emit reportStarts();

    const QLocale previousLocale;
    const QString language = m_reportDef->option().currentLanguage();
    const bool localeChanged = !language.isEmpty() && language != QLatin1String("00");
    if (localeChanged)
        QLocale::setDefault(QLocale(language));

    m_director = new TessarinDirector(this);
    m_director->setProcessEvents(m_processEvents);
    connect(m_director, SIGNAL(dataSourceOpen(QString)), this, SLOT(emitDataSourceOpen(QString)));
    connect(m_director, SIGNAL(dataSourceOpened(QString, int)), this, SLOT(emitDataSourceOpened(QString, int)));
    connect(m_director, SIGNAL(dataRowProgress(QString, int)), this, SLOT(emitDataRowProgress(QString, int)));
    connect(m_director, SIGNAL(dataRowProgress(int)), this, SLOT(emitDataRowProgress(int)));
    connect(m_director, SIGNAL(dataRowCount(int)), this, SLOT(emitDataRowCount(int)));
    connect(m_director, SIGNAL(sectionProgress(QString)), this, SLOT(onSectionProgress(QString)));
    connect(m_director, SIGNAL(pageProgress(int)), this, SLOT(emitPageProgress(int)));
    m_director->setForceCopies(m_forceCopies);
    m_director->setReportDef(m_reportDef);
    m_director->setPageNo(0);
    m_director->setGlobalPageNo(0);

    bool result;
    if (!m_batchReports.isEmpty()) {
        m_director->setReportCount(m_batchReports.size());
        result = runReportObjectBatch();
    } else if (m_batchFiles.isEmpty()) {
        m_director->setReportCount(1);
        m_director->setReportNo(1);
        result = runOneReport(false, true, true);
    } else {
        m_director->setReportCount(m_batchFiles.size());
        result = runFileBatch();
    }

    m_pageCount = m_director->pageCount();
    delete m_director;
    m_director = nullptr;

    m_reportDone = result;
    emit reportEnds();
    if (localeChanged)
        QLocale::setDefault(previousLocale);
    return result;
}

bool Tessarin::runOneReport(bool batchMode, bool first, bool last)
{
    TessarinOutput *out = m_output.data();
    if (!out) {
        m_reportDef->error()->setError(tr("No report output defined."), -1);
        return false;
    }

    QElapsedTimer timer;
    timer.start();
    m_reportSource.setReportDef(m_reportDef);
    m_reportDef->reset(false);
    bool result = false;
    m_reportDef->addDataSources(m_borrowedDataSources);
    {
        TessarinXMLDefReader reader(m_reportDef);
        result = m_reportSource.load(reader);
    }
    if (!m_customData.isEmpty())
        m_reportDef->option().setCustomData(m_customData);
    emit reportDefChange(m_reportDef);

    if (result) {
        for (TessarinDataSource *ds : m_reportDef->dataSources()) {
            if (!ds)
                continue;
            connect(ds, SIGNAL(updateRequestFKey(QString, QString)), this,
                    SIGNAL(dataSourceUpdateRequestFKey(QString, QString)), Qt::UniqueConnection);
            connect(ds, SIGNAL(updateRequest(QString, QString)), this,
                    SIGNAL(dataSourceUpdateRequest(QString, QString)), Qt::UniqueConnection);
        }
        customizeReportDef(m_reportDef);
        out->setPageOption(m_reportDef->option());
        out->setBatchMode(batchMode);
        out->setFlagFirst(first);
        out->setFlagLast(last);
        out->setPageRanges(m_pageRanges);
        result = out->setup();
        // A print dialog may have changed paper or orientation: lay the pages out on what was chosen.
        if (result)
            m_reportDef->option() = out->option();
    }

    if (result) {
        const bool cursor = m_showWaitCursor && qobject_cast<QApplication *>(QCoreApplication::instance());
        if (cursor)
            QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        for (int copy = 0; copy < qMax(1, m_forceCopies); ++copy) {
            m_director->setCurrentCopy(copy);
            result = m_director->runReport();
            if (!result)
                break;
        }
        if (cursor)
            QApplication::restoreOverrideCursor();
    }

    if (m_output)
        m_output->cleanup();
    if (m_output && m_output->hasError())
        m_reportDef->error()->setError(m_output->errorText(), -1);
    if (m_reportDef->error()->error())
        result = false;
    m_runTime = int(timer.elapsed());
    forgetBorrowedDataSources();
    m_reportDef->reset(false);
    return result;
}

bool Tessarin::runReportObjectBatch()
{
    const int count = m_batchReports.size();
    for (int i = 0; i < count; ++i) {
        Tessarin *other = m_batchReports.at(i);
        m_reportSource = other->reportSource();
        TessarinDef *src = other->reportDef();
        m_reportDef->addParameters(src->parameters());
        const auto models = src->itemModels();
        for (auto it = models.cbegin(); it != models.cend(); ++it)
            m_reportDef->addItemModel(it.key(), it.value());
        const auto lists = src->stringLists();
        for (auto it = lists.cbegin(); it != lists.cend(); ++it)
            m_reportDef->addStringList(it.key(), it.value());
        // The other report keeps owning its data sources: they join this
        // definition only while its report runs.
        m_borrowedDataSources = src->dataSources().values();
        m_director->setReportNo(i + 1);
        const bool ok = runOneReport(true, i == 0, i == count - 1);
        m_borrowedDataSources.clear();
        if (!ok)
            return false;
    }
    return true;
}

bool Tessarin::runFileBatch()
{
    const int count = m_batchFiles.size();
    for (int i = 0; i < count; ++i) {
        const QString entry = m_batchFiles.at(i);
        if (entry.endsWith(QLatin1String(".xml")) || entry.endsWith(QLatin1String(".tsn"))) {
            m_reportSource.setSourceType(TessarinSource::File);
            m_reportSource.setFileName(entry);
        } else {
            m_reportSource.setSourceType(TessarinSource::String);
            m_reportSource.setReportDefXML(entry);
        }
        if (i < m_batchParameters.size() && !m_batchParameters.at(i).isEmpty())
            m_reportDef->addParameters(m_batchParameters.at(i));
        m_director->setReportNo(i + 1);
        if (!runOneReport(true, i == 0, i == count - 1))
            return false;
    }
    return true;
}

void Tessarin::forgetBorrowedDataSources()
{
    if (m_borrowedDataSources.isEmpty())
        return;
    QHash<QString, TessarinDataSource *> kept = m_reportDef->dataSources();
    for (auto it = kept.begin(); it != kept.end();) {
        if (m_borrowedDataSources.contains(it.value()))
            it = kept.erase(it);
        else
            ++it;
    }
    m_reportDef->setDataSources(kept);
}

TessarinOutput *Tessarin::takeOutput()
{
    TessarinOutput *out = m_output.data();
    m_output = nullptr;
    // Nor does deleting this object take it along.
    if (out && out->parent() == this)
        out->setParent(nullptr);
    return out;
}

void Tessarin::disposeOutput()
{
    if (m_output && m_output->isAutoDelete())
        delete m_output.data();
    m_output = nullptr;
}

bool Tessarin::runToOutput(TessarinOutput *output, bool keepAfterRun)
{
    m_output = output;
    const bool result = runReport();
    if (!keepAfterRun)
        disposeOutput();
    return result;
}

bool Tessarin::runReportToPrinter(int copies, bool showdialog, QWidget *parent, QString printerName)
{
    disposeOutput();
    auto *out = new TessarinPrinterOutput(m_printQuality, m_printResolution, this);
    out->setCopies(copies);
    out->setShowPrintDialog(showdialog);
    out->setParentWidget(parent);
    out->setRotationAngle(m_rotationAngle);
    if (!printerName.isEmpty() && out->printer())
        out->printer()->setPrinterName(printerName);
    return runToOutput(out);
}

bool Tessarin::runReportToPrinter(int copies, bool showdialog, QWidget *parent)
{
    return runReportToPrinter(copies, showdialog, parent, QString());
}

bool Tessarin::runReportToPrinter(int copies, bool showdialog)
{
    return runReportToPrinter(copies, showdialog, nullptr, QString());
}

bool Tessarin::runReportToPrinter(int copies)
{
    return runReportToPrinter(copies, true, nullptr, QString());
}

bool Tessarin::runReportToPrinter()
{
    return runReportToPrinter(1, true, nullptr, QString());
}

bool Tessarin::runReportToPrinterNoDialog(int copies, QString printerName)
{
    return runReportToPrinter(copies, false, nullptr, printerName);
}

bool Tessarin::runReportToPreview()
{
    disposeOutput();
    // The preview output stays current so that a preview window can show its pages.
    return runToOutput(new TessarinPreviewOutput(this), true);
}

bool Tessarin::runReportToQtPreview()
{
    disposeOutput();
    auto *out = new TessarinQtPreviewOutput(m_printQuality, m_printResolution, this);
    out->setAutoDelete(true);
    out->setReport(this);
    out->setRotationAngle(m_rotationAngle);
    m_output = out;
    emit showQtPreviewDialog();
    out->exec();
    const bool result = !hasError();
    disposeOutput();
    return result;
}

bool Tessarin::runReportToPDF(QString filename)
{
    return runReportToPdf(filename);
}

bool Tessarin::runReportToPdf(QString filename)
{
    disposeOutput();
    auto *out = new TessarinPdfOutput(m_printQuality, m_printResolution, QPrinter::PdfFormat, this);
    out->setFileName(filename);
    out->setRotationAngle(m_rotationAngle);
    return runToOutput(out);
}

bool Tessarin::runReportToPostScript(QString filename)
{
    Q_UNUSED(filename)
    return false;
}

bool Tessarin::runReportToSVG(QString filename)
{
    disposeOutput();
    auto *out = new TessarinSvgOutput(this);
    out->setFileName(filename);
    out->setRotationAngle(m_rotationAngle);
    return runToOutput(out);
}

bool Tessarin::runReportToImage(QString filename)
{
    disposeOutput();
    auto *out = new TessarinImageOutput(this);
    out->setFileName(filename);
    out->setRotationAngle(m_rotationAngle);
    return runToOutput(out);
}

bool Tessarin::runReportToHTML(QString filename, int strategy, QString cssFile)
{
    return runReportToHtml(filename, strategy, cssFile);
}

bool Tessarin::runReportToHtml(QString filename, int strategy, QString cssFile)
{
    disposeOutput();
    auto *out = new TessarinHtmlOutput(this);
    out->setStrategy(strategy == 0 ? TessarinMarkupLanguageOutput::OneTablePerSection
                                   : TessarinMarkupLanguageOutput::OneTablePerRow);
    out->setStyleSheetFile(cssFile);
    out->setFileName(filename);
    return runToOutput(out);
}

bool Tessarin::runReportToExcelHtml(QString filename)
{
    disposeOutput();
    auto *out = new TessarinExcelHtmlOutput(this);
    out->setFileName(filename);
    return runToOutput(out);
}

bool Tessarin::runReportToText(QString filename, QString templateFileName)
{
    disposeOutput();
    auto *out = new TessarinTextOutput(this);
    out->setFileName(filename);
    out->setTemplateFile(templateFileName);
    const bool result = runToOutput(out);
    // The output words the template's own failures so; a run that failed
    // for another reason keeps that reason.
    if (!result && !hasError())
        m_reportDef->error()->setError(tr("Invalid text output template."), -1);
    return result;
}

void Tessarin::cancel()
{
    if (m_director)
        m_director->cancel();
}

void Tessarin::customizeReportDef(TessarinDef *)
{
}

void Tessarin::emitDataSourceOpen(QString dsID)
{
    emit dataSourceOpen(tr("Opening data source: %1").arg(dsID));
}

void Tessarin::emitDataSourceOpened(QString dsID, int totalRows)
{
    emit dataSourceOpened(tr("Data source opened: %1").arg(dsID), totalRows);
}

void Tessarin::emitDataRowProgress(QString dsID, int row)
{
    emit dataRowProgress(dsID, row);
}

void Tessarin::emitDataRowProgress(int row)
{
    emit dataRowProgress(row);
}

void Tessarin::emitDataRowCount(int numRows)
{
    emit dataRowCount(numRows);
}

void Tessarin::emitPageProgress(int page)
{
    emit pageProgress(page);
    emit pageProgress(m_pageProgressText.arg(page));
}

void Tessarin::onSectionProgress(QString sectionID)
{
    emit sectionProgress(sectionID);
}

TessarinPreviewWindow *Tessarin::createPreviewWindow(QWidget *parent)
{
    auto *window = new TessarinPreviewWindow(parent);
    window->setReport(this);
    window->setWindowModality(Qt::ApplicationModal);
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}

bool Tessarin::execPreview(TessarinOutput *output, QWidget *parent, bool maximized)
{
    auto *preview = qobject_cast<TessarinPreviewOutput *>(output);
    if (!preview)
        return false;
    if (preview == m_output.data())
        takeOutput();
    TessarinPreviewWindow *window = createPreviewWindow(parent);
    window->setOutput(preview);
    if (maximized)
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    // The window deletes itself on close, possibly before exec() returns.
    auto printed = std::make_shared<bool>(false);
    connect(window, &TessarinPreviewWindow::runPrinterDone, window, [printed]() { *printed = true; });
    window->exec();
    return *printed;
}

TessarinPreviewWindow *Tessarin::runReportToShowPreview(QWidget *parent, bool maximized)
{
    if (!runReportToPreview())
        return nullptr;
    auto *preview = qobject_cast<TessarinPreviewOutput *>(takeOutput());
    TessarinPreviewWindow *window = createPreviewWindow(parent);
    window->setOutput(preview);
    if (maximized)
        window->showMaximized();
    else
        window->show();
    return window;
}

bool Tessarin::runReportToShowPreviewDonePrint()
{
    if (!runReportToPreview())
        return false;
    return execPreview(m_output.data(), nullptr, false);
}

bool Tessarin::runReportToPDFSendMail(QString filename, LMailSender *mailSender)
{
    if (!mailSender)
        return false;
    if (!runReportToPdf(filename))
        return false;
    QFile file(filename);
    if (!file.open(QIODevice::ReadOnly)) {
        m_reportDef->error()->setError(tr("Cannot read file %1:\n%2.").arg(filename, file.errorString()), -1);
        return false;
    }
    // The name the recipient sees; the local directory is nobody's business.
    mailSender->setAttachment(QFileInfo(filename).fileName(), file.readAll());
    // An asynchronous sender must not be touched after send(): it deletes itself.
    const bool synchronous = mailSender->sendMode() == LMailSender::Synchronous;
    if (mailSender->send())
        return true;
    if (synchronous)
        m_reportDef->error()->setError(tr("The report could not be mailed: %1").arg(mailSender->lastError()), -1);
    return false;
}
