#ifndef TESSARINBARCODEDATA_H
#define TESSARINBARCODEDATA_H

#include "tessarinitemdata.h"

#include <QByteArray>
#include <QColor>
#include <QString>

// Properties of a barcode item. The value of the item (TessarinData) is the
// data to encode; the numbers are passed to the generator unchanged.
class TESSARIN2_EXPORT TessarinBarcodeData : public TessarinItemData
{
public:
    TessarinBarcodeData();
    TessarinBarcodeData(const TessarinBarcodeData &) = default;
    TessarinBarcodeData &operator=(const TessarinBarcodeData &) = default;
    ~TessarinBarcodeData() override;

    int barcodeType = 13; // the generator's symbology number, EAN
    bool showText = true;
    int borderType = 0; // 0 none, 1 bind bars, 2 box
    int borderWidth = 0;
    int whiteSpace = 0;
    double scale = 0; // kept and written; the generator's X dimension stays its own
    int heightFactor = 0;
    int cols = 0;
    int vers = 0;
    int secure = 0;
    int mode = 0;
    QColor foreColor{Qt::black};
    QColor backColor{Qt::white};
    int rotation = 0; // degrees
    // Primary message of composite and Maxicode symbols.
    QString primary;
    // The generator's last SVG document; empty when the last run failed (the
    // item then has the reason as its error text). Text beginning with
    // "error" set from outside is shown as an error too.
    QByteArray svgData;
};

#endif // TESSARINBARCODEDATA_H
