#ifndef TESSARINGRAPHRENDERER_H
#define TESSARINGRAPHRENDERER_H

#include "tessaringlobal.h"

#include <QString>

// Base of the application's renderers for graph items. The definition keeps
// them by id; the painting and measuring operations are added with the graph
// item.
class TESSARIN2_EXPORT TessarinGraphRenderer
{
public:
    TessarinGraphRenderer() = default;
    virtual ~TessarinGraphRenderer();

    QString id() const { return m_id; }
    void setId(int id) { m_id = QString::number(id); }
    int intId() const { return m_id.toInt(); }

private:
    QString m_id;
};

#endif // TESSARINGRAPHRENDERER_H
