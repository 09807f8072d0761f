#include "tessaringroup.h"

#include "tessarindatasource.h"
#include "tessarinsection.h"

int TessarinGroup::detailRow() const
{
    const TessarinDataSource *ds = m_detail ? m_detail->dataSource() : nullptr;
    return ds ? ds->currentRow() : -1;
}

void TessarinGroup::setValue(const QString &text)
{
    const bool changed = text != m_currentValue;
    m_groupChanged = changed;
    if (changed) {
        m_lastMeta = m_currentMeta;
        // A new group starts and, until more rows come, also ends on this
        // row; otherwise a one-row group would report the previous group's end.
        m_currentMeta.startValue = text;
        m_currentMeta.startRow = detailRow();
        m_currentMeta.endValue = text;
        m_currentMeta.endRow = m_currentMeta.startRow;
        m_counter = 1;
    } else {
        m_currentMeta.endValue = text;
        m_currentMeta.endRow = detailRow();
        ++m_counter;
    }
    m_currentValue = text;
}

void TessarinGroup::reset()
{
    m_currentValue = QStringLiteral("**CC**");
    m_groupChanged = true;
    m_currentMeta.startValue.clear();
    m_currentMeta.endValue.clear();
    m_counter = 0;
}
