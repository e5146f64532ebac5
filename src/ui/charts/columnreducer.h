#pragma once
// Thins a left-to-right run of chart points to at most the lowest and the
// highest point of each pixel column, in their order, so that a path is never
// longer than its chart is wide however many samples lie under it. A filled
// area needs only the point farthest from its base in each column: the fill
// covers the rest of the column.

#include <QList>
#include <QPointF>

namespace trevlamark {

class ColumnReducer
{
public:
    // What to keep of each column; screen y grows downwards, so "Top" is the smallest y.
    enum class Keep { TopAndBottom, Top, Bottom };

    explicit ColumnReducer(Keep keep = Keep::TopAndBottom, qsizetype expectedColumns = 0);

    // Points must come with x never decreasing.
    void add(const QPointF &point);
    // The kept points; the reducer is empty afterwards.
    QList<QPointF> takePoints();

private:
    void flush();

    Keep m_keep;
    QList<QPointF> m_points;
    bool m_open = false;
    qint64 m_column = 0;
    QPointF m_low;
    QPointF m_high;
    // When each extreme came, to keep them in time order.
    int m_lowOrder = 0;
    int m_highOrder = 0;
    int m_count = 0;
};

} // namespace trevlamark
