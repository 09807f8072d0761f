#ifndef TESSARINTEXTDATA_H
#define TESSARINTEXTDATA_H

#include "tessarinitemdata.h"

#include <QColor>
#include <QFont>
#include <QString>

class QTextDocument;

// Properties of a text item. The data object owns the item's one
// QTextDocument; copying the data copies the document's content.
class TESSARIN2_EXPORT TessarinTextData : public TessarinItemData
{
public:
    TessarinTextData();
    TessarinTextData(const TessarinTextData &other);
    TessarinTextData &operator=(const TessarinTextData &other);
    ~TessarinTextData() override;

    QTextDocument *document = nullptr;
    // The item's font and fore colour apply to the document and the painter.
    bool useFont = true;
    // Kept for the designer; no effect when printing.
    bool defPosAndSize = false;
    // Lay out on a fixed page of the item's size instead of only its width.
    bool sizeFix = false;
    // The content is plain text, turned into HTML before use.
    bool plain = false;
    // Kept for the designer; no effect when printing.
    bool markdown = false;
    QColor foreColor{Qt::black};
    QFont font;
    // The source last given to the document (in template mode: the template).
    QString htmlContent;
};

#endif // TESSARINTEXTDATA_H
