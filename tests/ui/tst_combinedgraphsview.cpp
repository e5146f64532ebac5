#include "ui/combinedgraphsview.h"

#include "settings/preferencesmanager.h"
#include "platform/preferencestore.h"
#include "ui/graphzoomcontrols.h"
#include "ui/common/interfaceinfopopover.h"
#include "ui/smoothingwindowbadge.h"
#include "ui/timelinemarkerdot.h"
#include "support/widgetscreenshot.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace trevlamark;

namespace {

const QDateTime reference = QDateTime::fromSecsSinceEpoch(1'700'000'060, Qt::UTC);

TimelineMarker marker(double secondsBeforeReference, const QString &type, const QString &message)
{
    TimelineMarker m;
    m.id = QUuid::createUuid();
    m.timestamp = reference.addMSecs(-static_cast<qint64>(secondsBeforeReference * 1000));
    m.type = type;
    m.message = message;
    return m;
}

QList<TestData> sampleChart()
{
    QList<TestData> data;
    for (int i = 0; i < 200; ++i) {
        TestData point;
        point.id = QUuid::createUuid();
        point.timestamp = reference.addMSecs(-55'000 + i * 100);
        point.operation = QStringLiteral("write");
        point.throughput = i < 3 ? 0 : 300 + 40 * std::sin(i / 7.0);
        point.phaseId = 1;
        data.append(point);
    }
    for (int i = 0; i < 200; ++i) {
        TestData point;
        point.id = QUuid::createUuid();
        point.timestamp = reference.addMSecs(-33'000 + i * 100);
        point.operation = QStringLiteral("read");
        point.throughput = 420 + 30 * std::cos(i / 5.0);
        point.phaseId = 2;
        data.append(point);
    }
    return data;
}

QList<NetworkTrafficSample> sampleTraffic()
{
    QList<NetworkTrafficSample> samples;
    for (int i = 0; i <= 600; ++i) {
        NetworkTrafficSample sample;
        sample.id = QUuid::createUuid();
        sample.timestamp = reference.addMSecs(-60'000 + i * 100);
        const bool writing = i >= 50 && i < 250;
        const bool reading = i >= 270 && i < 470;
        sample.throughputOut = writing ? 310 + 30 * std::sin(i / 3.0) : 2;
        sample.throughputIn = reading ? 430 + 25 * std::cos(i / 4.0) : 1;
        samples.append(sample);
    }
    return samples;
}

} // namespace

class tst_CombinedGraphsView : public QObject
{
    Q_OBJECT
private slots:
    void zoomControlsChangeTheWindow()
    {
        CombinedGraphsView view;
        QSignalSpy spy(&view, &CombinedGraphsView::timeWindowChanged);
        view.setTimeWindow(6);
        view.zoomControls()->zoomInButton()->click();
        QCOMPARE(view.timeWindow(), 5.0);
        QVERIFY(!view.zoomControls()->zoomInButton()->isEnabled());
        view.zoomControls()->zoomOutButton()->click();
        QCOMPARE(view.timeWindow(), 7.5);
        QCOMPARE(spy.size(), 3);
        QCOMPARE(view.zoomControls()->windowText(), QStringLiteral("7s"));
    }

    void expandAndCollapse()
    {
        CombinedGraphsView view;
        view.setMainWindowSize(QSize(800, 1000));
        QSignalSpy spy(&view, &CombinedGraphsView::graphExpandedChanged);
        QCOMPARE(view.expandButton()->toolTip(), QStringLiteral("Expand graph"));
        QCOMPARE(view.plotHeightTarget(), 200);
        view.expandButton()->click();
        QVERIFY(view.isGraphExpanded());
        QCOMPARE(spy.size(), 1);
        QCOMPARE(view.plotHeightTarget(), 560);
        QCOMPARE(view.expandButton()->toolTip(), QStringLiteral("Collapse graph"));
        QTRY_COMPARE(view.plotArea()->height(), 560);
        view.expandButton()->click();
        QTRY_COMPARE(view.plotArea()->height(), 200);
    }

    void restartMonitoringDropsTheFlagAgain()
    {
        CombinedGraphsView view;
        view.setInterfaceID(QStringLiteral("eth1"));
        QSignalSpy requested(&view, &CombinedGraphsView::restartMonitoringRequested);
        QSignalSpy flag(&view, &CombinedGraphsView::restartMonitoringChanged);
        view.setRestartMonitoring(true);
        QCOMPARE(requested.size(), 1);
        QCOMPARE(requested.first().first().toString(), QStringLiteral("eth1"));
        QVERIFY(view.restartMonitoring());
        QTRY_VERIFY(!view.restartMonitoring());
        QCOMPARE(flag.size(), 2);
    }

    void markerDotsSpreadAroundTheMidline()
    {
        CombinedGraphsView view;
        view.resize(700, 320);
        view.setTimeWindow(60);
        view.setReferenceTime(reference);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QList<TimelineMarker> markers{marker(30.1, "write", "a"), marker(30.2, "read", "b"),
                                            marker(30.3, "error", "c"), marker(10, "other", "d"),
                                            marker(90, "write", "too early")};
        view.setTimelineMarkers(markers);
        const QList<TimelineMarkerDot *> dots = view.markerDots();
        QCOMPARE(dots.size(), 5);
        const double midline = view.plotArea()->height() / 2.0;
        QList<double> offsets;
        for (TimelineMarkerDot *dot : dots) {
            if (dot->marker().message.size() == 1 && dot->marker().message != QLatin1String("d"))
                offsets.append(dot->geometry().center().y() + 0.5 - midline);
        }
        QCOMPARE(offsets.size(), 3);
        std::sort(offsets.begin(), offsets.end());
        QVERIFY(qAbs(offsets.at(0) + 18) <= 1);
        QVERIFY(qAbs(offsets.at(1)) <= 1);
        QVERIFY(qAbs(offsets.at(2) - 18) <= 1);
        // The marker before the window lies off the drawing.
        const auto early = std::find_if(dots.cbegin(), dots.cend(), [](TimelineMarkerDot *dot) {
            return dot->marker().message == QLatin1String("too early");
        });
        QVERIFY((*early)->geometry().center().x() <= 0);

        // The same markers again keep their dots; a new list replaces them.
        view.setTimelineMarkers(markers);
        QCOMPARE(view.markerDots(), dots);
        view.setTimelineMarkers({});
        QCOMPARE(view.markerDots().size(), 0);
    }

    void markerDotTogglesItsTooltip()
    {
        QWidget area;
        area.resize(200, 100);
        auto *dot = new TimelineMarkerDot(marker(1, "write", "Start write phase"), &area);
        dot->moveCentreTo(QPointF(100, 60));
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        QSignalSpy spy(dot, &TimelineMarkerDot::tooltipToggled);
        QTest::mousePress(dot, Qt::LeftButton);
        QVERIFY(dot->isPressed());
        QCOMPARE(dot->targetDotSize(), TimelineMarkerDot::hoveredDotSize);
        QTest::mouseRelease(dot, Qt::LeftButton);
        QVERIFY(!dot->isPressed());
        QVERIFY(dot->isShowingTooltip());
        const QList<QLabel *> labels = area.findChildren<QLabel *>();
        QCOMPARE(labels.size(), 1);
        QVERIFY(labels.first()->isVisible());
        QCOMPARE(labels.first()->text(), QStringLiteral("Start write phase"));
        QTest::mouseClick(dot, Qt::LeftButton);
        QVERIFY(!labels.first()->isVisible());
        QCOMPARE(spy.size(), 2);
    }

    void legendIndicatorsNeedOverlayMonitoringAndLiveView()
    {
        CombinedGraphsView view;
        view.setMonitoring(true);
        QVERIFY(!view.areSpeedIndicatorsShown());
        QSignalSpy spy(&view, &CombinedGraphsView::showNetworkOverlayChanged);
        view.setShowNetworkOverlay(true);
        QCOMPARE(spy.size(), 1);
        QVERIFY(view.areSpeedIndicatorsShown());
        view.setPostTestView(true);
        QVERIFY(!view.areSpeedIndicatorsShown());
        view.setPostTestView(false);
        view.setMonitoring(false);
        QVERIFY(!view.areSpeedIndicatorsShown());
    }

    void interfaceLineAndPopover()
    {
        CombinedGraphsView view;
        view.setNetworkLocation(true);
        view.setInterfaceID(QStringLiteral("eth0"));
        QCOMPARE(view.interfaceLineText(), QStringLiteral("eth0 - Unknown speed"));
        view.setNetworkRawSpeed(QStringLiteral("1000baseT"));
        QCOMPARE(view.interfaceLineText(), QStringLiteral("eth0 - 1000baseT"));

        QSignalSpy requested(&view, &CombinedGraphsView::interfaceInfoRequested);
        view.infoButton()->click();
        QVERIFY(view.isShowingInterfaceInfo());
        QCOMPARE(requested.size(), 1);
        QVERIFY(view.interfaceInfoPopover()->rows().isEmpty());
        NetworkInterfaceInfo info;
        info.interfaceID = QStringLiteral("eth0");
        info.name = QStringLiteral("Ethernet");
        info.speed = QStringLiteral("10 Gbps");
        info.mtu = 9000;
        view.setCachedInterfaceInfo(info);
        QCOMPARE(view.interfaceLineText(), QStringLiteral("eth0 - 10 Gbps"));
        QCOMPARE(view.interfaceInfoPopover()->rows().size(), 5);
        view.setShowingInterfaceInfo(false);
        QVERIFY(!view.interfaceInfoPopover()->isVisible());
        QVERIFY(!view.infoButton()->isChecked());
    }

    void referenceTimeRule()
    {
        CombinedGraphsView view;
        const QList<TestData> chart = sampleChart();
        view.setChartData(chart);
        QCOMPARE(view.effectiveReferenceTime(), chart.last().timestamp);
        view.setReferenceTime(reference.addSecs(5));
        QCOMPARE(view.effectiveReferenceTime(), reference.addSecs(5));
        view.setRunningTest(true);
        QVERIFY(view.effectiveReferenceTime() > reference.addSecs(3600));
    }

    void badgeFollowsDeveloperMode()
    {
        PreferenceStore::setValue(QLatin1String(PreferencesManager::developerModeKey), true);
        CombinedGraphsView view;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.smoothingBadge()->isVisible());
        QVERIFY(view.smoothingBadge()->text().startsWith(QStringLiteral("Window: ")));
        PreferenceStore::setValue(QLatin1String(PreferencesManager::developerModeKey), false);
        view.setChartData({});
        QVERIFY(!view.smoothingBadge()->isVisible());
    }

    void screenshots()
    {
        CombinedGraphsView view;
        view.resize(760, 330);
        view.setNetworkLocation(true);
        view.setInterfaceID(QStringLiteral("eth0"));
        view.setNetworkRawSpeed(QStringLiteral("10GbaseT"));
        view.setTimeWindow(60);
        view.setReferenceTime(reference);
        view.setMaxY(550);
        view.setChartData(sampleChart());
        view.setNetworkChartData(sampleTraffic());
        view.setShowNetworkOverlay(true);
        view.setMonitoring(true);
        view.setCurrentThroughput(52.3, 310.7);
        view.setTimelineMarkers({marker(55, "write", "Start write phase"), marker(35.1, "write", "End write phase"),
                                 marker(35, "read", "Start read phase"), marker(13, "read", "End read phase"),
                                 marker(12.9, "error", "Close timed out")});
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        testing::saveScreenshots(&view, QStringLiteral("combinedgraphsview"));
        QVERIFY(!view.grab().isNull());

        // Hovering the plot fades in the zoom and expand controls.
        QEnterEvent enter(QPointF(50, 50), QPointF(50, 50), view.plotArea()->mapToGlobal(QPointF(50, 50)));
        QApplication::sendEvent(view.plotArea(), &enter);
        QVERIFY(view.isGraphHovered());
        auto *effect = qobject_cast<QGraphicsOpacityEffect *>(view.zoomControls()->graphicsEffect());
        QTRY_COMPARE(effect->opacity(), 1.0);
        testing::saveScreenshots(&view, QStringLiteral("combinedgraphsview-hovered"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(view.plotArea(), &leave);
        QVERIFY(!view.isGraphHovered());
        QTRY_COMPARE(effect->opacity(), 0.0);
    }
};

QTEST_MAIN(tst_CombinedGraphsView)
#include "tst_combinedgraphsview.moc"
