#include "ui/graphstate.h"

#include "ui/networkmonitoringstate.h"
#include "ui/statesetter.h"

#include <QPointer>
#include <QTimer>
#include <QUuid>
#include <cmath>

namespace trevlamark {

GraphState::GraphState(QObject *parent)
    : QObject(parent)
{
}

TREVLAMARK_NOTIFYING_SETTER(GraphState, const QList<TestData> &, setChartData, m_chartData, chartDataChanged)
TREVLAMARK_NOTIFYING_SETTER(GraphState, const QList<StreamResult> &, setStreamResults, m_streamResults,
                            streamResultsChanged)
TREVLAMARK_NOTIFYING_SETTER(GraphState, const QList<TimelineMarker> &, setTimelineMarkers, m_timelineMarkers,
                            timelineMarkersChanged)
TREVLAMARK_NOTIFYING_SETTER(GraphState, bool, setIsGraphExpanded, m_isGraphExpanded, isGraphExpandedChanged)
TREVLAMARK_NOTIFYING_SETTER(GraphState, double, setGraphHistoryDuration, m_graphHistoryDuration,
                            graphHistoryDurationChanged)
TREVLAMARK_NOTIFYING_SETTER(GraphState, double, setSamplingRate, m_samplingRate, samplingRateChanged)
TREVLAMARK_NOTIFYING_SETTER(GraphState, double, setGraphRefreshRate, m_graphRefreshRate, graphRefreshRateChanged)

void GraphState::rebuildChartData()
{
    QList<TestData> points;
    points.reserve(m_streamResults.size());
    for (const StreamResult &result : std::as_const(m_streamResults)) {
        points.append(TestData{QUuid::createUuid(), result.timestamp, result.operation, result.throughput,
                               result.seconds, result.phaseId});
    }
    setChartData(points);
}

void GraphState::startGraphUpdateTimer(TrafficSampleSource source, NetworkMonitoringState *target,
                                       bool isRunningTest)
{
    stopGraphUpdateTimer();
    m_graphUpdateTimer = new QTimer(this);
    // A zero or negative rate from the developer settings would spin the event loop.
    m_graphUpdateTimer->setInterval(std::max(1, int(std::lround(m_graphRefreshRate * 1000))));
    const QPointer<NetworkMonitoringState> boundTarget(target);
    connect(m_graphUpdateTimer, &QTimer::timeout, this, [this, source = std::move(source), boundTarget, isRunningTest] {
        if (source && boundTarget) {
            if (const auto samples = source())
                boundTarget->setNetworkChartData(*samples);
        }
        if (isRunningTest)
            rebuildChartData();
    });
    m_graphUpdateTimer->start();
}

void GraphState::stopGraphUpdateTimer()
{
    delete m_graphUpdateTimer;
    m_graphUpdateTimer = nullptr;
}

} // namespace trevlamark
