#include "ui/charts/columnreducer.h"

#include <cmath>
#include <utility>

namespace trevlamark {

ColumnReducer::ColumnReducer(Keep keep, qsizetype expectedColumns)
    : m_keep(keep)
{
    m_points.reserve(2 * expectedColumns + 2);
}

void ColumnReducer::add(const QPointF &point)
{
    const auto column = static_cast<qint64>(std::floor(point.x()));
    if (m_open && column != m_column)
        flush();
    if (!m_open) {
        m_open = true;
        m_column = column;
        m_low = m_high = point;
        m_lowOrder = m_highOrder = m_count = 0;
        return;
    }
    ++m_count;
    // Screen y grows downwards: the "high" point has the smallest y.
    if (point.y() > m_low.y()) {
        m_low = point;
        m_lowOrder = m_count;
    } else if (point.y() < m_high.y()) {
        m_high = point;
        m_highOrder = m_count;
    }
}

QList<QPointF> ColumnReducer::takePoints()
{
    if (m_open)
        flush();
    return std::exchange(m_points, {});
}

void ColumnReducer::flush()
{
    m_open = false;
    if (m_keep != Keep::TopAndBottom) {
        m_points.append(m_keep == Keep::Top ? m_high : m_low);
        return;
    }
    if (m_lowOrder == m_highOrder) {
        m_points.append(m_low);
        return;
    }
    const bool lowFirst = m_lowOrder < m_highOrder;
    m_points.append(lowFirst ? m_low : m_high);
    m_points.append(lowFirst ? m_high : m_low);
}

} // namespace trevlamark
