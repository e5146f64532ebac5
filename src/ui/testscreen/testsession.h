#pragma once
// Everything one test screen shows and edits: the parameters the gauge panel
// changes, the run state, the progress figures, the chart data, the traffic
// samples and the link facts fixed when the screen opens. Setters notify only
// on a real change; the graph timer's tick is a signal of its own, because the
// graphs' right edge is "now" and must move even when no sample changed.

#include "discovery/networkinterfaceinfo.h"
#include "engine/bytespercycleoptions.h"
#include "engine/performancetestresult.h"
#include "engine/streamresult.h"
#include "engine/testdata.h"
#include "engine/throughputtestoptions.h"
#include "engine/timelinemarker.h"
#include "monitor/networktrafficsample.h"
#include "ui/charts/chartseries.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSize>
#include <functional>
#include <optional>

class QTimer;

namespace trevlamark {

class TestSession : public QObject
{
    Q_OBJECT
    Q_PROPERTY(trevlamark::ThroughputTestOptions chunkSize READ chunkSize WRITE setChunkSize NOTIFY chunkSizeChanged)
    Q_PROPERTY(int queueDepth READ queueDepth WRITE setQueueDepth NOTIFY queueDepthChanged)
    Q_PROPERTY(trevlamark::BytesPerCycleOptions selectedBytesPerCycle READ selectedBytesPerCycle WRITE setSelectedBytesPerCycle NOTIFY selectedBytesPerCycleChanged)
    Q_PROPERTY(quint64 customBytesValue READ customBytesValue WRITE setCustomBytesValue NOTIFY customBytesValueChanged)
    Q_PROPERTY(int totalCycles READ totalCycles WRITE setTotalCycles NOTIFY totalCyclesChanged)
    Q_PROPERTY(bool disableCache READ disableCache WRITE setDisableCache NOTIFY disableCacheChanged)
    Q_PROPERTY(bool writePhaseEnabled READ writePhaseEnabled WRITE setWritePhaseEnabled NOTIFY writePhaseEnabledChanged)
    Q_PROPERTY(bool readPhaseEnabled READ readPhaseEnabled WRITE setReadPhaseEnabled NOTIFY readPhaseEnabledChanged)
    Q_PROPERTY(bool showingCustomBytesPopover READ showingCustomBytesPopover WRITE setShowingCustomBytesPopover NOTIFY showingCustomBytesPopoverChanged)
    Q_PROPERTY(bool isRunningTest READ isRunningTest WRITE setIsRunningTest NOTIFY isRunningTestChanged)
    Q_PROPERTY(bool isStoppingTest READ isStoppingTest WRITE setIsStoppingTest NOTIFY isStoppingTestChanged)
    Q_PROPERTY(bool isPostTestView READ isPostTestView WRITE setIsPostTestView NOTIFY isPostTestViewChanged)
    Q_PROPERTY(double testRunTime READ testRunTime WRITE setTestRunTime NOTIFY testRunTimeChanged)
    // Invalid while no test has finished yet.
    Q_PROPERTY(QDateTime finalReferenceTime READ finalReferenceTime WRITE setFinalReferenceTime NOTIFY finalReferenceTimeChanged)
    Q_PROPERTY(QString progressMessage READ progressMessage WRITE setProgressMessage NOTIFY progressMessageChanged)
    Q_PROPERTY(quint64 totalWriteBytesProcessed READ totalWriteBytesProcessed WRITE setTotalWriteBytesProcessed NOTIFY overallProgressChanged)
    Q_PROPERTY(quint64 totalReadBytesProcessed READ totalReadBytesProcessed WRITE setTotalReadBytesProcessed NOTIFY overallProgressChanged)
    Q_PROPERTY(quint64 progressTargetBytes READ progressTargetBytes WRITE setProgressTargetBytes NOTIFY overallProgressChanged)
    Q_PROPERTY(double overallProgress READ overallProgress NOTIFY overallProgressChanged)
    Q_PROPERTY(double readValue READ readValue WRITE setReadValue NOTIFY readValueChanged)
    Q_PROPERTY(double writeValue READ writeValue WRITE setWriteValue NOTIFY writeValueChanged)
    Q_PROPERTY(QList<trevlamark::TestData> chartData READ chartData NOTIFY chartDataChanged)
    Q_PROPERTY(QList<trevlamark::TimelineMarker> timelineMarkers READ timelineMarkers WRITE setTimelineMarkers NOTIFY timelineMarkersChanged)
    Q_PROPERTY(bool isGraphExpanded READ isGraphExpanded WRITE setIsGraphExpanded NOTIFY isGraphExpandedChanged)
    Q_PROPERTY(double graphHistoryDuration READ graphHistoryDuration WRITE setGraphHistoryDuration NOTIFY graphHistoryDurationChanged)
    Q_PROPERTY(QList<trevlamark::NetworkTrafficSample> networkChartData READ networkChartData WRITE setNetworkChartData NOTIFY networkChartDataChanged)
    Q_PROPERTY(bool restartMonitoringTrigger READ restartMonitoringTrigger WRITE setRestartMonitoringTrigger NOTIFY restartMonitoringTriggerChanged)
    Q_PROPERTY(QSize windowSize READ windowSize WRITE setWindowSize NOTIFY windowSizeChanged)

public:
    // The sampler's samples while it is monitoring, nothing otherwise.
    using TrafficSampleSource = std::function<std::optional<QList<NetworkTrafficSample>>()>;

    TestSession(const std::optional<NetworkInterfaceInfo> &interfaceInfo, bool isNetworkLocation,
                QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(TestSession)

    ThroughputTestOptions chunkSize() const { return m_chunkSize; }
    int queueDepth() const { return m_queueDepth; }
    BytesPerCycleOptions selectedBytesPerCycle() const { return m_selectedBytesPerCycle; }
    quint64 customBytesValue() const { return m_customBytesValue; }
    int totalCycles() const { return m_totalCycles; }
    bool disableCache() const { return m_disableCache; }
    bool writePhaseEnabled() const { return m_writePhaseEnabled; }
    bool readPhaseEnabled() const { return m_readPhaseEnabled; }
    bool showingCustomBytesPopover() const { return m_showingCustomBytesPopover; }
    void setChunkSize(ThroughputTestOptions value);
    void setQueueDepth(int value);
    void setSelectedBytesPerCycle(BytesPerCycleOptions value);
    void setCustomBytesValue(quint64 value);
    void setTotalCycles(int value);
    void setDisableCache(bool value);
    void setWritePhaseEnabled(bool value);
    void setReadPhaseEnabled(bool value);
    void setShowingCustomBytesPopover(bool value);

    bool isRunningTest() const { return m_isRunningTest; }
    bool isStoppingTest() const { return m_isStoppingTest; }
    bool isPostTestView() const { return m_isPostTestView; }
    double testRunTime() const { return m_testRunTime; }
    QDateTime testStartTime() const { return m_testStartTime; }
    QDateTime finalReferenceTime() const { return m_finalReferenceTime; }
    void setIsRunningTest(bool value);
    void setIsStoppingTest(bool value);
    void setIsPostTestView(bool value);
    void setTestRunTime(double value);
    void setTestStartTime(const QDateTime &value) { m_testStartTime = value; }
    void setFinalReferenceTime(const QDateTime &value);
    // Replaces any running timer with a new one adding 1.0 s every second.
    void startRunTimeTimer();
    void stopRunTimeTimer();

    QString progressMessage() const { return m_progressMessage; }
    quint64 totalWriteBytesProcessed() const { return m_totalWriteBytesProcessed; }
    quint64 totalReadBytesProcessed() const { return m_totalReadBytesProcessed; }
    // The bytes the progress bar counts towards, fixed at each start.
    quint64 progressTargetBytes() const { return m_progressTargetBytes; }
    // Processed bytes over the target, 0 without a target, never above 1.
    double overallProgress() const;
    double readValue() const { return m_readValue; }
    double writeValue() const { return m_writeValue; }
    void setProgressMessage(const QString &value);
    void setTotalWriteBytesProcessed(quint64 value);
    void setTotalReadBytesProcessed(quint64 value);
    void setProgressTargetBytes(quint64 value);
    void setReadValue(double value);
    void setWriteValue(double value);
    // Zeroes the last test's figures except the target, set afresh per start.
    void resetProgress();

    const std::optional<PerformanceTestResult> &latestResult() const { return m_latestResult; }
    void setLatestResult(const std::optional<PerformanceTestResult> &value);

    QList<TestData> chartData() const { return m_chartData; }
    // The points of each operation's newest phase, in order: all that the gauges
    // read. Being short, and apart from chartData, keeps a long test's list from
    // being copied on each new point while the gauges hold it.
    QList<TestData> gaugeChartData() const { return m_gaugeChartData; }
    // The largest smoothed chart throughput (MB/s), 0 without points.
    double chartMaximum() const;
    QList<StreamResult> streamResults() const { return m_streamResults; }
    QList<TimelineMarker> timelineMarkers() const { return m_timelineMarkers; }
    bool isGraphExpanded() const { return m_isGraphExpanded; }
    double graphHistoryDuration() const { return m_graphHistoryDuration; }
    double samplingRate() const { return m_samplingRate; }
    double graphRefreshRate() const { return m_graphRefreshRate; }
    // Keeps the engine's samples and rebuilds the chart points from them.
    void setStreamResults(const QList<StreamResult> &value);
    void setTimelineMarkers(const QList<TimelineMarker> &value);
    void setIsGraphExpanded(bool value);
    void setGraphHistoryDuration(double value);
    void setSamplingRate(double value) { m_samplingRate = value; }
    void setGraphRefreshRate(double value) { m_graphRefreshRate = value; }
    // One chart point per stream result, in order. While the results only grow
    // (a running test), the points made before keep their ids and only the new
    // results become points; nothing is emitted when nothing changed.
    void rebuildChartData();
    // Replaces the running timer. The new one ticks every graphRefreshRate
    // seconds (as it is now), copies the sampler's samples, rebuilds the chart
    // data only when isRunningTest was true at this call, then emits graphTick.
    void startGraphUpdateTimer(TrafficSampleSource source);
    void stopGraphUpdateTimer();
    bool hasGraphUpdateTimer() const { return m_graphUpdateTimer != nullptr; }

    QList<NetworkTrafficSample> networkChartData() const { return m_networkChartData; }
    bool restartMonitoringTrigger() const { return m_restartMonitoringTrigger; }
    void setNetworkChartData(const QList<NetworkTrafficSample> &value);
    void setRestartMonitoringTrigger(bool value);
    const std::optional<NetworkInterfaceInfo> &networkInterfaceInfo() const { return m_networkInterfaceInfo; }
    const std::optional<QString> &networkRawSpeed() const { return m_networkRawSpeed; }
    std::optional<int> networkMaxSpeedMbps() const { return m_networkMaxSpeedMbps; }
    const std::optional<QString> &networkInterface() const { return m_networkInterface; }
    bool isNetworkLocation() const { return m_isNetworkLocation; }

    QSize windowSize() const { return m_windowSize; }
    void setWindowSize(const QSize &value);

signals:
    void chunkSizeChanged();
    void queueDepthChanged();
    void selectedBytesPerCycleChanged();
    void customBytesValueChanged();
    void totalCyclesChanged();
    void disableCacheChanged();
    void writePhaseEnabledChanged();
    void readPhaseEnabledChanged();
    void showingCustomBytesPopoverChanged();
    void isRunningTestChanged();
    void isStoppingTestChanged();
    void isPostTestViewChanged();
    void testRunTimeChanged();
    void finalReferenceTimeChanged();
    void progressMessageChanged();
    void overallProgressChanged();
    void readValueChanged();
    void writeValueChanged();
    void latestResultChanged();
    void chartDataChanged();
    void timelineMarkersChanged();
    void isGraphExpandedChanged();
    void graphHistoryDurationChanged();
    void networkChartDataChanged();
    void restartMonitoringTriggerChanged();
    void windowSizeChanged();
    // Every tick of the graph timer, after its data is in place.
    void graphTick();

private:
    ThroughputTestOptions m_chunkSize = ThroughputTestOptions::size1MB;
    int m_queueDepth = 4;
    BytesPerCycleOptions m_selectedBytesPerCycle = BytesPerCycleOptions::size512MB;
    quint64 m_customBytesValue = defaultCustomBytesPerCycle;
    int m_totalCycles = 1;
    bool m_disableCache = true;
    bool m_writePhaseEnabled = true;
    bool m_readPhaseEnabled = true;
    bool m_showingCustomBytesPopover = false;

    bool m_isRunningTest = false;
    bool m_isStoppingTest = false;
    bool m_isPostTestView = false;
    double m_testRunTime = 0;
    QDateTime m_testStartTime = QDateTime::currentDateTime();
    QDateTime m_finalReferenceTime;
    QTimer *m_runTimeTimer = nullptr;

    QString m_progressMessage;
    quint64 m_totalWriteBytesProcessed = 0;
    quint64 m_totalReadBytesProcessed = 0;
    quint64 m_progressTargetBytes = 0;
    double m_readValue = 0;
    double m_writeValue = 0;
    std::optional<PerformanceTestResult> m_latestResult;

    QList<TestData> m_chartData;
    // Smoothed along with the points; it follows the shared smoothing window when read.
    mutable ChartSeries m_chartSeries;
    QList<TestData> m_gaugeChartData;
    QHash<QString, int> m_newestPhaseByOperation;
    QList<StreamResult> m_streamResults;
    QList<TimelineMarker> m_timelineMarkers;
    bool m_isGraphExpanded = false;
    double m_graphHistoryDuration = 60;
    double m_samplingRate = 0.1;
    double m_graphRefreshRate = 0.1;
    QTimer *m_graphUpdateTimer = nullptr;

    QList<NetworkTrafficSample> m_networkChartData;
    bool m_restartMonitoringTrigger = false;
    std::optional<NetworkInterfaceInfo> m_networkInterfaceInfo;
    std::optional<QString> m_networkRawSpeed;
    std::optional<int> m_networkMaxSpeedMbps;
    std::optional<QString> m_networkInterface;
    bool m_isNetworkLocation = false;

    QSize m_windowSize{600, 750};
};

} // namespace trevlamark
