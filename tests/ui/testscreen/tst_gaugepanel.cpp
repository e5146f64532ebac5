#include "ui/testscreen/gaugepanel.h"

#include "support/widgetscreenshot.h"
#include "ui/common/paintclock.h"
#include "ui/gauges/throughputgauge.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsEffect>
#include <QHBoxLayout>
#include <QTest>

using namespace trevlamark;

class tst_GaugePanel : public QObject
{
    Q_OBJECT
private slots:
    void screenshots()
    {
        for (const char *variant : {"idle", "running", "hovering"}) {
            const bool running = qstrcmp(variant, "running") == 0;
            const bool hovering = qstrcmp(variant, "hovering") == 0;
            GaugePanel panel;
            panel.resize(760, panel.sizeHint().height());
            panel.setNetworkMaxSpeedMbps(10000);
            panel.setInterfaceMTU(9000);
            panel.setWriteValue(running ? 622 : 0);
            panel.setRunningTest(running);
            panel.setTestRunTime(running ? 125 : 0);
            panel.setHoveringControls(hovering);
            if (hovering)
                panel.setReadPhaseEnabled(false);
            panel.show();
            QVERIFY(QTest::qWaitForWindowExposed(&panel));
            QTRY_COMPARE(panel.writeGauge()->shownFraction(), panel.writeGauge()->targetFraction());
            QTRY_VERIFY(!panel.queueDepthMenu()->parentWidget()->graphicsEffect());
            QCOMPARE(panel.writeGauge()->percentOfMax(), std::optional<int>(running ? 49 : 0));
            testing::saveScreenshots(&panel, QStringLiteral("gaugepanelview-") + QString::fromLatin1(variant));
        }
        gaugeRowScreenshots();
    }

    // Once a phase completes its gauge shows the phase's figure, not the
    // trailing average of its last, nearly empty intervals, until a newer
    // phase of the operation has points of its own.
    void completedPhaseShowsItsOwnFigure()
    {
        ThroughputGauge gauge(QStringLiteral("Write"));
        gauge.setRunningTest(true);
        const QDateTime start = QDateTime::currentDateTimeUtc();
        QList<TestData> points;
        for (const double throughput : {900.0, 950.0, 0.0, 0.0})
            points.append(TestData{QUuid::createUuid(), start.addMSecs(100 * points.size()), QStringLiteral("write"), throughput, 0, 0});
        gauge.setChartData(points);
        QVERIFY(gauge.displayedValue() < 900);
        gauge.setCompletedPhase(0, 870);
        QCOMPARE(gauge.displayedValue(), 870.0);
        points.append(TestData{QUuid::createUuid(), start.addSecs(5), QStringLiteral("write"), 500, 0, 2});
        gauge.setChartData(points);
        QCOMPARE(gauge.displayedValue(), 500.0);
        // A new run numbers its phases from 0 again: the last run's figure is gone.
        gauge.setRunningTest(false);
        gauge.setRunningTest(true);
        gauge.setChartData(points.mid(0, 4));
        QVERIFY(gauge.displayedValue() < 900);
    }

    // On a running paint clock the arc moves only on its ticks, and the changes
    // held for a tick are applied once, newest only, before it; stopped, the
    // clock applies at once and the arc glides on its own again.
    void arcAndHeldChangesFollowThePaintClock()
    {
        PaintClock clock;
        clock.start(3600 * 1000); // ticks only when the test says so
        GaugePanel panel;
        panel.setPaintClock(&clock);
        panel.setNetworkMaxSpeedMbps(10000);
        ThroughputGauge *gauge = panel.writeGauge();
        QList<double> applied;
        for (const double value : {300.0, 600.0})
            clock.defer([&panel, &applied, value] {
                panel.setWriteValue(value);
                applied.append(value);
            });
        QVERIFY(applied.isEmpty());
        clock.flush(); // what a tick does first
        QCOMPARE(applied, QList<double>{600.0});
        QVERIFY(gauge->targetFraction() > 0);
        QTest::qWait(400);
        QCOMPARE(gauge->shownFraction(), 0.0);
        emit clock.ticked();
        QCOMPARE(gauge->shownFraction(), gauge->targetFraction());

        panel.setWriteValue(100);
        clock.defer([&applied] { applied.append(0); });
        clock.stop();
        QCOMPARE(applied.size(), 2);
        QTRY_COMPARE(gauge->shownFraction(), gauge->targetFraction());
        clock.defer([&applied] { applied.append(1); });
        QCOMPARE(applied.size(), 3);

        // A value that changes at every tick, as a run's does, still moves the arc.
        PaintClock ticking;
        GaugePanel moving;
        moving.setPaintClock(&ticking);
        moving.setNetworkMaxSpeedMbps(10000);
        double value = 600;
        connect(&ticking, &PaintClock::ticked, &moving, [&] {
            value += 1;
            ticking.defer([&moving, value] { moving.setWriteValue(value); });
        });
        ticking.start(20);
        QTRY_VERIFY(moving.writeGauge()->shownFraction() > 0.5 * moving.writeGauge()->targetFraction());
    }

private:
    void gaugeRowScreenshots()
    {
        QWidget row;
        auto *layout = new QHBoxLayout(&row);
        auto *write = new ThroughputGauge(QStringLiteral("Write"), &row);
        auto *read = new ThroughputGauge(QStringLiteral("Read"), &row);
        auto *off = new ThroughputGauge(QStringLiteral("Read"), &row);
        layout->addWidget(write);
        layout->addWidget(read);
        layout->addWidget(off);
        write->setMaxSpeedMbps(10000);
        write->setInterfaceMTU(9000);
        write->setValue(622);
        read->setValue(150);
        off->setPhaseEnabled(false);
        row.show();
        QVERIFY(QTest::qWaitForWindowExposed(&row));
        QTRY_COMPARE(write->shownFraction(), write->targetFraction());
        QTRY_COMPARE(read->shownFraction(), read->targetFraction());
        // A switched-off phase shows its switch even when the pointer is away.
        QVERIFY(off->phaseSwitch()->isVisible());
        testing::saveScreenshots(&row, QStringLiteral("throughputgaugeview"));
    }
};

QTEST_MAIN(tst_GaugePanel)
#include "tst_gaugepanel.moc"
