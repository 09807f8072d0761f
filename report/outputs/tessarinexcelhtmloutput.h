#ifndef TESSARINEXCELHTMLOUTPUT_H
#define TESSARINEXCELHTMLOUTPUT_H

#include "tessarinhtmloutput.h"

// Writes a report as the HTML dialect that spreadsheet programs open as a
// worksheet: a table per section, the look of the cells as inline
// attributes, numeric fields as numbers with a number format.
class TESSARIN2_EXPORT TessarinExcelHtmlOutput : public TessarinHtmlOutput
{
    Q_OBJECT
public:
    explicit TessarinExcelHtmlOutput(QObject *parent = nullptr);
    ~TessarinExcelHtmlOutput() override;

    void writeHeader() override;
    void writeSectionStart(TessarinSection *section) override;
    void writeSectionEnd(TessarinSection *section) override;
    void writeRowStart(TessarinSection *section) override;
    void writeRowEnd(TessarinSection *section) override;
    void cellStarts(TessarinItem *item, QTextStream &styleStream) override;
    void cellEnds(TessarinItem *item, QTextStream &styleStream) override;
    void writeSpace(TessarinSection *section, int index, int width) override;
    void writeLabel(TessarinItem *item, QTextStream &styleStream) override;
    void writeText(TessarinItem *item, QTextStream &styleStream) override;

    // The spreadsheet number format of a numeric field: "#,##0", with as
    // many "0" decimals after a "." as the field's precision asks for.
    static QString numberFormat(int decimals);
};

#endif // TESSARINEXCELHTMLOUTPUT_H
