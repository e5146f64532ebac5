#pragma once
// The run's throughput as the graphs and gauges draw it: the engine's stream
// results made into chart points, the newest phase of each operation for the
// gauges, and the timeline markers.

#include "engine/streamresult.h"
#include "engine/testdata.h"
#include "engine/timelinemarker.h"
#include "ui/charts/chartseries.h"

#include <QHash>
#include <QList>
#include <QObject>

namespace trevlamark {

class ChartFeed : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChartFeed)
    Q_PROPERTY(QList<trevlamark::TestData> chartData READ chartData NOTIFY chartDataChanged)
    Q_PROPERTY(QList<trevlamark::TimelineMarker> timelineMarkers READ timelineMarkers WRITE setTimelineMarkers NOTIFY timelineMarkersChanged)

public:
    explicit ChartFeed(QObject *parent = nullptr);

    QList<TestData> chartData() const { return m_chartData; }
    // The points of each operation's newest phase, in order: all that the gauges
    // read. Being short, and apart from chartData, keeps a long test's list from
    // being copied on each new point while the gauges hold it.
    QList<TestData> gaugeChartData() const { return m_gaugeChartData; }
    // The largest smoothed chart throughput (MB/s), 0 without points.
    double chartMaximum() const;
    QList<StreamResult> streamResults() const { return m_streamResults; }
    QList<TimelineMarker> timelineMarkers() const { return m_timelineMarkers; }
    // Keeps the engine's samples and rebuilds the chart points from them.
    void setStreamResults(const QList<StreamResult> &value);
    void setTimelineMarkers(const QList<TimelineMarker> &value);
    // One chart point per stream result, in order. While the results only grow
    // (a running test), the points made before keep their ids and only the new
    // results become points; nothing is emitted when nothing changed.
    void rebuildChartData();

signals:
    void chartDataChanged();
    void timelineMarkersChanged();

private:
    QList<TestData> m_chartData;
    // Smoothed along with the points; it follows the shared smoothing window when read.
    mutable ChartSeries m_chartSeries;
    QList<TestData> m_gaugeChartData;
    QHash<QString, int> m_newestPhaseByOperation;
    QList<StreamResult> m_streamResults;
    QList<TimelineMarker> m_timelineMarkers;
};

} // namespace trevlamark
