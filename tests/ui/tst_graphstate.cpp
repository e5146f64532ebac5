#include "ui/graphstate.h"
#include "ui/networkmonitoringstate.h"

#include <QSignalSpy>
#include <QTimer>
#include <QTest>

using namespace trevlamark;

namespace {
StreamResult streamResult(const QString &operation, double throughput, double seconds, int phaseId)
{
    return StreamResult{QDateTime::currentDateTime(), operation, throughput, seconds, phaseId};
}

NetworkTrafficSample sample(double in)
{
    NetworkTrafficSample value;
    value.id = QUuid::createUuid();
    value.timestamp = QDateTime::currentDateTime();
    value.throughputIn = in;
    return value;
}
} // namespace

class tst_GraphState : public QObject
{
    Q_OBJECT

private slots:
    void rebuildMirrorsEveryStreamResult()
    {
        GraphState state;
        state.setStreamResults({streamResult(QStringLiteral("write"), 100, 0.1, 1),
                                streamResult(QStringLiteral("read"), 200, 0.2, 2)});
        QSignalSpy spy(&state, &GraphState::chartDataChanged);
        state.rebuildChartData();
        QCOMPARE(spy.count(), 1);
        const QList<TestData> points = state.chartData();
        QCOMPARE(points.size(), 2);
        QCOMPARE(points[0].operation, QStringLiteral("write"));
        QCOMPARE(points[1].throughput, 200.0);
        QCOMPARE(points[1].seconds, 0.2);
        QCOMPARE(points[1].phaseId, 2);
        QVERIFY(!points[0].id.isNull());
        QVERIFY(points[0].id != points[1].id);
    }

    void timerCopiesSamplesButRebuildsOnlyWhenStartedRunning()
    {
        GraphState state;
        state.setGraphRefreshRate(0.01);
        NetworkMonitoringState network(std::nullopt, std::nullopt, false);
        const QList<NetworkTrafficSample> samples{sample(1), sample(2)};
        state.setStreamResults({streamResult(QStringLiteral("write"), 50, 0.1, 1)});
        state.startGraphUpdateTimer([samples] { return std::optional(samples); }, &network, false);
        QTRY_COMPARE(network.networkChartData().size(), 2);
        QVERIFY(state.chartData().isEmpty());

        state.startGraphUpdateTimer([samples] { return std::optional(samples); }, &network, true);
        QTRY_COMPARE(state.chartData().size(), 1);
    }

    void samplerThatIsNotMonitoringLeavesTheSamples()
    {
        GraphState state;
        state.setGraphRefreshRate(0.01);
        NetworkMonitoringState network(std::nullopt, std::nullopt, false);
        network.setNetworkChartData({sample(7)});
        int ticks = 0;
        state.startGraphUpdateTimer(
            [&ticks]() -> std::optional<QList<NetworkTrafficSample>> {
                ++ticks;
                return std::nullopt;
            },
            &network, false);
        QTRY_VERIFY(ticks >= 3);
        QCOMPARE(network.networkChartData().size(), 1);
        QCOMPARE(network.networkChartData().first().throughputIn, 7.0);
    }

    void twoStartsLeaveOneTimer()
    {
        GraphState state;
        NetworkMonitoringState network(std::nullopt, std::nullopt, false);
        state.startGraphUpdateTimer({}, &network, false);
        state.startGraphUpdateTimer({}, &network, true);
        QCOMPARE(state.findChildren<QTimer *>().size(), 1);
        state.stopGraphUpdateTimer();
        QVERIFY(!state.hasGraphUpdateTimer());
        QCOMPARE(state.findChildren<QTimer *>().size(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_GraphState)
#include "tst_graphstate.moc"
