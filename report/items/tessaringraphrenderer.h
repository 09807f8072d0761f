#ifndef TESSARINGRAPHRENDERER_H
#define TESSARINGRAPHRENDERER_H

#include "tessaringlobal.h"

#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;
class TessarinDataSource;
class TessarinItem;
class TessarinOutput;

// Base of the application's renderers for graph items. The definition keeps
// them by id; a graph item finds its renderer there, hands it the item and
// the data source it asks for, and lets it paint and measure.
class TESSARIN2_EXPORT TessarinGraphRenderer
{
public:
    TessarinGraphRenderer() = default;
    virtual ~TessarinGraphRenderer();

    // Draws the item into rect (output pixels). The base draws nothing.
    virtual void paintItem(QPainter *painter, TessarinOutput *output, const QRectF &rect,
                           const QString &definition);
    // Designer placeholder; the base lets the served item draw its own.
    virtual void paintEditorItem(QPainter *painter, const QRectF &rect, const QString &definition);
    // Height for an automatic-height item; 0 when the renderer cannot tell.
    virtual double calculateHeightMM(TessarinOutput *output);
    // Size for an automatic-height item; invalid when the renderer cannot tell.
    virtual QSizeF calculateSizeMM(TessarinOutput *output, const QSizeF &size, const QString &definition);
    virtual QSizeF calculateSizeMM(TessarinOutput *output, const QSizeF &size);
    // Id of the definition's data source the renderer draws from.
    virtual QString dataSourceID() const;
    virtual bool isValidLocation(int location) const;

    QString id() const { return m_id; }
    void setId(int id) { m_id = QString::number(id); }
    void setId(const QString &id) { m_id = id; }
    int intId() const { return m_id.toInt(); }

    TessarinDataSource *dataSource() const { return m_dataSource; }
    void setDataSource(TessarinDataSource *dataSource) { m_dataSource = dataSource; }
    TessarinItem *item() const { return m_item; }
    void setItem(TessarinItem *item) { m_item = item; }

private:
    TessarinDataSource *m_dataSource = nullptr; // not owned
    TessarinItem *m_item = nullptr;             // not owned
    QString m_id;
};

#endif // TESSARINGRAPHRENDERER_H
