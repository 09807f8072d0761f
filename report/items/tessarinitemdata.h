#ifndef TESSARINITEMDATA_H
#define TESSARINITEMDATA_H

#include "tessarindata.h"

#include <QHash>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>

class TessarinDef;
class TessarinEvaluatorContext;
class TessarinSection;

// The properties every report item shares. Items keep one object of this
// class (or of a subclass) and expose the fields through accessors; the
// object is a plain value so that an item's state can be copied as a whole.
// Lengths are millimetres unless a comment says otherwise.
class TESSARIN2_EXPORT TessarinItemData : public TessarinData
{
public:
    TessarinItemData();
    TessarinItemData(const TessarinItemData &) = default;
    TessarinItemData &operator=(const TessarinItemData &) = default;
    ~TessarinItemData() override;

    bool hasParameter() const { return !parameters.isEmpty(); }
    QVariant parameter(const QString &name) const { return parameters.value(name); }

    quint32 objectType = 0x20000;
    int typeId = 0;
    int sourceType = 0;
    int fitRole = 0;
    bool editorMode = false;

    QPointF metricPos;
    QPointF metricOffset;
    QSizeF metricSize{0, 0};
    QSizeF realMetricSize{0, 0};
    QSizeF sectionMetricSize{0, 0};
    QSizeF zoneMetricSize{0, 0};
    QSizeF currentSize{0, 0}; // scene pixels, editor only
    QPointF dynamicPosition;
    QSizeF dynamicSize{0, 0};

    bool hasDynamicPosition = false;
    bool hasDynamicSize = false;
    bool autoHeight = false;
    bool templateMode = false;
    int zoneID = 0;
    bool adjusted = false;
    bool printWhenResult = true;
    bool upToDate = false;
    bool locked = false;
    bool ableToBreak = false;
    bool pinToRight = false;
    bool pinToLeft = false;
    bool dynamicOffsetMode = false;

    // Links, not owned.
    TessarinDef *reportDef = nullptr;
    TessarinEvaluatorContext *director = nullptr;
    TessarinSection *section = nullptr;

    QString tagname;
    QString text;
    QString printWhen;
    QString description;
    QString htmlOptions;
    QString functionId;
    QString dynPosXSource;
    QString dynPosYSource;
    QString dynWidthSource;
    QString dynHeightSource;

    QRectF boundingRectOfLastPart; // output pixels
    QRectF paintRect;

    QHash<QString, QVariant> parameters;
};

#endif // TESSARINITEMDATA_H
