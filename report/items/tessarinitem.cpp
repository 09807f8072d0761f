#include "tessarinitem.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessarinoutput.h"
#include "tessarinscale.h"
#include "tessarinsection.h"
#include "tessarinuserfunction.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlwriter.h"

#include <QCursor>
#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

const char *const sourceTypeNames[] = {"static",    "datasource", "file", "filefromds", "param", "url",
                                       "urlfromds", "internal",   "var",  "sysvar",     "exp",   "tpl"};

// Reading also accepts these: "custom" is the old name of "internal"; the
// "t" forms select the source and switch template mode on.
struct ResourceForm
{
    const char *name;
    int type;
    bool templateMode;
};
const ResourceForm extraResourceForms[] = {{"custom", TessarinItem::Internal, false},
                                           {"tdatasource", TessarinItem::DataSource, true},
                                           {"tfile", TessarinItem::File, true},
                                           {"tfilefromds", TessarinItem::FileFromDataSource, true}};

constexpr double handleSize = 6.0; // designer resize handles, scene pixels

} // namespace

TessarinItem::TessarinItem(QGraphicsItem *parent)
    : TessarinItem(new TessarinItemData, nullptr, parent)
{
}

TessarinItem::TessarinItem(TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinItem(new TessarinItemData, reportDef, parent)
{
}

TessarinItem::TessarinItem(TessarinItemData *data, TessarinDef *reportDef, QGraphicsItem *parent)
    : QGraphicsItem(parent)
    , d(data)
{
    d->reportDef = reportDef;
    initEditorFlags();
}

TessarinItem::~TessarinItem()
{
    delete d;
}

void TessarinItem::initEditorFlags()
{
    setAcceptHoverEvents(true);
    setFlags(ItemIsMovable | ItemIsSelectable | ItemSendsGeometryChanges);
}

QString TessarinItem::sourceTypeName(SourceType type)
{
    const int t = int(type);
    return t >= Static && t <= Template ? QString::fromLatin1(sourceTypeNames[t]) : QString();
}

QRectF TessarinItem::boundingRect() const
{
    return shape().boundingRect();
}

QPainterPath TessarinItem::shape() const
{
    QPainterPath path;
    path.addRect(QRectF(QPointF(0, 0), d->currentSize));
    return path;
}

QString TessarinItem::text() const
{
    return d->text;
}

void TessarinItem::setText(const QString &text, const QString &)
{
    d->text = text;
}

QSizeF TessarinItem::sectionMetricSize() const
{
    return d->sectionMetricSize;
}

QSizeF TessarinItem::zoneMetricSize() const
{
    return d->zoneMetricSize;
}

void TessarinItem::setReportDef(TessarinDef *reportDef)
{
    d->reportDef = reportDef;
}

QRectF TessarinItem::itemRect(TessarinOutput *output, const QPointF &origin)
{
    QPointF pos = d->metricPos;
    if (d->hasDynamicPosition) {
        if (d->dynamicOffsetMode) {
            pos += d->dynamicPosition;
        } else {
            // Only the coordinates that have an expression move; the other
            // one keeps its designed value.
            if (!d->dynPosXSource.isEmpty())
                pos.setX(d->dynamicPosition.x());
            if (!d->dynPosYSource.isEmpty())
                pos.setY(d->dynamicPosition.y());
        }
    }

    const TessarinScale scale = output ? output->scale() : TessarinScale();
    QRectF rect(scale.mmToPoint(origin + pos), scale.mmToSize(realMetricSize()));
    if (!(rect.width() > 0))
        rect.setWidth(scale.mmToRealPixel(d->metricSize.width()));
    if (!(rect.height() > 0))
        rect.setHeight(scale.mmToRealPixel(d->metricSize.height()));

    if (d->reportDef) {
        const TessarinPageOption &option = d->reportDef->option();
        if (d->pinToLeft)
            rect.setLeft(scale.mmToRealPixel(origin.x()));
        if (d->pinToRight)
            rect.setRight(scale.mmToRealPixel(option.pageWidthMM() - option.rightMarginMM()));
    }
    return rect;
}

void TessarinItem::setSnapPos(const QPointF &position)
{
    setPos(d->section ? d->section->snapToPoint(position) : position);
}

void TessarinItem::resize(const QSizeF &size)
{
    if (qFuzzyCompare(size.width(), d->currentSize.width()) && qFuzzyCompare(size.height(), d->currentSize.height()))
        return;
    prepareGeometryChange();
    const QSizeF hint = sizeHint();
    d->currentSize = QSizeF(qMax(size.width(), hint.width()), qMax(size.height(), hint.height()));
    d->metricSize = TessarinScale().sizeToMM(size);
}

void TessarinItem::resizeInMM(const QSizeF &size)
{
    prepareGeometryChange();
    d->currentSize = TessarinScale().mmToSize(size);
}

QSizeF TessarinItem::currentSize() const
{
    return d->currentSize;
}

QSizeF TessarinItem::sizeHint() const
{
    return QSizeF(12, 12);
}

void TessarinItem::adjustSize(TessarinOutput *)
{
}

void TessarinItem::adjustSize()
{
}

QSizeF TessarinItem::realMetricSize() const
{
    QSizeF size = (d->autoHeight || d->pinToLeft || d->pinToRight) ? d->realMetricSize : d->metricSize;
    if (d->hasDynamicSize) {
        if (d->dynamicOffsetMode) {
            size += d->dynamicSize;
        } else {
            if (d->dynamicSize.width() > 0)
                size.setWidth(d->dynamicSize.width());
            if (d->dynamicSize.height() > 0)
                size.setHeight(d->dynamicSize.height());
        }
    }
    return size;
}

void TessarinItem::offsetPastePos()
{
    const QPointF step = d->section ? QPointF(d->section->deltaX(), d->section->deltaY()) : QPointF(6, 6);
    setPos(pos() + step);
}

void TessarinItem::paint(TessarinOutput *output, const QPointF &origin)
{
    if (output)
        output->renderItem(this, itemRect(output, origin));
}

bool TessarinItem::read(TessarinXMLReader *r)
{
    if (r->isAttrib(QStringLiteral("id")))
        setID(r->attrib(QStringLiteral("id")));
    d->typeId = r->attribToInt(QStringLiteral("typeId"));
    setZValue(r->attribToInt(QStringLiteral("zValue")));
    if (hasSizeAndPosition()) {
        d->metricPos = r->readPos();
        d->metricSize = r->readSize();
    }
    d->description = r->attrib(QStringLiteral("description"));
    d->printWhen = r->attrib(QStringLiteral("printWhen"));
    d->zoneID = r->attribToInt(QStringLiteral("zoneID"));
    d->htmlOptions = r->attrib(QStringLiteral("htmlOptions"));
    d->dynPosXSource = r->attrib(QStringLiteral("dynPosX"));
    d->dynPosYSource = r->attrib(QStringLiteral("dynPosY"));
    d->dynWidthSource = r->attrib(QStringLiteral("dynWidth"));
    d->dynHeightSource = r->attrib(QStringLiteral("dynHeight"));
    d->dynamicOffsetMode = r->attribToBool(QStringLiteral("dynOffset"));

    if (r->isAttrib(QStringLiteral("resource"))) {
        const QString resource = r->attrib(QStringLiteral("resource"));
        bool found = false;
        for (int t = Static; t <= Template && !found; ++t) {
            if (resource == QLatin1String(sourceTypeNames[t])) {
                d->sourceType = t;
                if (t == Template)
                    d->templateMode = true;
                found = true;
            }
        }
        for (const ResourceForm &form : extraResourceForms) {
            if (!found && resource == QLatin1String(form.name)) {
                d->sourceType = form.type;
                if (form.templateMode)
                    d->templateMode = true;
                found = true;
            }
        }
    }
    if (r->attribToBool(QStringLiteral("template")))
        d->templateMode = true;
    d->autoHeight = r->attribToBool(QStringLiteral("autoHeight"));
    d->ableToBreak = r->attribToBool(QStringLiteral("canBreak"));
    d->pinToLeft = r->attribToBool(QStringLiteral("pinToLeft"));
    d->pinToRight = r->attribToBool(QStringLiteral("pinToRight"));
    d->functionId = r->attrib(QStringLiteral("funcID"));

    d->hasDynamicPosition = !d->dynPosXSource.isEmpty() || !d->dynPosYSource.isEmpty();
    d->hasDynamicSize = !d->dynWidthSource.isEmpty() || !d->dynHeightSource.isEmpty();
    return true;
}

bool TessarinItem::write(TessarinXMLWriter *w)
{
    QXmlStreamWriter &xml = w->xml();
    const QString itemId = id();
    xml.writeAttribute(QStringLiteral("id"),
                       itemId.isEmpty() || itemId == QLatin1String("0") ? QStringLiteral("%") : itemId);
    if (d->typeId > 0)
        w->writeInt(QStringLiteral("typeId"), d->typeId);
    w->writeReal(QStringLiteral("zValue"), zValue());
    if (hasSizeAndPosition()) {
        w->writePos(d->metricPos);
        w->writeSize(d->metricSize);
    }
    const auto writeText = [&xml](const char *name, const QString &value) {
        if (!value.isEmpty())
            xml.writeAttribute(QLatin1String(name), value);
    };
    const auto writeFlag = [&xml](const char *name, bool on) {
        if (on)
            xml.writeAttribute(QLatin1String(name), QStringLiteral("true"));
    };
    writeText("description", d->description);
    writeText("printWhen", d->printWhen);
    if (d->zoneID != 0)
        w->writeInt(QStringLiteral("zoneID"), d->zoneID);
    writeText("htmlOptions", d->htmlOptions);
    writeText("dynPosX", d->dynPosXSource);
    writeText("dynPosY", d->dynPosYSource);
    writeText("dynWidth", d->dynWidthSource);
    writeText("dynHeight", d->dynHeightSource);
    writeFlag("dynOffset", d->dynamicOffsetMode);
    if (d->sourceType != Static)
        writeText("resource", sourceTypeName(sourceType()));
    writeFlag("template", d->templateMode);
    writeFlag("autoHeight", d->autoHeight);
    writeFlag("canBreak", d->ableToBreak);
    writeFlag("pinToLeft", d->pinToLeft);
    writeFlag("pinToRight", d->pinToRight);
    writeText("funcID", d->functionId);
    return true;
}

void TessarinItem::setDefaultForEditor()
{
}

void TessarinItem::updateForEditor()
{
    updateSize();
    updatePosition();
}

void TessarinItem::updateForSave()
{
    const TessarinScale screen;
    d->metricSize = screen.sizeToMM(d->currentSize);
    d->metricPos = screen.pointToMM(scenePos());
}

void TessarinItem::updateSize()
{
    resizeInMM(d->metricSize);
}

void TessarinItem::updatePosition()
{
    setPos(TessarinScale().mmToPoint(d->metricPos));
}

bool TessarinItem::evaluateDynamicValue(TessarinEvaluator *evaluator, const QString &source, double &target)
{
    QString result;
    if (!evaluator || !evaluateProperty(evaluator, source, result))
        return false;
    target = result.trimmed().toDouble(); // text that is not a number gives 0
    return true;
}

void TessarinItem::updateValue(TessarinOutput *output, TessarinEvaluator *evaluator)
{
    if (d->hasDynamicPosition) {
        double v = 0;
        if (evaluateDynamicValue(evaluator, d->dynPosXSource, v))
            d->dynamicPosition.setX(v);
        if (evaluateDynamicValue(evaluator, d->dynPosYSource, v))
            d->dynamicPosition.setY(v);
    }
    if (d->hasDynamicSize) {
        double v = 0;
        if (evaluateDynamicValue(evaluator, d->dynWidthSource, v))
            d->dynamicSize.setWidth(v);
        if (evaluateDynamicValue(evaluator, d->dynHeightSource, v))
            d->dynamicSize.setHeight(v);
    }
    if (d->reportDef && !d->functionId.isEmpty()) {
        if (TessarinUserFunction *fn = d->reportDef->userFunction(d->functionId))
            fn->updateItem(this, output, evaluator);
    }
}

void TessarinItem::updateContent()
{
}

void TessarinItem::dummyPaint(TessarinOutput *, const QPointF &)
{
}

void TessarinItem::saveSelectState()
{
    m_selectScenePos = scenePos();
}

bool TessarinItem::isDynamic() const
{
    switch (sourceType()) {
    case DataSource:
    case FileFromDataSource:
    case Parameter:
    case UrlFromDataSource:
        return true;
    default:
        return d->templateMode;
    }
}

bool TessarinItem::isEmpty()
{
    return false;
}

void TessarinItem::enableOffsetPosition()
{
    d->metricPos -= d->metricOffset;
}

void TessarinItem::disableOffsetPosition()
{
    d->metricPos += d->metricOffset;
}

bool TessarinItem::isAbleToBreak() const
{
    return d->ableToBreak;
}

void TessarinItem::setAbleToBreak(bool on)
{
    d->ableToBreak = on;
}

double TessarinItem::breakTo(double, TessarinOutput *)
{
    return 0;
}

bool TessarinItem::isBroken() const
{
    return false;
}

bool TessarinItem::hasSizeAndPosition() const
{
    return true;
}

bool TessarinItem::pinToRight() const
{
    return d->pinToRight;
}

void TessarinItem::setPinToRight(bool on)
{
    d->pinToRight = on;
}

bool TessarinItem::pinToLeft() const
{
    return d->pinToLeft;
}

void TessarinItem::setPinToLeft(bool on)
{
    d->pinToLeft = on;
}

QList<TessarinItem::SourceType> TessarinItem::availableSourceTypes() const
{
    return {Static};
}

void TessarinItem::printWhenTrueAction(TessarinEvaluator *)
{
}

bool TessarinItem::evaluateProperty(TessarinEvaluator *evaluator, const QString &source, QString &result)
{
    if (source.isEmpty())
        return false;
    result = source;
    return evaluator->evaluate(result);
}

bool TessarinItem::isValidLocation(int) const
{
    return true;
}

void TessarinItem::preparePaintSelection(QPainter *painter)
{
    painter->setPen(QPen(Qt::blue, 0, Qt::DashLine));
    painter->setBrush(Qt::NoBrush);
}

void TessarinItem::paintSelection(QPainter *painter)
{
    if (!isSelected())
        return;
    painter->save();
    preparePaintSelection(painter);
    painter->drawRect(QRectF(QPointF(0, 0), d->currentSize));
    painter->setBrush(Qt::blue);
    for (int dir = TopLeft; dir <= Left; ++dir)
        painter->drawRect(selectionRect(SelectionDirection(dir), d->currentSize));
    painter->restore();
}

QRectF TessarinItem::selectionRect(SelectionDirection direction, const QSizeF &size) const
{
    const double w = size.width();
    const double h = size.height();
    const double s = handleSize;
    QPointF c;
    switch (direction) {
    case TopLeft: c = QPointF(0, 0); break;
    case Top: c = QPointF(w / 2, 0); break;
    case TopRight: c = QPointF(w, 0); break;
    case Right: c = QPointF(w, h / 2); break;
    case BottomRight: c = QPointF(w, h); break;
    case Bottom: c = QPointF(w / 2, h); break;
    case BottomLeft: c = QPointF(0, h); break;
    case Left: c = QPointF(0, h / 2); break;
    default: return QRectF();
    }
    return QRectF(c.x() - s / 2, c.y() - s / 2, s, s);
}

void TessarinItem::updateCursor(SelectionDirection direction)
{
    switch (direction) {
    case TopLeft:
    case BottomRight: setCursor(Qt::SizeFDiagCursor); break;
    case Top:
    case Bottom: setCursor(Qt::SizeVerCursor); break;
    case TopRight:
    case BottomLeft: setCursor(Qt::SizeBDiagCursor); break;
    case Right:
    case Left: setCursor(Qt::SizeHorCursor); break;
    case LineStart:
    case LineEnd: setCursor(Qt::CrossCursor); break;
    default: setCursor(Qt::ArrowCursor); break;
    }
}

void TessarinItem::itemPositionChange(const QPointF &)
{
}

QString TessarinItem::dynamicSourceText() const
{
    return QString();
}

void TessarinItem::applyDynamicText(const QString &text)
{
    setValue(text);
}

bool TessarinItem::reloadDynamicContent(TessarinEvaluator *)
{
    return true;
}

void TessarinItem::setDynPosXSource(const QString &source)
{
    d->dynPosXSource = source;
    d->hasDynamicPosition = !d->dynPosXSource.isEmpty() || !d->dynPosYSource.isEmpty();
}

void TessarinItem::setDynPosYSource(const QString &source)
{
    d->dynPosYSource = source;
    d->hasDynamicPosition = !d->dynPosXSource.isEmpty() || !d->dynPosYSource.isEmpty();
}

void TessarinItem::setDynWidthSource(const QString &source)
{
    d->dynWidthSource = source;
    d->hasDynamicSize = !d->dynWidthSource.isEmpty() || !d->dynHeightSource.isEmpty();
}

void TessarinItem::setDynHeightSource(const QString &source)
{
    d->dynHeightSource = source;
    d->hasDynamicSize = !d->dynWidthSource.isEmpty() || !d->dynHeightSource.isEmpty();
}

QVariant TessarinItem::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (change == ItemPositionChange) {
        if (d->locked)
            return pos();
        const QPointF snapped = d->section ? d->section->snapToPoint(value.toPointF()) : value.toPointF();
        itemPositionChange(snapped);
        if (d->section)
            d->section->emitItemChanged(this);
        return snapped;
    }
    if (change == ItemSelectedChange && value.toBool())
        saveSelectState();
    return QGraphicsItem::itemChange(change, value);
}

TessarinItem::SelectionDirection TessarinItem::directionAt(const QPointF &pos) const
{
    for (int dir = TopLeft; dir <= Left; ++dir) {
        if (selectionRect(SelectionDirection(dir), d->currentSize).contains(pos))
            return SelectionDirection(dir);
    }
    return NoDirection;
}

void TessarinItem::hoverMoveEvent(QGraphicsSceneHoverEvent *event)
{
    m_hoverState = isSelected() && !d->locked ? directionAt(event->pos()) : NoDirection;
    updateCursor(m_hoverState);
    QGraphicsItem::hoverMoveEvent(event);
}

void TessarinItem::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_hoverState == NoDirection || d->locked) {
        QGraphicsItem::mouseMoveEvent(event);
        return;
    }
    // Drag one handle: the opposite edges stay where they are.
    QRectF r(pos(), d->currentSize);
    const QPointF p = mapToParent(event->pos());
    switch (m_hoverState) {
    case TopLeft: r.setTopLeft(p); break;
    case Top: r.setTop(p.y()); break;
    case TopRight: r.setTopRight(p); break;
    case Right: r.setRight(p.x()); break;
    case BottomRight: r.setBottomRight(p); break;
    case Bottom: r.setBottom(p.y()); break;
    case BottomLeft: r.setBottomLeft(p); break;
    case Left: r.setLeft(p.x()); break;
    default: break;
    }
    r = r.normalized();
    setPos(r.topLeft());
    resize(r.size());
}

void TessarinItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsItem::mouseReleaseEvent(event);
    if (d->section && scenePos() != m_selectScenePos)
        d->section->emitContentChanged();
    saveSelectState();
}

void TessarinItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsItem::mouseDoubleClickEvent(event);
}

bool TessarinItem::drawsOn(const TessarinOutput *output)
{
    switch (output->outputType()) {
    case TessarinOutput::PreviewOutput:
    case TessarinOutput::QtPreviewOutput:
    case TessarinOutput::PrinterOutput:
    case TessarinOutput::PdfOutput:
    case TessarinOutput::SvgOutput:
    case TessarinOutput::ImageOutput:
        return true;
    default:
        return false;
    }
}
