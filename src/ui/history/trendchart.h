#pragma once
// Write and read speed of one location's kept runs over time: a line per
// direction, a dot per run, dates under it and a scale beside it.

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

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Point> m_points;
};

} // namespace trevlamark
