#ifndef TESSARINMARKUPLANGUAGEOUTPUT_H
#define TESSARINMARKUPLANGUAGEOUTPUT_H

#include "tessarinoutput.h"

#include <QHash>
#include <QPair>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <map>

class QTextStream;

// Common base of the outputs that turn a report into one markup document
// instead of pages. The engine hands it the items of every section
// (section-wise generating mode); it orders them into table rows by their
// position in the section, top to bottom and left to right, and collects a
// content text and a style table. At end() the document is written to the
// output file, the styles either embedded where the header put the style
// sheet marker or written to a style sheet file of their own.
//
// Forced copies and the reports of a batch go into one document: the
// header is written once per job, and every end() writes the whole
// document so far.
//
// Data never becomes markup: every text that comes from the report's data
// or definition is escaped by the writers.
class TESSARIN2_EXPORT TessarinMarkupLanguageOutput : public TessarinOutput
{
    Q_OBJECT
public:
    enum SpreadStrategy {
        OneTablePerSection = 0, // consecutive rows of a detail share one table
        OneTablePerRow = 1
    };
    Q_ENUM(SpreadStrategy)

    // Pixels of CSS: the markup outputs lay out at 96 dots per inch.
    static constexpr int CssDpi = 96;

    explicit TessarinMarkupLanguageOutput(QObject *parent = nullptr);
    ~TessarinMarkupLanguageOutput() override;

    void setStrategy(SpreadStrategy strategy) { m_strategy = strategy; }
    SpreadStrategy strategy() const { return m_strategy; }
    // Empty: styles are embedded. "@": a file next to the output, named
    // after it with ".css". Any other name: that file, a relative name
    // taken relative to the output file's directory.
    void setStyleSheetFile(const QString &fileName) { m_styleSheetFile = fileName; }
    QString styleSheetFile() const { return m_styleSheetFile; }
    // The style sheet file the last end() wrote; empty when embedded.
    QString writtenStyleSheetFile() const { return m_writtenStyleSheetFile; }
    QString styleSheetMarker() const { return m_styleSheetMarker; }
    int rowCounter() const { return m_rowCounter; }
    QTextStream *contentStream() const { return m_contentStream; }
    QTextStream *styleStream() const { return m_styleStream; }
    QString crlf() const { return m_crlf; }
    // The document as the last end() wrote it (before encoding).
    QString documentText() const { return m_documentText; }

    // The markup of a text: "&", "<", ">" and '"' escaped.
    static QString escaped(const QString &text);

public Q_SLOTS:
    bool setup() override;
    void cleanup() override;
    void begin() override;
    void end() override;
    void newPage() override;
    void renderItem(TessarinItem *item, const QRectF &rect) override;
    void sectionStarts(TessarinSection *section, TessarinEvaluator *evaluator) override;
    void sectionEnds(TessarinSection *section, TessarinEvaluator *evaluator) override;

public:
    // Writers of the document's parts, implemented by the dialects.
    virtual void writeHeader() = 0;
    virtual void writeFooter() = 0;
    virtual void writeSectionStart(TessarinSection *section) = 0;
    virtual void writeSectionEnd(TessarinSection *section) = 0;
    virtual void writeRowStart(TessarinSection *section) = 0;
    virtual void writeRowEnd(TessarinSection *section) = 0;
    // Starts the cell of an item; declarations that the item's writer adds
    // for the cell's style go to styleStream.
    virtual void cellStarts(TessarinItem *item, QTextStream &styleStream) = 0;
    virtual void cellEnds(TessarinItem *item, QTextStream &styleStream) = 0;
    virtual void writeSpace(TessarinSection *section, int index, int width) = 0;
    virtual void writeLabel(TessarinItem *item, QTextStream &styleStream) = 0;
    virtual void writeText(TessarinItem *item, QTextStream &styleStream) = 0;
    virtual void writeImage(TessarinItem *item, QTextStream &styleStream) = 0;
    virtual void writeBarcode(TessarinItem *item, QTextStream &styleStream) = 0;
    virtual QString styleSheetReference(const QString &url) = 0;
    // An identifier usable as a class name: every character other than a
    // letter, a digit, "_" or "-" (a space among them) becomes "_".
    virtual QString fixedID(const QString &id);
    // "<section>_item_<item>" for the item's section.
    virtual QString itemClassId(TessarinItem *item);

protected:
    // The section whose items are being collected or written.
    TessarinSection *currentSection() const { return m_currentSection; }
    // Fixed identifier of the current section.
    QString sectionId() const { return m_sectionId; }
    // The evaluator of the section being collected.
    TessarinEvaluator *evaluator() const { return m_evaluator; }

    // The style table, kept in the order the selectors were added so that
    // the document comes out the same on every run.
    bool hasStyle(const QString &selector) const { return m_styles.contains(selector); }
    QString style(const QString &selector) const { return m_styles.value(selector); }
    void setStyle(const QString &selector, const QString &declarations);
    // The class for a style: className itself when its selector
    // (prefix + className) is new or holds these declarations; otherwise
    // the first of className + "_2", "_3", ... that is new or does. Items
    // whose look changes from row to row (conditional formats) keep it.
    QString styleClass(const QString &prefix, const QString &className, const QString &declarations);

    // Millimetres to CSS pixels.
    int mmToPixel(double mm) const;
    // Width of the page between the margins in pixels.
    int printableWidthPixels() const;
    // Where the output file lies; files that go with the document go there.
    QString outputDirectory() const;

    // Writes bytes to a file, recording a failure as the output's error.
    bool writeFile(const QString &fileName, const QByteArray &bytes);
    // The encoding the document is written in: the report's encoding
    // option when Qt knows it, else UTF-8.
    QString encodingName() const;
    // Numbers the files written along with the document in this job: 1, 2, ...
    int nextFileNumber() { return ++m_fileCounter; }

private:
    void writeItem(TessarinItem *item);
    void resetDocument();
    void writeDocument();
    QByteArray encodeDocument(const QString &text) const;

    QString m_crlf{QStringLiteral("\n")};
    QString m_styleSheetMarker{QStringLiteral("<!-- ##CSS## -->")};
    QString m_previousSectionId{QStringLiteral("#####")};
    bool m_noSectionOpen = true;
    int m_rowCounter = 0;
    SpreadStrategy m_strategy = OneTablePerSection;
    QString m_styleSheetFile;
    QString m_writtenStyleSheetFile;

    // Items of the section being collected, by (y, x) in hundredths of a
    // millimetre; equal positions keep the order in which they came.
    std::multimap<QPair<qint64, qint64>, TessarinItem *> m_itemMap;
    TessarinSection *m_currentSection = nullptr;
    TessarinEvaluator *m_evaluator = nullptr;
    QString m_sectionId;

    QHash<QString, QString> m_styles;
    QStringList m_styleOrder;

    QString m_content;
    QString m_styleText;
    QTextStream *m_contentStream = nullptr;
    QTextStream *m_styleStream = nullptr;
    QString m_documentText;
    bool m_documentStarted = false;
    int m_fileCounter = 0;
    TessarinSection *m_openSection = nullptr;
};

#endif // TESSARINMARKUPLANGUAGEOUTPUT_H
