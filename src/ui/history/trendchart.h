#pragma once
// Write and read speed of one location's kept runs over time: a line per
// direction, a dot per run, dated ticks under it, a scale beside it, and each
// run's figures as the tooltip of its dot.

#include <QDateTime>
#include <QList>
#include <QWidget>

namespace trevlamark {

class TrendChart : public QWidget
{
    Q_OBJECT

public:
    struct Point
    {
        QDateTime finishedAt;
        double writeMegabytesPerSecond = 0;
        double readMegabytesPerSecond = 0;
    };

    explicit TrendChart(QWidget *parent = nullptr);

    // Points in any order; they are drawn oldest first.
    void setPoints(const QList<Point> &points);
    const QList<Point> &points() const { return m_points; }
    // The top of the scale: the fastest figure rounded up to 1, 2 or 5 times a power of ten.
    static double scaleMaximum(const QList<Point> &points);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The figures of the run whose dot is nearest to position, if one is close; else empty.
    QString toolTipAt(const QPointF &position) const;
    // Where a run's dots sit: along the time axis, and up the speed scale.
    double xFor(const Point &point) const;
    double yFor(double megabytesPerSecond) const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QRectF plotArea() const;
    void drawDateTicks(QPainter &painter, const QRectF &plot) const;

    QList<Point> m_points;
};

} // namespace trevlamark
