#ifndef TESSARINIMAGEDATA_H
#define TESSARINIMAGEDATA_H

#include "tessarinitemdata.h"

#include <QByteArray>
#include <QPixmap>

// Properties of an image item. A raster picture lives in pixmap, an SVG
// drawing in svgData; the item keeps at most one of the two.
class TESSARIN2_EXPORT TessarinImageData : public TessarinItemData
{
public:
    // How the picture's bytes are to be read: raw image file bytes, Base64
    // of them, or an SVG document.
    enum ImageFormat : int { Bin = 0, B64 = 1, Svg = 2 };

    TessarinImageData();
    TessarinImageData(const TessarinImageData &) = default;
    TessarinImageData &operator=(const TessarinImageData &) = default;
    ~TessarinImageData() override;

    Qt::AspectRatioMode aspectRatioMode = Qt::KeepAspectRatio;
    Qt::TransformationMode transformMode = Qt::FastTransformation;
    // Kept for the designer; every read sets it again.
    bool scaling = true;
    ImageFormat imageFormat = Bin;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
    // Latin-1 text put verbatim into the width and height attributes of
    // the HTML img tag.
    QByteArray htmlWidth;
    QByteArray htmlHeight;
    QByteArray svgData; // UTF-8
    QPixmap pixmap;
};

#endif // TESSARINIMAGEDATA_H
