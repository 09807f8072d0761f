#include "tessaringraphitem.h"

#include "tessarindef.h"
#include "tessarinevaluator.h"
#include "tessaringraphrenderer.h"
#include "tessarinoutput.h"
#include "tessarinxmlreader.h"
#include "tessarinxmlregistry.h"
#include "tessarinxmlwriter.h"

#include <QPainter>

namespace {

const bool graphRegistered = TessarinXMLRegistry::registerItem(
    QStringLiteral("graph"), [](TessarinDef *def) -> TessarinItem * { return new TessarinGraphItem(def); });


} // namespace

TessarinGraphItem::TessarinGraphItem(TessarinDef *reportDef, QGraphicsItem *parent)
    : TessarinItem(new TessarinGraphData, reportDef, parent)
{
    Q_UNUSED(graphRegistered)
}

TessarinGraphItem::~TessarinGraphItem() = default;

TessarinGraphRenderer *TessarinGraphItem::renderer() const
{
    if (!d->reportDef)
        return nullptr;
    const QHash<QString, TessarinGraphRenderer *> renderers = d->reportDef->itemRenderers();
    if (TessarinGraphRenderer *byType = renderers.value(QString::number(d->typeId)))
        return byType;
    return renderers.value(classID());
}

bool TessarinGraphItem::isValidLocation(int location) const
{
    const TessarinGraphRenderer *r = renderer();
    return r && r->isValidLocation(location);
}

bool TessarinGraphItem::isDynamic() const
{
    return TessarinItem::isDynamic() || !d->parameters.isEmpty();
}

void TessarinGraphItem::updateValue(TessarinOutput *output, TessarinEvaluator *evaluator)
{
    if (!d->parameters.isEmpty()) {
        if (!m_sourcesTaken) {
            m_parameterSources = d->parameters;
            m_sourcesTaken = true;
        }
        if (evaluator) {
            for (auto it = m_parameterSources.cbegin(); it != m_parameterSources.cend(); ++it) {
                if (it.value().userType() != QMetaType::QString)
                    continue;
                QString text = it.value().toString();
                if (!text.contains(QLatin1Char('$')))
                    continue;
                evaluator->evaluate(text);
                d->parameters.insert(it.key(), text);
            }
        }
    } else if (evaluator && sourceType() != Static && sourceType() != File) {
        evaluator->evaluateDynamicGraph(this);
    }
    TessarinItem::updateValue(output, evaluator);
}

void TessarinGraphItem::applyDynamicText(const QString &text)
{
    graphData()->graphDefinition = text;
}

void TessarinGraphItem::adjustSize(TessarinOutput *output)
{
    if (!d->autoHeight || d->adjusted)
        return;
    if (TessarinGraphRenderer *r = renderer()) {
        QSizeF size = r->calculateSizeMM(output, d->metricSize, graphDefinition());
        if (!size.isValid())
            size = r->calculateSizeMM(output, d->metricSize);
        if (!size.isValid())
            size = QSizeF(d->metricSize.width(), r->calculateHeightMM(output));
        d->realMetricSize = size;
    }
    if (!output || output->outputType() != TessarinOutput::NullOutput)
        d->adjusted = true;
}

void TessarinGraphItem::paint(TessarinOutput *output, const QPointF &origin)
{
    if (!output)
        return;
    const QRectF rect = itemRect(output, origin);
    TessarinGraphRenderer *r = renderer();
    QPainter *painter = output->painter();
    if (r && painter && drawsOn(output)) {
        r->setItem(this);
        r->setDataSource(d->reportDef ? d->reportDef->dataSource(r->dataSourceID()) : nullptr);
        painter->save();
        r->paintItem(painter, output, rect, graphDefinition());
        painter->restore();
    }
    output->renderItem(this, rect);
}

bool TessarinGraphItem::read(TessarinXMLReader *reader)
{
    TessarinItem::read(reader);
    TessarinGraphData *g = graphData();
    if (reader->isAttrib(QStringLiteral("classID")))
        g->classID = reader->attrib(QStringLiteral("classID"));
    m_parameterSources.clear();
    m_sourcesTaken = false;
    if (reader->attribToBool(QStringLiteral("hasParameters"))) {
        d->parameters.clear();
        reader->readParameters(d->parameters);
        return true;
    }
    const QString text = reader->elementText();
    if (sourceType() == Static)
        g->graphDefinition = text;
    else if (sourceType() == DataSource)
        d->text = text;
    return true;
}

bool TessarinGraphItem::write(TessarinXMLWriter *writer)
{
    QXmlStreamWriter &xml = writer->xml();
    xml.writeStartElement(d->tagname);
    TessarinItem::write(writer);
    xml.writeAttribute(QStringLiteral("classID"), classID());
    // The parameters as designed, not as the last record evaluated them.
    const QHash<QString, QVariant> parameters = m_sourcesTaken ? m_parameterSources : d->parameters;
    if (!parameters.isEmpty()) {
        xml.writeAttribute(QStringLiteral("hasParameters"), QStringLiteral("true"));
        writer->writeParameters(parameters);
    } else if (sourceType() == Static) {
        xml.writeCharacters(graphDefinition());
    } else if (sourceType() == DataSource) {
        xml.writeCharacters(d->text);
    }
    xml.writeEndElement();
    return true;
}

void TessarinGraphItem::setDefaultForEditor()
{
    resize(QSizeF(200, 150));
}

void TessarinGraphItem::paintEditor(QPainter *painter, const QRectF &rect)
{
    painter->save();
    painter->setPen(QPen(Qt::darkGray, 0, Qt::DashLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect);
    painter->drawText(rect, Qt::AlignCenter, classID());
    painter->restore();
}

void TessarinGraphItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF rect(QPointF(0, 0), d->currentSize);
    if (TessarinGraphRenderer *r = renderer()) {
        r->setItem(this);
        r->paintEditorItem(painter, rect, graphDefinition());
    } else {
        paintEditor(painter, rect);
    }
}
