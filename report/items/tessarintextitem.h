#ifndef TESSARINTEXTITEM_H
#define TESSARINTEXTITEM_H

#include "tessarinitem.h"
#include "tessarintextdata.h"

#include <QPointF>
#include <QString>

class QTextDocument;
class TessarinTextFlow;

// Rich text laid out by a QTextDocument: fixed HTML, plain text, a file, a
// URL, a data source column, a parameter, or a template the evaluator fills
// per record. The one item that continues on the next page when it does not
// fit.
//
// Splitting, as the section layout drives it:
//   double h = item->breakTo(availableMM, output);      // or breakTo(h, output, freshPage)
//   h >= 0: paint() (or dummyPaint()) prints the part of height h and moves
//           behind it; isBroken() stays true while text remains, and the next
//           page asks breakTo() again for the rest.
//   h <  0: nothing fits; breakResult() says whether a fresh page may help
//           (BreakNoRoom) or not (BreakCannotBePlaced). Either way the text
//           still to print is kept, so a remainder is never dropped.
class TESSARIN2_EXPORT TessarinTextItem : public TessarinItem
{
public:
    enum BreakResult {
        BreakNotTried = 0,
        BreakPartFits,      // a part fits, more follows
        BreakRestFits,      // all that remains fits
        BreakNoRoom,        // nothing fits below what the page holds already
        BreakCannotBePlaced // nothing fits even on an empty page
    };

    explicit TessarinTextItem(TessarinDef *reportDef = nullptr, QGraphicsItem *parent = nullptr);
    ~TessarinTextItem() override;

    TessarinTextData *textData() const { return static_cast<TessarinTextData *>(d); }
    QTextDocument *document() const { return textData()->document; }

    // Loads source into the document (converted first for plain text),
    // with the item's font and colour when useFont is set, and asks for a
    // new measurement. Outside template mode source also becomes the
    // content; in template mode the template is kept.
    void setHtml(const QString &source);
    // Sets the content (in template mode: the template) and loads it.
    void setHtmlContent(const QString &source);
    // In template mode the item's value as text, else the content.
    QString htmlContent() const;
    QString toHtml() const;
    static QString convertPlainTextToHtml(const QString &text);

    bool useFont() const { return textData()->useFont; }
    void setUseFont(bool on) { textData()->useFont = on; }
    QFont font() const { return textData()->font; }
    void setFont(const QFont &font) { textData()->font = font; }
    QColor foreColor() const { return textData()->foreColor; }
    void setForeColor(const QColor &color) { textData()->foreColor = color; }
    bool isSizeFix() const { return textData()->sizeFix; }
    void setSizeFix(bool on) { textData()->sizeFix = on; }
    bool isPlain() const { return textData()->plain; }
    void setPlain(bool on) { textData()->plain = on; }
    bool isMarkdown() const { return textData()->markdown; }
    void setMarkdown(bool on) { textData()->markdown = on; }
    bool isDefPosAndSize() const { return textData()->defPosAndSize; }
    void setDefPosAndSize(bool on) { textData()->defPosAndSize = on; }

    // Break state: first block and line still to print, last block and line
    // that breakTo() found to fit; all -1 while the item is not broken.
    int startBlock() const;
    int startLine() const;
    int lastBlock() const;
    int lastLine() const;
    // Forgets any split in progress (the next paint prints the whole text).
    void resetBreak();

    // The height in mm the next part takes in heightMM, or -1 when not one
    // line fits. freshPage tells that heightMM is all an empty page offers;
    // the two-argument form assumes so exactly when a part has already been
    // printed (the layout continues a text only at the top of a new page).
    double breakTo(double heightMM, TessarinOutput *output) override;
    double breakTo(double heightMM, TessarinOutput *output, bool freshPage);
    BreakResult breakResult() const;
    // The last breakTo() found that the rest can be placed on no page.
    bool cannotBePlaced() const { return breakResult() == BreakCannotBePlaced; }
    bool isBroken() const override;

    // Paints (or only steps over) the part that breakTo() found, from
    // position, and moves position behind it; sets boundingRectOfLastPart.
    void partialPaint(TessarinOutput *output, QPointF &position, bool measureOnly);

    // TessarinItem
    void adjustSize(TessarinOutput *output) override;
    void adjustSize() override;
    void paint(TessarinOutput *output, const QPointF &origin) override;
    void dummyPaint(TessarinOutput *output, const QPointF &origin) override;
    bool read(TessarinXMLReader *reader) override;
    bool write(TessarinXMLWriter *writer) override;
    void updateValue(TessarinOutput *output, TessarinEvaluator *evaluator) override;
    bool isEmpty() override;
    void setDefaultForEditor() override;
    void resize(const QSizeF &size) override;
    QList<SourceType> availableSourceTypes() const override;
    QString dynamicSourceText() const override;
    void applyDynamicText(const QString &text) override;

    // QGraphicsItem (designer)
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

protected:
    // Lets a subclass change the font for an output before painting.
    virtual void adjustFont(TessarinOutput *output);
    // What the designer shows while the document is empty.
    QString placeholderText() const;

private:
    void loadFile();
    void loadUrl();
    QColor paintTextColor() const;

    TessarinTextFlow *m_flow;

    // What the document was last loaded from.
    struct LoadedStyle {
        bool useFont = true;
        bool plain = false;
        QFont font;
        QColor color;
        bool operator==(const LoadedStyle &o) const
        {
            return useFont == o.useFont && plain == o.plain && font == o.font && color == o.color;
        }
    };
    bool m_loaded = false;
    int m_loadedRevision = 0;
    QString m_loadedSource;
    LoadedStyle m_loadedStyle;
};

#endif // TESSARINTEXTITEM_H
