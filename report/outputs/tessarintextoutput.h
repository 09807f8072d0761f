#ifndef TESSARINTEXTOUTPUT_H
#define TESSARINTEXTOUTPUT_H

#include "tessarinoutput.h"

#include <QHash>
#include <QString>

class QFile;
class QTextStream;

// Writes a report as plain text built from a template: one block of text
// per kind of section, each evaluated for the section the engine hands over
// and appended to the output file.
//
// A template is a text with blocks between marker lines:
//
//   <!-- BEGIN {D.Detail1} -->
//   $D{people.name};$D{people.city}
//   <!-- END -->
//
// Block names: "DH" and "DF" (written when the document begins and ends),
// "RH", "RF", "PH", "PF", "GH.<detail id>.<group id>",
// "GF.<detail id>.<group id>" and "D.<detail id>". Text outside blocks is
// ignored.
//
// Forced copies and the reports of a batch go into one document: "DH" is
// written once at its start and "DF" once at its end.
class TESSARIN2_EXPORT TessarinTextOutput : public TessarinOutput
{
    Q_OBJECT
public:
    explicit TessarinTextOutput(QObject *parent = nullptr);
    ~TessarinTextOutput() override;

    // When both a template text and a template file are set, the file wins.
    void setTemplate(const QString &text) { m_templateText = text; }
    QString templateText() const { return m_templateText; }
    void setTemplateFile(const QString &fileName) { m_templateFileName = fileName; }
    QString templateFile() const { return m_templateFileName; }

    // The blocks read by the last setup().
    QHash<QString, QString> blocks() const { return m_blocks; }
    QString block(const QString &name) const { return m_blocks.value(name); }
    // Name of the block a section of this kind takes; empty for sections
    // that have none.
    static QString blockName(const TessarinSection *section);

    // True when the last setup() failed because the template is missing,
    // cannot be read or is malformed.
    bool hasTemplateError() const { return m_templateError; }
    // The block whose evaluation failed, stopping the run; empty otherwise.
    QString failedBlock() const { return m_failedBlock; }

public Q_SLOTS:
    // Reads the template into the block table; false when it is missing,
    // empty or malformed (a BEGIN inside a block, an END outside one).
    bool setup() override;
    void cleanup() override;
    void begin() override;
    void end() override;
    void newPage() override;
    bool renderSection(TessarinSection *section, TessarinEvaluator *evaluator) override;

private:
    bool readTemplate(QTextStream &stream);
    bool processTemplateLine(const QString &line);
    void write(const QString &text);
    void closeFile();

    QString m_templateText;
    QString m_templateFileName;
    QHash<QString, QString> m_blocks;
    bool m_insideBlock = false;
    QString m_blockName;
    QString m_blockText;

    QFile *m_file = nullptr;
    QTextStream *m_stream = nullptr;
    // The document of this job has been started; a later begin() continues it.
    bool m_documentStarted = false;
    // Where the document footer starts: a continuation writes over it.
    qint64 m_footerPos = -1;
    bool m_templateError = false;
    QString m_failedBlock;
};

#endif // TESSARINTEXTOUTPUT_H
