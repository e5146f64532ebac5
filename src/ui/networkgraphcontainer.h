#pragma once
// The stand-alone traffic graph of the main screen: upload and download curves
// on a rounded panel with time labels below.

#include "monitor/networktrafficsample.h"

#include <QDateTime>
#include <QList>
#include <QWidget>
#include <optional>

namespace trevlamark {

class GraphXAxisLabelsView;
class NetworkChartLineContainer;

class NetworkGraphContainer : public QWidget
{
    Q_OBJECT

public:
    explicit NetworkGraphContainer(QWidget *parent = nullptr);

    void setSamples(const QList<NetworkTrafficSample> &samples);
    void setMaxY(double maxY);
    void setTimeWindow(double timeWindowSeconds);
    void setRunningTest(bool isRunningTest);
    void setReferenceTime(const std::optional<QDateTime> &referenceTime);
    void setPanelHeight(int heightPx);

    // Now while running; else the given time; else the newest sample; else now.
    QDateTime effectiveReferenceTime() const;
    GraphXAxisLabelsView *xAxisLabels() const { return m_xAxisLabels; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();

    QList<NetworkTrafficSample> m_samples;
    std::optional<QDateTime> m_referenceTime;
    bool m_isRunningTest = false;
    NetworkChartLineContainer *m_lines;
    GraphXAxisLabelsView *m_xAxisLabels;
};

} // namespace trevlamark
