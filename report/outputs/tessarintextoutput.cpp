#include "tessarintextoutput.h"

#include "tessarinevaluator.h"
#include "tessaringroup.h"
#include "tessarinitem.h"
#include "tessarinsection.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

namespace {
const QString beginMarker = QStringLiteral("<!-- BEGIN {");
const QString endMarker = QStringLiteral("<!-- END -->");
// "} -->" closes the name on a BEGIN line.
constexpr int beginTailLength = 5;
const QString documentHeader = QStringLiteral("DH");
const QString documentFooter = QStringLiteral("DF");
}

TessarinTextOutput::TessarinTextOutput(QObject *parent)
    : TessarinOutput(parent)
{
    setOutput(TextOutput);
    setDocumentTemplateBased(true);
}

TessarinTextOutput::~TessarinTextOutput()
{
    closeFile();
}

QString TessarinTextOutput::blockName(const TessarinSection *section)
{
    if (!section)
        return QString();
    switch (section->type()) {
    case TessarinSection::ReportHeader:
        return QStringLiteral("RH");
    case TessarinSection::ReportFooter:
        return QStringLiteral("RF");
    case TessarinSection::PageHeader:
        return QStringLiteral("PH");
    case TessarinSection::PageFooter:
        return QStringLiteral("PF");
    case TessarinSection::GroupHeader:
    case TessarinSection::GroupFooter: {
        const TessarinGroup *group = section->relatedGroup();
        if (!group || !group->detail())
            return QString();
        const QString prefix = section->type() == TessarinSection::GroupHeader ? QStringLiteral("GH.")
                                                                                : QStringLiteral("GF.");
        return prefix + group->detail()->id() + QLatin1Char('.') + group->groupId();
    }
    case TessarinSection::Detail:
        return QStringLiteral("D.") + section->id();
    default:
        return QString();
    }
}

bool TessarinTextOutput::setup()
{
    m_templateError = false;
    m_failedBlock.clear();
    if (isJobStart()) {
        closeFile();
        clearError();
        m_documentStarted = false;
        m_footerPos = -1;
    }

    bool ok = false;
    if (!m_templateFileName.isEmpty()) {
        QFile file(m_templateFileName);
        if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            QTextStream stream(&file);
            stream.setCodec("UTF-8");
            ok = readTemplate(stream);
        }
    } else if (!m_templateText.isEmpty()) {
        QString text = m_templateText;
        QTextStream stream(&text, QIODevice::ReadOnly);
        ok = readTemplate(stream);
    }
    if (!ok) {
        m_templateError = true;
        // Worded as the report API words it, so one translation serves both.
        setErrorText(QCoreApplication::translate("Tessarin", "Invalid text output template."));
        return false;
    }
    if (fileName().isEmpty()) {
        setFileError(QString(), tr("No file name is set"));
        return false;
    }
    return true;
}

bool TessarinTextOutput::readTemplate(QTextStream &stream)
{
    m_blocks.clear();
    m_insideBlock = false;
    m_blockName.clear();
    m_blockText.clear();

    bool ok = true;
    bool anyLine = false;
    QString line;
    while (stream.readLineInto(&line)) {
        anyLine = true;
        ok = processTemplateLine(line);
        if (!ok)
            break;
    }
    // A block without its END would be lost without a word.
    if (m_insideBlock)
        ok = false;
    m_insideBlock = false;
    m_blockName.clear();
    m_blockText.clear();
    return anyLine && ok;
}

bool TessarinTextOutput::processTemplateLine(const QString &line)
{
    if (line.startsWith(beginMarker)) {
        if (m_insideBlock)
            return false;
        const QString trimmed = line.trimmed();
        const int nameLength = trimmed.size() - beginMarker.size() - beginTailLength;
        if (nameLength <= 0)
            return false;
        m_blockName = trimmed.mid(beginMarker.size(), nameLength);
        m_blockText.clear();
        m_insideBlock = true;
        return true;
    }
    if (line.startsWith(endMarker)) {
        if (!m_insideBlock)
            return false;
        m_blocks.insert(m_blockName, m_blockText);
        m_blockName.clear();
        m_blockText.clear();
        m_insideBlock = false;
        return true;
    }
    if (m_insideBlock) {
        m_blockText += line;
        m_blockText += QLatin1Char('\n');
    }
    return true;
}

void TessarinTextOutput::cleanup()
{
}

void TessarinTextOutput::begin()
{
    if (m_documentStarted) {
        // A later copy or report of the same job: continue the document in
        // place of the footer written by the previous end().
        if (m_file || hasError())
            return;
        m_file = new QFile(fileName());
        if (!m_file->open(QIODevice::ReadWrite | QIODevice::Text)
            || (m_footerPos >= 0 && !m_file->resize(m_footerPos)) || !m_file->seek(m_file->size())) {
            setFileError(fileName(), m_file->errorString());
            delete m_file;
            m_file = nullptr;
            return;
        }
        m_stream = new QTextStream(m_file);
        m_stream->setCodec("UTF-8");
        return;
    }

    m_documentStarted = true;
    m_footerPos = -1;
    closeFile();
    if (hasError())
        return;
    m_file = new QFile(fileName());
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        setFileError(fileName(), m_file->errorString());
        delete m_file;
        m_file = nullptr;
        return;
    }
    m_stream = new QTextStream(m_file);
    m_stream->setCodec("UTF-8");
    write(m_blocks.value(documentHeader));
}

void TessarinTextOutput::end()
{
    if (!m_stream)
        return;
    m_stream->flush();
    m_footerPos = m_file->pos();
    write(m_blocks.value(documentFooter));
    closeFile();
}

void TessarinTextOutput::newPage()
{
}

bool TessarinTextOutput::renderSection(TessarinSection *section, TessarinEvaluator *evaluator)
{
    const QString name = blockName(section);
    if (name.isEmpty())
        return true;
    QString text = m_blocks.value(name);
    if (text.isEmpty())
        return true;
    if (!evaluator)
        return false;

    if (text.contains(QLatin1String("$F{"))) {
        for (TessarinItem *item : section->reportItems()) {
            if (item->objectType() == TessarinItem::FieldObject)
                item->updateValue(this, evaluator);
        }
    }
    evaluator->setSection(section);
    if (!evaluator->evaluate(text)) {
        // The engine would take a false answer for a section that did not
        // fit and break the page; the error makes it stop instead.
        m_failedBlock = name;
        setErrorText(tr("The text output template block %1 could not be evaluated.").arg(name));
        return false;
    }
    write(text);
    return true;
}

void TessarinTextOutput::write(const QString &text)
{
    if (m_stream && !text.isEmpty())
        *m_stream << text;
}

void TessarinTextOutput::closeFile()
{
    if (m_stream) {
        m_stream->flush();
        if (m_stream->status() == QTextStream::WriteFailed && m_file)
            setFileError(m_file->fileName(), m_file->errorString());
        delete m_stream;
        m_stream = nullptr;
    }
    if (m_file) {
        m_file->close();
        if (m_file->error() != QFileDevice::NoError)
            setFileError(m_file->fileName(), m_file->errorString());
        delete m_file;
        m_file = nullptr;
    }
}
