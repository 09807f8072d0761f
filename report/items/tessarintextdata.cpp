#include "tessarintextdata.h"

#include "tessarinitem.h"

#include <QTextDocument>

TessarinTextData::TessarinTextData()
    : document(new QTextDocument)
{
    objectType = TessarinItem::TextObject;
    tagname = QStringLiteral("text");
}

TessarinTextData::TessarinTextData(const TessarinTextData &other)
    : TessarinItemData(other)
    , document(other.document ? other.document->clone() : new QTextDocument)
    , useFont(other.useFont)
    , defPosAndSize(other.defPosAndSize)
    , sizeFix(other.sizeFix)
    , plain(other.plain)
    , markdown(other.markdown)
    , foreColor(other.foreColor)
    , font(other.font)
    , htmlContent(other.htmlContent)
{
}

TessarinTextData &TessarinTextData::operator=(const TessarinTextData &other)
{
    if (this == &other)
        return *this;
    TessarinItemData::operator=(other);
    QTextDocument *copy = other.document ? other.document->clone() : new QTextDocument;
    delete document;
    document = copy;
    useFont = other.useFont;
    defPosAndSize = other.defPosAndSize;
    sizeFix = other.sizeFix;
    plain = other.plain;
    markdown = other.markdown;
    foreColor = other.foreColor;
    font = other.font;
    htmlContent = other.htmlContent;
    return *this;
}

TessarinTextData::~TessarinTextData()
{
    delete document;
}
