#ifndef TESSARINGRAPHITEM_H
#define TESSARINGRAPHITEM_H

#include "tessaringraphdata.h"
#include "tessarinitem.h"

#include <QHash>
#include <QVariant>

class TessarinGraphRenderer;

// A placeholder whose drawing the application's renderer does: the item
// finds the renderer registered under its type id or its class id, gives
// it the data source it asks for and the graph definition text, and lets
// it paint and, for automatic height, measure.
class TESSARIN2_EXPORT TessarinGraphItem : public TessarinItem
{
public:
    explicit TessarinGraphItem(TessarinDef *reportDef = nullptr, QGraphicsItem *parent = nullptr);
    ~TessarinGraphItem() override;

    TessarinGraphData *graphData() const { return static_cast<TessarinGraphData *>(d); }

    QString graphDefinition() const { return graphData()->graphDefinition; }
    void setGraphDefinition(const QString &definition) { graphData()->graphDefinition = definition; }
    QString classID() const { return graphData()->classID; }
    void setClassID(const QString &id) { graphData()->classID = id; }

    // The renderer under the type id (as decimal text), else the one under
    // the class id; null when neither is registered.
    TessarinGraphRenderer *renderer() const;
    // The designer placeholder.
    void paintEditor(QPainter *painter, const QRectF &rect);

    // TessarinItem
    using TessarinItem::adjustSize;
    bool isValidLocation(int location) const override;
    bool isDynamic() const override;
    void updateValue(TessarinOutput *output, TessarinEvaluator *evaluator) override;
    void adjustSize(TessarinOutput *output) override;
    void paint(TessarinOutput *output, const QPointF &origin) override;
    bool read(TessarinXMLReader *reader) override;
    bool write(TessarinXMLWriter *writer) override;
    void setDefaultForEditor() override;
    void applyDynamicText(const QString &text) override;

    // QGraphicsItem (designer)
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    // The parameters as read or set, before evaluation: every record is
    // evaluated from these, not from the previous record's result.
    QHash<QString, QVariant> m_parameterSources;
    bool m_sourcesTaken = false;
};

#endif // TESSARINGRAPHITEM_H
