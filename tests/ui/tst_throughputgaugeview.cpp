#include "ui/throughputgaugeview.h"

#include "support/widgetscreenshot.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>

using namespace trevlamark;

namespace {

TestData point(int msecs, const QString &operation, int phaseId, double throughput)
{
    TestData p;
    p.id = QUuid::createUuid();
    p.timestamp = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000 + msecs, Qt::UTC);
    p.operation = operation;
    p.phaseId = phaseId;
    p.throughput = throughput;
    return p;
}

} // namespace

class tst_ThroughputGaugeView : public QObject
{
    Q_OBJECT
private slots:
    void scale_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("link");
        QTest::addColumn<int>("mtu");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<int>("percent");
        QTest::newRow("10G jumbo") << 622.0 << 10000 << 9000 << 622.0 / (1250.0 * 8960 / 9000) << 49;
        QTest::newRow("no link") << 100.0 << 0 << 0 << 0.5 << -1;
    }
    void scale()
    {
        QFETCH(double, value);
        QFETCH(int, link);
        QFETCH(int, mtu);
        QFETCH(double, fraction);
        QFETCH(int, percent);
        ThroughputGaugeView gauge(QStringLiteral("Write"));
        gauge.setValue(value);
        gauge.setMaxSpeedMbps(link > 0 ? std::optional<int>(link) : std::nullopt);
        gauge.setInterfaceMTU(mtu > 0 ? std::optional<int>(mtu) : std::nullopt);
        QCOMPARE(gauge.targetFraction(), fraction);
        // The arc moves towards the new fraction instead of jumping.
        QTRY_COMPARE(gauge.shownFraction(), fraction);
        QCOMPARE(gauge.percentOfMax(), percent >= 0 ? std::optional<int>(percent) : std::nullopt);
    }

    void liveValueComesFromTheChart()
    {
        ThroughputGaugeView gauge(QStringLiteral("Read"));
        gauge.setValue(12);
        QCOMPARE(gauge.displayedValue(), 12.0);
        gauge.setChartData({point(0, "read", 2, 200), point(100, "write", 3, 50)});
        QCOMPARE(gauge.displayedValue(), 200.0);
        gauge.setPostTest(true);
        QCOMPARE(gauge.displayedValue(), 12.0);
    }

    void phaseSwitch_data()
    {
        QTest::addColumn<bool>("hovering");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("shown");
        QTest::newRow("idle, enabled, away") << false << true << false << false;
        QTest::newRow("hovering") << true << true << false << true;
        QTest::newRow("idle, disabled") << false << false << false << true;
        QTest::newRow("running, disabled") << false << false << true << false;
    }
    void phaseSwitch()
    {
        QFETCH(bool, hovering);
        QFETCH(bool, enabled);
        QFETCH(bool, running);
        QFETCH(bool, shown);
        ThroughputGaugeView gauge(QStringLiteral("Write"));
        gauge.show();
        gauge.setPhaseEnabled(enabled);
        gauge.setRunningTest(running);
        gauge.setHoveringControls(hovering);
        QCOMPARE(gauge.isSwitchShown(), shown);
        QCOMPARE(gauge.phaseSwitch()->isVisible(), shown);
        // The switch keeps its place, so the gauge never changes size.
        QCOMPARE(gauge.size(), gauge.sizeHint());
    }

    void dialShrinksToTheWidthItGets_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("side");
        QTest::newRow("wider than the dial") << 260 << 200;
        QTest::newRow("full size") << 200 << 200;
        QTest::newRow("a little short") << 176 << 176;
        QTest::newRow("at the minimum") << 160 << 160;
    }
    void dialShrinksToTheWidthItGets()
    {
        QFETCH(int, width);
        QFETCH(int, side);
        ThroughputGaugeView gauge(QStringLiteral("Read"));
        QCOMPARE(gauge.minimumSizeHint().width(), ThroughputGaugeView::minimumGaugeSizePx);
        QCOMPARE(gauge.minimumSizeHint().height(), gauge.sizeHint().height());
        gauge.setHoveringControls(true);
        gauge.resize(width, gauge.sizeHint().height());
        gauge.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gauge));
        QCOMPARE(gauge.gaugeSidePx(), side);
        // The switch stays centred right under the dial, inside the widget.
        const QRect switchRect = gauge.phaseSwitch()->geometry();
        QCOMPARE(switchRect.top(), side + 8);
        QVERIFY(gauge.rect().contains(switchRect));
        QVERIFY(qAbs(switchRect.center().x() - gauge.rect().center().x()) <= 1);
    }

    void switchDrivesThePhaseFlag()
    {
        ThroughputGaugeView gauge(QStringLiteral("Read"));
        QSignalSpy spy(&gauge, &ThroughputGaugeView::phaseEnabledChanged);
        gauge.phaseSwitch()->click();
        QVERIFY(!gauge.isPhaseEnabled());
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.first().first().toBool(), false);
    }

    void disabledGaugeIsFainter()
    {
        ThroughputGaugeView enabled(QStringLiteral("Write"));
        ThroughputGaugeView disabled(QStringLiteral("Write"));
        disabled.setPhaseEnabled(false);
        const QImage on = enabled.grab().toImage();
        const QImage off = disabled.grab().toImage();
        // The operation name is drawn in the warm colour; at 70 % it blends with the background.
        QVERIFY(on != off);
    }

    void screenshots()
    {
        QWidget row;
        auto *layout = new QHBoxLayout(&row);
        auto *write = new ThroughputGaugeView(QStringLiteral("Write"), &row);
        auto *read = new ThroughputGaugeView(QStringLiteral("Read"), &row);
        auto *off = new ThroughputGaugeView(QStringLiteral("Read"), &row);
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
        testing::saveScreenshots(&row, QStringLiteral("throughputgaugeview"));
        QVERIFY(write->percentOfMax().has_value());
    }
};

QTEST_MAIN(tst_ThroughputGaugeView)
#include "tst_throughputgaugeview.moc"
