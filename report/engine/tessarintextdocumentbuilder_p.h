#ifndef TESSARINTEXTDOCUMENTBUILDER_P_H
#define TESSARINTEXTDOCUMENTBUILDER_P_H

#include <QString>

class TessarinDirector;
class TessarinSection;

// The run of a text-document report: instead of laying out bands, the
// details pour their text items, row after row, into one rich-text document,
// which is then cut into page bodies between the page header and footer.
class TessarinTextDocumentBuilder
{
public:
    explicit TessarinTextDocumentBuilder(TessarinDirector *director);

    bool run();

private:
    // Appends the detail's text items for the current row; false once an
    // internal document ended the item loop.
    void appendItems(TessarinSection *detail);

    TessarinDirector *m_director;
    QString m_html;
};

#endif // TESSARINTEXTDOCUMENTBUILDER_P_H
