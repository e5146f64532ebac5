#include "ui/testscreen/testsession.h"

#include <QPointer>
#include <QTimer>
#include <QUuid>
#include <algorithm>
#include <cmath>

namespace trevlamark {

namespace {
// Stores the value and says whether it differed.
template <typename T>
bool assign(T &member, const T &value)
{
    if (member == value)
        return false;
    member = value;
    return true;
}
} // namespace

TestSession::TestSession(const std::optional<NetworkInterfaceInfo> &interfaceInfo, bool isNetworkLocation,
                         QObject *parent)
    : QObject(parent)
    , m_networkInterfaceInfo(interfaceInfo)
    , m_isNetworkLocation(isNetworkLocation)
{
    if (interfaceInfo) {
        m_networkInterface = interfaceInfo->interfaceID;
        m_networkRawSpeed = interfaceInfo->rawSpeed;
        m_networkMaxSpeedMbps = interfaceInfo->speedMbps;
    }
}

void TestSession::setChunkSize(ThroughputTestOptions value)
{
    if (assign(m_chunkSize, value))
        emit chunkSizeChanged();
}

void TestSession::setQueueDepth(int value)
{
    if (assign(m_queueDepth, value))
        emit queueDepthChanged();
}

void TestSession::setSelectedBytesPerCycle(BytesPerCycleOptions value)
{
    if (assign(m_selectedBytesPerCycle, value))
        emit selectedBytesPerCycleChanged();
}

void TestSession::setCustomBytesValue(quint64 value)
{
    if (assign(m_customBytesValue, value))
        emit customBytesValueChanged();
}

void TestSession::setTotalCycles(int value)
{
    if (assign(m_totalCycles, value))
        emit totalCyclesChanged();
}

void TestSession::setDisableCache(bool value)
{
    if (assign(m_disableCache, value))
        emit disableCacheChanged();
}

void TestSession::setWritePhaseEnabled(bool value)
{
    if (assign(m_writePhaseEnabled, value))
        emit writePhaseEnabledChanged();
}

void TestSession::setReadPhaseEnabled(bool value)
{
    if (assign(m_readPhaseEnabled, value))
        emit readPhaseEnabledChanged();
}

void TestSession::setShowingCustomBytesPopover(bool value)
{
    if (assign(m_showingCustomBytesPopover, value))
        emit showingCustomBytesPopoverChanged();
}

void TestSession::setIsRunningTest(bool value)
{
    if (assign(m_isRunningTest, value))
        emit isRunningTestChanged();
}

void TestSession::setIsStoppingTest(bool value)
{
    if (assign(m_isStoppingTest, value))
        emit isStoppingTestChanged();
}

void TestSession::setIsPostTestView(bool value)
{
    if (assign(m_isPostTestView, value))
        emit isPostTestViewChanged();
}

void TestSession::setTestRunTime(double value)
{
    if (assign(m_testRunTime, value))
        emit testRunTimeChanged();
}

void TestSession::setFinalReferenceTime(const QDateTime &value)
{
    if (assign(m_finalReferenceTime, value))
        emit finalReferenceTimeChanged();
}

void TestSession::startRunTimeTimer()
{
    stopRunTimeTimer();
    m_runTimeTimer = new QTimer(this);
    m_runTimeTimer->setInterval(1000);
    connect(m_runTimeTimer, &QTimer::timeout, this, [this] { setTestRunTime(m_testRunTime + 1.0); });
    m_runTimeTimer->start();
}

void TestSession::stopRunTimeTimer()
{
    delete m_runTimeTimer;
    m_runTimeTimer = nullptr;
}

double TestSession::overallProgress() const
{
    if (m_progressTargetBytes == 0)
        return 0;
    const quint64 processed = m_totalWriteBytesProcessed + m_totalReadBytesProcessed;
    return std::min(1.0, double(processed) / double(m_progressTargetBytes));
}

void TestSession::setProgressMessage(const QString &value)
{
    if (assign(m_progressMessage, value))
        emit progressMessageChanged();
}

void TestSession::setTotalWriteBytesProcessed(quint64 value)
{
    if (assign(m_totalWriteBytesProcessed, value))
        emit overallProgressChanged();
}

void TestSession::setTotalReadBytesProcessed(quint64 value)
{
    if (assign(m_totalReadBytesProcessed, value))
        emit overallProgressChanged();
}

void TestSession::setProgressTargetBytes(quint64 value)
{
    if (assign(m_progressTargetBytes, value))
        emit overallProgressChanged();
}

void TestSession::setReadValue(double value)
{
    if (assign(m_readValue, value))
        emit readValueChanged();
}

void TestSession::setWriteValue(double value)
{
    if (assign(m_writeValue, value))
        emit writeValueChanged();
}

void TestSession::resetProgress()
{
    setReadValue(0);
    setWriteValue(0);
    setTotalWriteBytesProcessed(0);
    setTotalReadBytesProcessed(0);
    setProgressMessage(QString());
}

void TestSession::setLatestResult(const std::optional<PerformanceTestResult> &value)
{
    if (assign(m_latestResult, value))
        emit latestResultChanged();
}

void TestSession::setStreamResults(const QList<StreamResult> &value)
{
    m_streamResults = value;
    rebuildChartData();
}

void TestSession::setTimelineMarkers(const QList<TimelineMarker> &value)
{
    if (assign(m_timelineMarkers, value))
        emit timelineMarkersChanged();
}

void TestSession::setIsGraphExpanded(bool value)
{
    if (assign(m_isGraphExpanded, value))
        emit isGraphExpandedChanged();
}

void TestSession::setGraphHistoryDuration(double value)
{
    if (assign(m_graphHistoryDuration, value))
        emit graphHistoryDurationChanged();
}

void TestSession::rebuildChartData()
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
    m_chartSeries.setPoints(m_chartData, ChartGeometry::processSmoothingWindow());
    emit chartDataChanged();
}

double TestSession::chartMaximum() const
{
    m_chartSeries.followWindow(ChartGeometry::processSmoothingWindow());
    return m_chartSeries.maximum();
}

void TestSession::startGraphUpdateTimer(TrafficSampleSource source)
{
    stopGraphUpdateTimer();
    m_graphUpdateTimer = new QTimer(this);
    // A zero or negative rate from the developer settings would spin the event loop.
    m_graphUpdateTimer->setInterval(std::max(1, int(std::lround(m_graphRefreshRate * 1000))));
    const bool rebuildsChart = m_isRunningTest;
    connect(m_graphUpdateTimer, &QTimer::timeout, this, [this, source = std::move(source), rebuildsChart] {
        if (source) {
            if (const auto samples = source())
                setNetworkChartData(*samples);
        }
        if (rebuildsChart)
            rebuildChartData();
        emit graphTick();
    });
    m_graphUpdateTimer->start();
}

void TestSession::stopGraphUpdateTimer()
{
    delete m_graphUpdateTimer;
    m_graphUpdateTimer = nullptr;
}

void TestSession::setNetworkChartData(const QList<NetworkTrafficSample> &value)
{
    if (assign(m_networkChartData, value))
        emit networkChartDataChanged();
}

void TestSession::setRestartMonitoringTrigger(bool value)
{
    if (assign(m_restartMonitoringTrigger, value))
        emit restartMonitoringTriggerChanged();
}

void TestSession::setWindowSize(const QSize &value)
{
    if (assign(m_windowSize, value))
        emit windowSizeChanged();
}

} // namespace trevlamark
