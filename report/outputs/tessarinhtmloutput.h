#ifndef TESSARINHTMLOUTPUT_H
#define TESSARINHTMLOUTPUT_H

#include "tessarinmarkuplanguageoutput.h"

#include <QImage>
#include <QSize>

class QFont;
class QColor;

// Writes a report as one XHTML document: a div and a table per section
// (or a table per row), a table row per line of items, a cell per item,
// and the look of the items as CSS classes, embedded or in a style sheet
// file. Pictures are embedded as PNG data or written as PNG files into
// "<output file>_files/".
//
// Label and field texts are escaped; rich text items are passed through
// Qt's rich text model, so only its markup subset comes out (no scripts,
// no event handlers, no script links).
class TESSARIN2_EXPORT TessarinHtmlOutput : public TessarinMarkupLanguageOutput
{
    Q_OBJECT
public:
    enum ImageMode {
        EmbeddedImages = 0, // "data:" URLs in the document
        ImageFiles = 1      // any mode other than 0: PNG files next to the document
    };
    Q_ENUM(ImageMode)

    explicit TessarinHtmlOutput(QObject *parent = nullptr);
    ~TessarinHtmlOutput() override;

    void setImageMode(int mode) { m_imageMode = mode; }
    int imageMode() const { return m_imageMode; }

    // The img element of a picture, saved as PNG: embedded for mode 0,
    // otherwise written to the next "<output file>_files/imageNNNN.png"
    // and referred to relative to the document. Width and height are given
    // when size is valid. Empty for a null picture.
    QString imageToHtml(const QImage &image, const QSize &size, int mode);
    // A fragment of what QTextDocument::toHtml() gives: without the
    // document type declaration and the html and head tags, the body
    // turned into a div.
    static QString cleanHtml(const QString &text);

    void writeHeader() override;
    void writeFooter() override;
    void writeSectionStart(TessarinSection *section) override;
    void writeSectionEnd(TessarinSection *section) override;
    void writeRowStart(TessarinSection *section) override;
    void writeRowEnd(TessarinSection *section) override;
    void cellStarts(TessarinItem *item, QTextStream &styleStream) override;
    void cellEnds(TessarinItem *item, QTextStream &styleStream) override;
    void writeSpace(TessarinSection *section, int index, int width) override;
    void writeLabel(TessarinItem *item, QTextStream &styleStream) override;
    void writeText(TessarinItem *item, QTextStream &styleStream) override;
    void writeImage(TessarinItem *item, QTextStream &styleStream) override;
    void writeBarcode(TessarinItem *item, QTextStream &styleStream) override;
    QString styleSheetReference(const QString &url) override;

protected:
    // The printable text of a label or field as cell content: escaped, line
    // breaks kept.
    static QString labelContent(TessarinItem *item);
    // The rich text of a text item, safe to embed.
    QString textItemHtml(TessarinItem *item) const;
    // The picture of an image or barcode item at its painted size.
    static QImage itemPicture(TessarinItem *item);
    // CSS declarations of a label's alignment, colours and font.
    QString labelDeclarations(TessarinItem *item) const;
    // CSS declarations of the ways a font differs from the report's default.
    QString fontDeclarations(const QFont &font) const;
    static QString colorName(const QColor &color);
    int paintWidth(const TessarinItem *item) const;
    QString tableClass() const;

private:
    int m_imageMode = EmbeddedImages;
};

#endif // TESSARINHTMLOUTPUT_H
