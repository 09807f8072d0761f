#include "tessarinlabeldata.h"

TessarinLabelData::TessarinLabelData() = default;

TessarinLabelData::~TessarinLabelData() = default;

void TessarinLabelData::saveTextStyle()
{
    savedForeColor = foreColor;
    savedBackColor = backColor;
    savedFont = font;
    savedBackgroundMode = backgroundMode;
    savedBackgroundToDesign = backgroundToDesign;
    savedAlignment = alignment;
}

void TessarinLabelData::restoreTextStyle()
{
    foreColor = savedForeColor;
    backColor = savedBackColor;
    font = savedFont;
    backgroundMode = savedBackgroundMode;
    backgroundToDesign = savedBackgroundToDesign;
    alignment = savedAlignment;
}
