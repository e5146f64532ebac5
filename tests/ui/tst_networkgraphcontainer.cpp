#include "ui/networkgraphcontainer.h"

#include "ui/graphxaxislabelsview.h"
#include "support/widgetscreenshot.h"

#include <QTest>

using namespace trevlamark;

namespace {

const QDateTime reference = QDateTime::fromSecsSinceEpoch(1'700'000'060, Qt::UTC);

QList<NetworkTrafficSample> traffic()
{
    QList<NetworkTrafficSample> samples;
    for (int i = 0; i <= 300; ++i) {
        NetworkTrafficSample sample;
        sample.id = QUuid::createUuid();
        sample.timestamp = reference.addMSecs(-30'000 + i * 100);
        sample.throughputOut = 40 + 30 * std::sin(i / 9.0);
        sample.throughputIn = 70 + 50 * std::cos(i / 13.0);
        samples.append(sample);
    }
    return samples;
}

} // namespace

class tst_NetworkGraphContainer : public QObject
{
    Q_OBJECT
private slots:
    void referenceTimeFollowsTheNewestSample()
    {
        NetworkGraphContainer graph;
        graph.setSamples(traffic());
        QCOMPARE(graph.effectiveReferenceTime(), reference);
        graph.setReferenceTime(reference.addSecs(-10));
        QCOMPARE(graph.effectiveReferenceTime(), reference.addSecs(-10));
        graph.setRunningTest(true);
        QVERIFY(graph.effectiveReferenceTime() > reference.addSecs(3600));
    }

    void labelsReadNowWhileRunning()
    {
        NetworkGraphContainer graph;
        graph.resize(524, 150);
        graph.setTimeWindow(60);
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        QCOMPARE(graph.xAxisLabels()->labelTexts().last(), QStringLiteral("end"));
        graph.setRunningTest(true);
        QCOMPARE(graph.xAxisLabels()->labelTexts().last(), QStringLiteral("now"));
        QCOMPARE(graph.height(), 150);
        graph.setPanelHeight(220);
        QCOMPARE(graph.height(), 220);
    }

    void screenshots()
    {
        NetworkGraphContainer graph;
        graph.resize(600, 160);
        graph.setTimeWindow(30);
        graph.setMaxY(137.5);
        graph.setSamples(traffic());
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
        testing::saveScreenshots(&graph, QStringLiteral("networkgraphcontainer"));
        QCOMPARE(graph.xAxisLabels()->labelTexts().first(), QStringLiteral("-30s"));
    }
};

QTEST_MAIN(tst_NetworkGraphContainer)
#include "tst_networkgraphcontainer.moc"
