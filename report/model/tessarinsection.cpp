#include "tessarinsection.h"

#include "tessaringroup.h"
#include "tessarinitem.h"

#include <cstdlib>
#include <utility>

TessarinSection::TessarinSection(QObject *parent)
    : QGraphicsScene(parent)
{
}

TessarinSection::~TessarinSection()
{
    qDeleteAll(m_groups);
    m_groups.clear();
    // Take the items out of the list before deleting them, so nothing can
    // reach a half-destroyed item through this section.
    const QList<TessarinItem *> items = std::exchange(m_reportItems, {});
    qDeleteAll(items);
}

void TessarinSection::addItemForEditor(TessarinItem *, bool) {}

void TessarinSection::addItemForEngine(TessarinItem *item)
{
    item->setSection(this);
    m_reportItems.append(item);
}

void TessarinSection::emitContentChanged() {}

void TessarinSection::emitItemChanged(TessarinItem *) {}

QString TessarinSection::caption() const
{
    switch (m_type) {
    case PageHeader:
        return tr("Page header");
    case PageFooter:
        return tr("Page footer");
    case GroupHeader:
        if (m_relatedGroup) {
            const TessarinSection *detail = m_relatedGroup->detail();
            return tr("Group header [%1.%2]").arg(detail ? detail->id() : QString(), m_relatedGroup->groupId());
        }
        return tr("Group header");
    case GroupFooter:
        if (m_relatedGroup) {
            const TessarinSection *detail = m_relatedGroup->detail();
            return tr("Group footer [%1.%2]").arg(detail ? detail->id() : QString(), m_relatedGroup->groupId());
        }
        return tr("Group footer");
    case Detail:
        return tr("Detail [%1]").arg(m_id);
    case ReportHeader:
        return tr("Report header");
    case ReportFooter:
        return tr("Report footer");
    case Custom:
        return tr("Custom section");
    }
    return QString();
}

namespace {

// Nearest multiple of step; an exact half goes towards zero. A step of zero
// or less means there is no grid to snap to.
int snap(double value, bool on, int step)
{
    const int v = int(value);
    if (!on || step <= 0)
        return v;
    const int q = v / step;
    const int r = v % step;
    int s = 0;
    if (2 * std::abs(r) > step)
        s = r > 0 ? 1 : -1;
    return step * (q + s);
}

} // namespace

int TessarinSection::snapToX(double x) const
{
    return snap(x, m_snapX, m_deltaX);
}

int TessarinSection::snapToY(double y) const
{
    return snap(y, m_snapY, m_deltaY);
}

QPointF TessarinSection::snapToPoint(const QPointF &point) const
{
    return QPointF(snapToX(point.x()), snapToY(point.y()));
}
