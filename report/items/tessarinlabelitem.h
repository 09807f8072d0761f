#ifndef TESSARINLABELITEM_H
#define TESSARINLABELITEM_H

#include "tessarinitem.h"
#include "tessarinlabeldata.h"

#include <QCoreApplication>

class QPainter;

// A text box printing a fixed, optionally translated text, with font,
// colours, alignment, rotation and an opaque or transparent background.
// A conditional format code can change font and colours per record, and
// its "$V{" lines are assignments run when the label is printed.
class TESSARIN2_EXPORT TessarinLabelItem : public TessarinItem
{
    Q_DECLARE_TR_FUNCTIONS(TessarinLabelItem)
public:
    using BGMode = TessarinLabelData::BGMode;
    static constexpr BGMode Transparent = TessarinLabelData::Transparent;
    static constexpr BGMode Opaque = TessarinLabelData::Opaque;

    explicit TessarinLabelItem(TessarinDef *reportDef = nullptr, QGraphicsItem *parent = nullptr);
    ~TessarinLabelItem() override;

    // Designer view
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // The translation for the current language of the page options; falls
    // back to the default language ("00") when the language role is 0.
    QString text() const override;
    // Stores the text as the item's text and as the translation for
    // language (the current language when empty).
    void setText(const QString &text, const QString &language = QString()) override;
    // What is painted: the label's text, the field's display value.
    virtual QString printableText() const;
    bool isEmpty() override;
    // Applies the conditional format, then the base step.
    void updateValue(TessarinOutput *output, TessarinEvaluator *evaluator) override;
    void printWhenTrueAction(TessarinEvaluator *evaluator) override;
    // Measures the text and stores the size when the item sizes itself
    // (auto height or pinned); once per item until the engine clears the
    // adjusted flag, and never frozen by a measuring pass on the null output.
    void adjustSize(TessarinOutput *output) override;
    void adjustSize() override;
    void paint(TessarinOutput *output, const QPointF &origin) override;
    bool read(TessarinXMLReader *reader) override;
    bool write(TessarinXMLWriter *writer) override;
    void setDefaultForEditor() override;
    QList<SourceType> availableSourceTypes() const override;

    // The rectangle the text needs on the output, in output pixels.
    QRectF outputRect(TessarinOutput *output);
    void rotateText(QPainter *painter, QPointF topLeft, const QSizeF &size);
    // Runs the conditional format code; false when a line failed (the saved
    // style is then back in place and conditionalFormatError() says why).
    bool applyConditionalFormat(TessarinEvaluator *evaluator);
    QString conditionalFormatError() const { return m_cfError; }
    void resetHideRepeated() { ld()->lastValue.clear(); }
    void saveTextStyle() { ld()->saveTextStyle(); }
    void restoreTextStyle() { ld()->restoreTextStyle(); }

    bool wordbreak() const { return ld()->wordbreak; }
    void setWordbreak(bool on) { ld()->wordbreak = on; }
    int rotation() const { return ld()->rotation; }
    void setRotation(int degrees) { ld()->rotation = degrees; }
    bool hideRepeated() const { return ld()->hideRepeated; }
    void setHideRepeated(bool on) { ld()->hideRepeated = on; }
    bool hasTranslation() const { return ld()->hasTranslation; }
    QColor foreColor() const { return ld()->foreColor; }
    void setForeColor(const QColor &color) { ld()->foreColor = color; }
    QColor backColor() const { return ld()->backColor; }
    void setBackColor(const QColor &color) { ld()->backColor = color; }
    QFont font() const { return ld()->font; }
    void setFont(const QFont &font) { ld()->font = font; }
    BGMode backgroundMode() const { return ld()->backgroundMode; }
    void setBackgroundMode(BGMode mode) { ld()->backgroundMode = mode; }
    bool backgroundToDesign() const { return ld()->backgroundToDesign; }
    void setBackgroundToDesign(bool on) { ld()->backgroundToDesign = on; }
    Qt::Alignment alignment() const { return ld()->alignment; }
    void setAlignment(Qt::Alignment flags) { ld()->alignment = flags; }
    QString displayValue() const { return ld()->displayValue; }
    void setDisplayValue(const QString &text) { ld()->displayValue = text; }
    QString lastValue() const { return ld()->lastValue; }
    QHash<QString, QString> translations() const { return ld()->translations; }
    void setTranslations(const QHash<QString, QString> &translations) { ld()->translations = translations; }
    QString conditionalFormatCode() const { return ld()->conditionalFormatCode; }
    void setConditionalFormatCode(const QString &code);

protected:
    TessarinLabelItem(TessarinLabelData *data, TessarinDef *reportDef, QGraphicsItem *parent);

    // Attributes of subclasses, read and written within the element.
    virtual bool readProps(TessarinXMLReader *reader);
    virtual bool writeProps(TessarinXMLWriter *writer);
    // Lets a subclass change the font used on an output; the label's does nothing.
    virtual void adjustFont(QFont &font, TessarinOutput *output);

    TessarinLabelData *ld() const { return static_cast<TessarinLabelData *>(d); }

private:
    QString currentLanguage() const;
    void readContent(TessarinXMLReader *reader, bool withParameters);

    QString m_cfError;
};

#endif // TESSARINLABELITEM_H
