#ifndef TESSARINITEM_H
#define TESSARINITEM_H

#include "tessaringlobal.h"
#include "tessarinitemdata.h"

#include <QGraphicsItem>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;
class TessarinDef;
class TessarinEvaluator;
class TessarinEvaluatorContext;
class TessarinOutput;
class TessarinSection;
class TessarinXMLReader;
class TessarinXMLWriter;

// Base of every printable element of a section: the shared properties (kept
// in a TessarinItemData object), the common attributes of the item elements,
// the geometry in millimetres, and the operations through which the engine
// refreshes, measures, splits and paints an item. Items are graphics items
// too, so that a designer can place them on a section scene.
class TESSARIN2_EXPORT TessarinItem : public QGraphicsItem
{
public:
    enum ObjectType : quint32 {
        NoObject = 0x20000,
        LabelObject = 0x20001,
        FieldObject = 0x20002,
        TextObject = 0x20003,
        LineObject = 0x20004,
        RectangleObject = 0x20005,
        EllipseObject = 0x20006,
        ImageObject = 0x20007,
        BarcodeObject = 0x20008,
        GraphObject = 0x20009,
        CrossTabObject = 0x2000A,
        TableObject = 0x2000B
    };

    enum SourceType : int {
        Static = 0,
        DataSource = 1,
        File = 2,
        FileFromDataSource = 3,
        Parameter = 4,
        Url = 5,
        UrlFromDataSource = 6,
        Internal = 7,
        Variable = 8,
        SystemVariable = 9,
        Expression = 10,
        Template = 11
    };

    enum FitRole : int { NoFit = 0, FitToSection = 1, FitToZone = 2, FitToPageFooter = 3 };

    // Resize handles of the designer.
    enum SelectionDirection : int {
        TopLeft = 0,
        Top,
        TopRight,
        Right,
        BottomRight,
        Bottom,
        BottomLeft,
        Left,
        LineStart,
        LineEnd,
        NoDirection
    };

    explicit TessarinItem(QGraphicsItem *parent = nullptr);
    explicit TessarinItem(TessarinDef *reportDef, QGraphicsItem *parent = nullptr);
    ~TessarinItem() override;

    // Names in the "resource" attribute; "custom" also reads as Internal.
    static QString sourceTypeName(SourceType type);
    // Whether items draw on this output: previews, printer, PDF, SVG and images
    // do; text, HTML and the null output only receive the items.
    static bool drawsOn(const TessarinOutput *output);

    // QGraphicsItem
    using QGraphicsItem::paint;
    QRectF boundingRect() const override;
    QPainterPath shape() const override;

    // Overridable operations, in the order the engine and the designer rely on.
    virtual QString text() const;
    virtual void setText(const QString &text, const QString &language = QString());
    virtual QSizeF sectionMetricSize() const;
    virtual QSizeF zoneMetricSize() const;
    virtual void setReportDef(TessarinDef *reportDef);
    // The item's rectangle in output pixels, origin being the section's
    // top-left on the page in millimetres.
    virtual QRectF itemRect(TessarinOutput *output, const QPointF &origin);
    virtual void setSnapPos(const QPointF &position);
    virtual void resize(const QSizeF &size);
    virtual void resizeInMM(const QSizeF &size);
    virtual QSizeF currentSize() const;
    virtual QSizeF sizeHint() const;
    virtual void adjustSize(TessarinOutput *output);
    virtual void adjustSize();
    // The size the item occupies on the page: measured or designed, with
    // the dynamic size applied.
    virtual QSizeF realMetricSize() const;
    virtual void offsetPastePos();
    // Paints the item and hands it to the output's renderItem(). The base
    // draws nothing.
    virtual void paint(TessarinOutput *output, const QPointF &origin);
    // Reads the common attributes of the item element; subclasses read their
    // own attributes afterwards and consume the element's content.
    virtual bool read(TessarinXMLReader *reader);
    // Writes the common attributes into the element the subclass started.
    virtual bool write(TessarinXMLWriter *writer);
    virtual void setDefaultForEditor();
    virtual void updateForEditor();
    virtual void updateForSave();
    virtual void updateSize();
    virtual void updatePosition();
    // Base step of the value refresh: dynamic geometry and the user function.
    virtual void updateValue(TessarinOutput *output, TessarinEvaluator *evaluator);
    virtual void updateContent();
    virtual void dummyPaint(TessarinOutput *output, const QPointF &origin);
    virtual void saveSelectState();
    virtual bool isDynamic() const;
    virtual bool isEmpty();
    virtual void enableOffsetPosition();
    virtual void disableOffsetPosition();
    virtual bool isAbleToBreak() const;
    virtual void setAbleToBreak(bool on);
    virtual double breakTo(double heightMM, TessarinOutput *output);
    virtual bool isBroken() const;
    virtual bool hasSizeAndPosition() const;
    virtual bool pinToRight() const;
    virtual void setPinToRight(bool on);
    virtual bool pinToLeft() const;
    virtual void setPinToLeft(bool on);
    virtual QList<SourceType> availableSourceTypes() const;
    virtual void printWhenTrueAction(TessarinEvaluator *evaluator);
    // False for an empty source; otherwise result is the source evaluated.
    virtual bool evaluateProperty(TessarinEvaluator *evaluator, const QString &source, QString &result);
    virtual bool isValidLocation(int location) const;
    virtual void preparePaintSelection(QPainter *painter);
    virtual void paintSelection(QPainter *painter);
    virtual QRectF selectionRect(SelectionDirection direction, const QSizeF &size) const;
    virtual void updateCursor(SelectionDirection direction);
    virtual void itemPositionChange(const QPointF &position);

    // Hooks through which the evaluator hands dynamic content to items that
    // display it (text, image, barcode, graph). dynamicSourceText() is the
    // template the item wants evaluated when its source type has no other
    // text to give (empty: nothing to evaluate); applyDynamicText() receives
    // the evaluated text (base: stored as the value); reloadDynamicContent()
    // is called when a dynamic value changed (base: nothing, true).
    virtual QString dynamicSourceText() const;
    virtual void applyDynamicText(const QString &text);
    virtual bool reloadDynamicContent(TessarinEvaluator *evaluator);

    // Value holder
    QVariant value() const { return d->value(); }
    void setValue(const QVariant &value) { d->setValue(value); }
    TessarinData::DataType dataType() const { return d->dataType(); }
    void setDataType(TessarinData::DataType type) { d->setDataType(type); }
    void setDataType(const QString &name) { d->setDataType(name); }
    QString typeName() const { return d->typeName(); }
    QString id() const { return d->id(); }
    void setId(const QString &id) { d->setID(id); }
    void setID(const QString &id) { d->setID(id); }

    TessarinItemData *data() const { return d; }

    ObjectType objectType() const { return ObjectType(d->objectType); }
    QString tagname() const { return d->tagname; }
    int typeId() const { return d->typeId; }
    void setTypeId(int id) { d->typeId = id; }
    SourceType sourceType() const { return SourceType(d->sourceType); }
    void setSourceType(SourceType type) { d->sourceType = type; }
    FitRole fitRole() const { return FitRole(d->fitRole); }
    void setFitRole(FitRole role) { d->fitRole = role; }
    bool isEditorMode() const { return d->editorMode; }
    void setEditorMode(bool on) { d->editorMode = on; }

    QPointF metricPos() const { return d->metricPos; }
    void setMetricPos(const QPointF &pos) { d->metricPos = pos; }
    QPointF metricOffset() const { return d->metricOffset; }
    void setMetricOffset(const QPointF &offset) { d->metricOffset = offset; }
    QSizeF metricSize() const { return d->metricSize; }
    void setMetricSize(const QSizeF &size) { d->metricSize = size; }
    QSizeF measuredMetricSize() const { return d->realMetricSize; }
    void setRealMetricSize(const QSizeF &size) { d->realMetricSize = size; }
    void setSectionMetricSize(const QSizeF &size) { d->sectionMetricSize = size; }
    void setZoneMetricSize(const QSizeF &size) { d->zoneMetricSize = size; }
    void setCurrentSize(const QSizeF &size) { d->currentSize = size; }
    QPointF dynamicPosition() const { return d->dynamicPosition; }
    void setDynamicPosition(const QPointF &pos) { d->dynamicPosition = pos; }
    QSizeF dynamicSize() const { return d->dynamicSize; }
    void setDynamicSize(const QSizeF &size) { d->dynamicSize = size; }

    bool hasDynamicPosition() const { return d->hasDynamicPosition; }
    bool hasDynamicSize() const { return d->hasDynamicSize; }
    bool isAutoHeight() const { return d->autoHeight; }
    void setAutoHeight(bool on) { d->autoHeight = on; }
    bool isTemplateMode() const { return d->templateMode; }
    void setTemplateMode(bool on) { d->templateMode = on; }
    int zoneID() const { return d->zoneID; }
    void setZoneID(int zone) { d->zoneID = zone; }
    bool isAdjusted() const { return d->adjusted; }
    void setAdjusted(bool on) { d->adjusted = on; }
    bool printWhenResult() const { return d->printWhenResult; }
    void setPrintWhenResult(bool on) { d->printWhenResult = on; }
    bool isUpToDate() const { return d->upToDate; }
    void setUpToDate(bool on) { d->upToDate = on; }
    bool isLocked() const { return d->locked; }
    void setLocked(bool on) { d->locked = on; }
    bool isDynamicOffsetMode() const { return d->dynamicOffsetMode; }
    void setDynamicOffsetMode(bool on) { d->dynamicOffsetMode = on; }

    TessarinDef *reportDef() const { return d->reportDef; }
    TessarinEvaluatorContext *director() const { return d->director; }
    void setDirector(TessarinEvaluatorContext *director) { d->director = director; }
    TessarinSection *section() const { return d->section; }
    void setSection(TessarinSection *section) { d->section = section; }

    QString printWhen() const { return d->printWhen; }
    void setPrintWhen(const QString &condition) { d->printWhen = condition; }
    QString description() const { return d->description; }
    void setDescription(const QString &text) { d->description = text; }
    QString htmlOptions() const { return d->htmlOptions; }
    void setHtmlOptions(const QString &options) { d->htmlOptions = options; }
    QString functionId() const { return d->functionId; }
    void setFunctionId(const QString &id) { d->functionId = id; }
    QString dynPosXSource() const { return d->dynPosXSource; }
    QString dynPosYSource() const { return d->dynPosYSource; }
    QString dynWidthSource() const { return d->dynWidthSource; }
    QString dynHeightSource() const { return d->dynHeightSource; }
    // Setting a source also switches the dynamic position or size on when
    // any of its two sources is given.
    void setDynPosXSource(const QString &source);
    void setDynPosYSource(const QString &source);
    void setDynWidthSource(const QString &source);
    void setDynHeightSource(const QString &source);

    QRectF boundingRectOfLastPart() const { return d->boundingRectOfLastPart; }
    void setBoundingRectOfLastPart(const QRectF &rect) { d->boundingRectOfLastPart = rect; }
    QRectF paintRect() const { return d->paintRect; }
    void setPaintRect(const QRectF &rect) { d->paintRect = rect; }

    bool hasParameter() const { return d->hasParameter(); }
    QVariant parameter(const QString &name) const { return d->parameter(name); }
    QHash<QString, QVariant> parameters() const { return d->parameters; }
    QHash<QString, QVariant> &parametersRef() { return d->parameters; }
    void setParameters(const QHash<QString, QVariant> &parameters) { d->parameters = parameters; }

    SelectionDirection hoverState() const { return m_hoverState; }

protected:
    // For subclasses: data is the subclass's own data object, which the item
    // takes over (objectType and tagname are expected to be set in it).
    TessarinItem(TessarinItemData *data, TessarinDef *reportDef, QGraphicsItem *parent);

    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;

    // Applies one evaluated dynamic coordinate; false when the source is empty.
    bool evaluateDynamicValue(TessarinEvaluator *evaluator, const QString &source, double &target);

    TessarinItemData *d;

private:
    void initEditorFlags();
    SelectionDirection directionAt(const QPointF &pos) const;

    SelectionDirection m_hoverState = NoDirection;
    QPointF m_selectScenePos;

    Q_DISABLE_COPY(TessarinItem)
};

#endif // TESSARINITEM_H
