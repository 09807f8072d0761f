#ifndef TESSARINLABELDATA_H
#define TESSARINLABELDATA_H

#include "tessarinitemdata.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QString>

// Properties of a label: text with its translations, font, colours,
// alignment, rotation and background, the conditional format code, and the
// text style saved after reading that conditional formats start from.
class TESSARIN2_EXPORT TessarinLabelData : public TessarinItemData
{
public:
    enum BGMode : int { Transparent = 0, Opaque = 1 };

    TessarinLabelData();
    TessarinLabelData(const TessarinLabelData &) = default;
    TessarinLabelData &operator=(const TessarinLabelData &) = default;
    ~TessarinLabelData() override;

    // Copies the current style into the saved one, and back.
    void saveTextStyle();
    void restoreTextStyle();

    bool wordbreak = false;
    int rotation = 0; // degrees
    bool hideRepeated = false;
    bool hasTranslation = false;
    bool hasConditionalFormat = false;

    QColor foreColor{Qt::black};
    QColor backColor{Qt::white};
    QFont font;
    BGMode backgroundMode = Transparent;
    bool backgroundToDesign = false;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;

    QColor savedForeColor{Qt::black};
    QColor savedBackColor{Qt::white};
    QFont savedFont;
    BGMode savedBackgroundMode = Transparent;
    bool savedBackgroundToDesign = false;
    Qt::Alignment savedAlignment = Qt::AlignLeft | Qt::AlignTop;

    QString displayValue;
    QString lastValue;
    QHash<QString, QString> translations; // "00" is the default language
    QString conditionalFormatCode;
};

#endif // TESSARINLABELDATA_H
