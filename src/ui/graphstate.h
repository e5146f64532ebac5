#pragma once
// Data behind the throughput chart and the timer that feeds the graphs.

#include "engine/streamresult.h"
#include "engine/testdata.h"
#include "engine/timelinemarker.h"
#include "monitor/networktrafficsample.h"

#include <QList>
#include <QObject>
#include <functional>
#include <optional>

class QTimer;

namespace trevlamark {

class NetworkMonitoringState;

class GraphState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<trevlamark::TestData> chartData READ chartData WRITE setChartData NOTIFY chartDataChanged)
    Q_PROPERTY(QList<trevlamark::StreamResult> streamResults READ streamResults WRITE setStreamResults NOTIFY streamResultsChanged)
    Q_PROPERTY(QList<trevlamark::TimelineMarker> timelineMarkers READ timelineMarkers WRITE setTimelineMarkers NOTIFY timelineMarkersChanged)
    Q_PROPERTY(bool isGraphExpanded READ isGraphExpanded WRITE setIsGraphExpanded NOTIFY isGraphExpandedChanged)
    Q_PROPERTY(double graphHistoryDuration READ graphHistoryDuration WRITE setGraphHistoryDuration NOTIFY graphHistoryDurationChanged)
    Q_PROPERTY(double samplingRate READ samplingRate WRITE setSamplingRate NOTIFY samplingRateChanged)
    Q_PROPERTY(double graphRefreshRate READ graphRefreshRate WRITE setGraphRefreshRate NOTIFY graphRefreshRateChanged)

public:
    // The sampler's samples while it is monitoring, nothing otherwise.
    using TrafficSampleSource = std::function<std::optional<QList<NetworkTrafficSample>>()>;

    explicit GraphState(QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(GraphState)

    QList<TestData> chartData() const { return m_chartData; }
    QList<StreamResult> streamResults() const { return m_streamResults; }
    QList<TimelineMarker> timelineMarkers() const { return m_timelineMarkers; }
    bool isGraphExpanded() const { return m_isGraphExpanded; }
    double graphHistoryDuration() const { return m_graphHistoryDuration; }
    double samplingRate() const { return m_samplingRate; }
    double graphRefreshRate() const { return m_graphRefreshRate; }

    void setChartData(const QList<TestData> &value);
    void setStreamResults(const QList<StreamResult> &value);
    void setTimelineMarkers(const QList<TimelineMarker> &value);
    void setIsGraphExpanded(bool value);
    void setGraphHistoryDuration(double value);
    void setSamplingRate(double value);
    void setGraphRefreshRate(double value);

    // One chart point per stream result, in order, replacing chartData at once.
    void rebuildChartData();

    // Replaces the running timer. The new one ticks every graphRefreshRate
    // seconds (as it is now), copies the sampler's samples into the target and,
    // only when isRunningTest was true at this call, rebuilds the chart data.
    void startGraphUpdateTimer(TrafficSampleSource source, NetworkMonitoringState *target, bool isRunningTest);
    void stopGraphUpdateTimer();
    bool hasGraphUpdateTimer() const { return m_graphUpdateTimer != nullptr; }

signals:
    void chartDataChanged();
    void streamResultsChanged();
    void timelineMarkersChanged();
    void isGraphExpandedChanged();
    void graphHistoryDurationChanged();
    void samplingRateChanged();
    void graphRefreshRateChanged();

private:
    QList<TestData> m_chartData;
    QList<StreamResult> m_streamResults;
    QList<TimelineMarker> m_timelineMarkers;
    bool m_isGraphExpanded = false;
    double m_graphHistoryDuration = 60;
    double m_samplingRate = 0.1;
    double m_graphRefreshRate = 0.1;
    QTimer *m_graphUpdateTimer = nullptr;
};

} // namespace trevlamark
