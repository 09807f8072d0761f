#ifndef TESSARINFIELDITEM_H
#define TESSARINFIELDITEM_H

#include "tessarinfielddata.h"
#include "tessarinlabelitem.h"

class TessarinDataSource;

// A label whose text is a value the evaluator fetches for every record (a
// data source column, parameter, variable, system variable, expression or
// template) and formats by data type: numbers with width, precision and
// fill character, dates and times by format, booleans, an argument pattern
// and padding to a number of characters.
class TESSARIN2_EXPORT TessarinFieldItem : public TessarinLabelItem
{
    Q_DECLARE_TR_FUNCTIONS(TessarinFieldItem)
public:
    explicit TessarinFieldItem(TessarinDef *reportDef = nullptr, QGraphicsItem *parent = nullptr);
    ~TessarinFieldItem() override;

    // The expression (column, parameter name, script, template); it is not
    // translated.
    QString text() const override;
    QString printableText() const override;
    // By data type; with hideRepeated a value equal to the last one tested
    // counts as empty, and every test remembers the value.
    bool isEmpty() override;
    // The evaluator fetches and formats the value, then the label's step.
    void updateValue(TessarinOutput *output, TessarinEvaluator *evaluator) override;
    void setDefaultForEditor() override;
    QList<SourceType> availableSourceTypes() const override;

    // Formats the current value into the display value.
    void formatDisplayValue();
    // The display text of value under format's data type, numeric, date and
    // text settings and alignment.
    static QString formatValue(const QVariant &value, const TessarinFieldData &format);

    int precision() const { return fd()->precision; }
    void setPrecision(int digits) { fd()->precision = digits; }
    int fieldWidth() const { return fd()->fieldWidth; }
    void setFieldWidth(int width) { fd()->fieldWidth = width; }
    char format() const { return fd()->format; }
    void setFormat(char letter) { fd()->format = letter; }
    QChar fillChar() const { return fd()->fillChar; }
    void setFillChar(QChar c) { fd()->fillChar = c; }
    bool isLocalized() const { return fd()->localized; }
    void setLocalized(bool on) { fd()->localized = on; }
    bool numBlankIfZero() const { return fd()->numBlankIfZero; }
    void setNumBlankIfZero(bool on) { fd()->numBlankIfZero = on; }
    bool numFormat() const { return fd()->numFormat; }
    void setNumFormat(bool on) { fd()->numFormat = on; }
    int numCharacters() const { return fd()->numCharacters; }
    void setNumCharacters(int count) { fd()->numCharacters = count; }
    QString dateFormat() const { return fd()->dateFormat; }
    void setDateFormat(const QString &format) { fd()->dateFormat = format; }
    QString arg() const { return fd()->arg; }
    void setArg(const QString &pattern) { fd()->arg = pattern; }

    // The column the evaluator resolved; null / -1 until the first lookup.
    TessarinDataSource *dataSource() const { return fd()->dataSource; }
    void setDataSource(TessarinDataSource *dataSource) { fd()->dataSource = dataSource; }
    int dataColumn() const { return fd()->dataColumn; }
    void setDataColumn(int column) { fd()->dataColumn = column; }
    int dataRole() const { return fd()->dataRole; }
    void setDataRole(int role) { fd()->dataRole = role; }

protected:
    bool readProps(TessarinXMLReader *reader) override;
    bool writeProps(TessarinXMLWriter *writer) override;

    TessarinFieldData *fd() const { return static_cast<TessarinFieldData *>(d); }
};

#endif // TESSARINFIELDITEM_H
