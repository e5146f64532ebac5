#pragma once
// The two traffic curves: upload above the midline, download below it.

#include "monitor/networktrafficsample.h"

#include <QDateTime>
#include <QList>
#include <QWidget>

namespace trevlamark {

class NetworkChartLineContainer : public QWidget
{
    Q_OBJECT

public:
    explicit NetworkChartLineContainer(QWidget *parent = nullptr);

    void setSamples(const QList<NetworkTrafficSample> &samples);
    void setMaxY(double maxY);
    void setTimeWindow(double timeWindowSeconds);
    void setReferenceTime(const QDateTime &referenceTime);
    // The graph area draws its own midline under the chart; the stand-alone graph needs this one.
    void setMidlineVisible(bool visible);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<NetworkTrafficSample> m_samples;
    double m_maxY = 125;
    double m_timeWindowSeconds = 60;
    QDateTime m_referenceTime;
    bool m_midlineVisible = true;
};

} // namespace trevlamark
