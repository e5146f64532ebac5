#include "ui/testscreen/chartfeed.h"

#include "ui/common/throughputsmoothing.h"

#include <QUuid>

namespace trevlamark {

ChartFeed::ChartFeed(QObject *parent)
    : QObject(parent)
{
}

void ChartFeed::setStreamResults(const QList<StreamResult> &value)
{
    m_streamResults = value;
    rebuildChartData();
}

void ChartFeed::setTimelineMarkers(const QList<TimelineMarker> &value)
{
    if (m_timelineMarkers == value)
        return;
    m_timelineMarkers = value;
    emit timelineMarkersChanged();
}

void ChartFeed::rebuildChartData()
{
    const auto madeFrom = [](const TestData &point, const StreamResult &result) {
        return point.timestamp == result.timestamp && point.operation == result.operation
               && point.throughput == result.throughput && point.seconds == result.seconds
               && point.phaseId == result.phaseId;
    };
    const qsizetype made = m_chartData.size();
    const bool grows = made <= m_streamResults.size()
                       && (made == 0 || madeFrom(m_chartData.last(), m_streamResults.at(made - 1)));
    if (grows && made == m_streamResults.size())
        return;
    if (!grows) {
        m_chartData.clear();
        m_gaugeChartData.clear();
        m_newestPhaseByOperation.clear();
    }
    // No reserve: growing one point at a time, appends keep their spare room.
    for (qsizetype i = m_chartData.size(); i < m_streamResults.size(); ++i) {
        const StreamResult &result = m_streamResults.at(i);
        m_chartData.append(TestData{QUuid::createUuid(), result.timestamp, result.operation, result.throughput,
                                    result.seconds, result.phaseId});
        const auto newest = m_newestPhaseByOperation.constFind(result.operation);
        if (newest == m_newestPhaseByOperation.cend() || result.phaseId > *newest) {
            m_gaugeChartData.removeIf([&](const TestData &point) { return point.operation == result.operation; });
            m_newestPhaseByOperation.insert(result.operation, result.phaseId);
        } else if (result.phaseId < *newest) {
            continue;
        }
        m_gaugeChartData.append(m_chartData.last());
    }
    m_chartSeries.setPoints(m_chartData, ThroughputSmoothing::processSmoothingWindow());
    emit chartDataChanged();
}

double ChartFeed::chartMaximum() const
{
    m_chartSeries.followWindow(ThroughputSmoothing::processSmoothingWindow());
    return m_chartSeries.maximum();
}

} // namespace trevlamark
