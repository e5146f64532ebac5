#pragma once
// The throughput chart pair: write areas above the shared midline, read areas
// below it, each phase its own closed area.

#include "engine/testdata.h"

#include <QDateTime>
#include <QList>
#include <QWidget>

namespace trevlamark {

class TestChartView : public QWidget
{
    Q_OBJECT

public:
    explicit TestChartView(QWidget *parent = nullptr);

    void setChartData(const QList<TestData> &chartData);
    void setMaxY(double maxY);
    void setTimeWindow(double timeWindowSeconds);
    void setReferenceTime(const QDateTime &referenceTime);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<TestData> m_chartData;
    double m_maxY = 125;
    double m_timeWindowSeconds = 60;
    QDateTime m_referenceTime;
};

} // namespace trevlamark
