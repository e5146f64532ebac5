#include "ui/gaugepanelview.h"

#include "ui/testscreen/custombytesinput.h"
#include "ui/testscreen/startstopbutton.h"
#include "ui/common/themecolors.h"
#include "ui/throughputgaugeview.h"
#include "support/widgetscreenshot.h"

#include <QComboBox>
#include <QGraphicsEffect>
#include <QCheckBox>
#include <QSignalSpy>
#include <QTest>

using namespace trevlamark;

class tst_GaugePanelView : public QObject
{
    Q_OBJECT
private slots:
    void initialConfiguration()
    {
        GaugePanelView panel;
        QCOMPARE(panel.queueDepth(), 4);
        QCOMPARE(panel.selectedFileSize(), ThroughputTestOptions::size1MB);
        QCOMPARE(panel.selectedBytesPerCycle(), BytesPerCycleOptions::size512MB);
        QCOMPARE(panel.customBytesValue(), quint64(1073741824));
        QCOMPARE(panel.totalCycles(), 1);
        QCOMPARE(panel.parameterTexts(), (QStringList{"512MB", "1", "4", "1MB"}));
        QCOMPARE(panel.bytesPerCycleMenu()->count(), 7);
        QCOMPARE(panel.cyclesMenu()->count(), 7);
        QCOMPARE(panel.queueDepthMenu()->count(), 6);
        QCOMPARE(panel.chunkSizeMenu()->count(), 11);
    }

    void menusEditTheConfiguration()
    {
        GaugePanelView panel;
        QSignalSpy depth(&panel, &GaugePanelView::queueDepthChanged);
        QSignalSpy cycles(&panel, &GaugePanelView::totalCyclesChanged);
        QSignalSpy chunk(&panel, &GaugePanelView::selectedFileSizeChanged);
        QSignalSpy bytes(&panel, &GaugePanelView::selectedBytesPerCycleChanged);
        emit panel.queueDepthMenu()->activated(panel.queueDepthMenu()->findText(QStringLiteral("16")));
        emit panel.cyclesMenu()->activated(panel.cyclesMenu()->findText(QStringLiteral("20")));
        emit panel.chunkSizeMenu()->activated(panel.chunkSizeMenu()->findText(QStringLiteral("64MB")));
        emit panel.bytesPerCycleMenu()->activated(panel.bytesPerCycleMenu()->findText(QStringLiteral("4GB")));
        QCOMPARE(panel.queueDepth(), 16);
        QCOMPARE(panel.totalCycles(), 20);
        QCOMPARE(panel.selectedFileSize(), ThroughputTestOptions::size64MB);
        QCOMPARE(panel.selectedBytesPerCycle(), BytesPerCycleOptions::size4GB);
        QCOMPARE(depth.size(), 1);
        QCOMPARE(cycles.size(), 1);
        QCOMPARE(chunk.size(), 1);
        QCOMPARE(bytes.size(), 1);
        QCOMPARE(panel.parameterTexts(), (QStringList{"4GB", "20", "16", "64MB"}));
    }

    void customChoiceGoesThroughThePopup()
    {
        GaugePanelView panel;
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QSignalSpy showing(&panel, &GaugePanelView::showingCustomBytesPopoverChanged);
        emit panel.bytesPerCycleMenu()->activated(panel.bytesPerCycleMenu()->findText(QStringLiteral("Custom")));
        QVERIFY(panel.isShowingCustomBytesPopover());
        QVERIFY(panel.customBytesPopover()->isVisible());
        // Nothing is chosen until OK.
        QCOMPARE(panel.selectedBytesPerCycle(), BytesPerCycleOptions::size512MB);
        QCOMPARE(panel.bytesPerCycleMenu()->currentText(), QStringLiteral("512MB"));

        panel.customBytesPopover()->setInputText(QStringLiteral("3"));
        panel.customBytesPopover()->setSelectedUnit(GaugeGeometry::ByteSizeUnit::GB);
        panel.customBytesPopover()->accept();
        QCOMPARE(panel.selectedBytesPerCycle(), BytesPerCycleOptions::custom);
        QCOMPARE(panel.customBytesValue(), quint64(3) * 1073741824);
        QVERIFY(!panel.isShowingCustomBytesPopover());
        QCOMPARE(showing.size(), 2);
        QCOMPARE(panel.parameterTexts().first(), GaugeGeometry::bytesCountText(quint64(3) * 1073741824));
    }

    void hoveringTurnsRowsIntoMenus()
    {
        GaugePanelView panel;
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QVERIFY(!panel.queueDepthMenu()->isVisible());
        panel.setHoveringControls(true);
        QVERIFY(panel.queueDepthMenu()->isVisible());
        // The menus fade in; the fade's effect is dropped once they are fully shown.
        QVERIFY(panel.queueDepthMenu()->parentWidget()->graphicsEffect());
        QTRY_VERIFY(!panel.queueDepthMenu()->parentWidget()->graphicsEffect());
        QVERIFY(panel.writeGauge()->phaseSwitch()->isVisible());
        panel.setHoveringControls(false);
        QVERIFY(!panel.queueDepthMenu()->isVisible());
        QVERIFY(!panel.writeGauge()->phaseSwitch()->isVisible());
    }

    void phaseSwitchesAndButtonColour()
    {
        GaugePanelView panel;
        const bool dark = ThemeColors::isDark(panel.palette());
        QCOMPARE(panel.startStopButton()->text(), QStringLiteral("Start"));
        QCOMPARE(panel.startStopButton()->fillColor(), ThemeColors::cool(dark));
        QSignalSpy write(&panel, &GaugePanelView::writePhaseEnabledChanged);
        panel.writeGauge()->phaseSwitch()->click();
        panel.readGauge()->phaseSwitch()->click();
        QVERIFY(!panel.writePhaseEnabled());
        QVERIFY(!panel.readPhaseEnabled());
        QCOMPARE(write.size(), 1);
        QCOMPARE(panel.startStopButton()->fillColor(), QColor(Qt::gray));
        panel.setReadPhaseEnabled(true);
        QVERIFY(panel.readGauge()->isPhaseEnabled());
        panel.setRunningTest(true);
        QCOMPARE(panel.startStopButton()->text(), QStringLiteral("Stop"));
        QCOMPARE(panel.startStopButton()->fillColor(), ThemeColors::warm(dark));
        panel.setStoppingTest(true);
        QCOMPARE(panel.startStopButton()->text(), QStringLiteral("Stopping"));
        QCOMPARE(panel.startStopButton()->fillColor(), QColor(Qt::gray));
    }

    void startStopSignal()
    {
        GaugePanelView panel;
        QSignalSpy spy(&panel, &GaugePanelView::startStopClicked);
        panel.startStopButton()->click();
        QCOMPARE(spy.size(), 1);
    }

    void elapsedTime()
    {
        GaugePanelView panel;
        panel.show();
        QVERIFY(!panel.isElapsedTimeShown());
        const int heightBefore = panel.height();
        panel.setTestRunTime(3599);
        QVERIFY(panel.isElapsedTimeShown());
        QCOMPARE(panel.elapsedTimeText(), QStringLiteral("59:59"));
        panel.setTestRunTime(3600);
        QCOMPARE(panel.elapsedTimeText(), QStringLiteral("01:00:00"));
        QCOMPARE(panel.height(), heightBefore);
    }

    void screenshots_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("hovering");
        QTest::newRow("idle") << false << false;
        QTest::newRow("running") << true << false;
        QTest::newRow("hovering") << false << true;
    }
    void screenshots()
    {
        QFETCH(bool, running);
        QFETCH(bool, hovering);
        GaugePanelView panel;
        panel.resize(760, panel.sizeHint().height());
        panel.setNetworkMaxSpeedMbps(10000);
        panel.setInterfaceMTU(9000);
        panel.setWriteValue(running ? 622 : 0);
        panel.setReadValue(running ? 0 : 0);
        panel.setRunningTest(running);
        panel.setTestRunTime(running ? 125 : 0);
        panel.setHoveringControls(hovering);
        if (hovering)
            panel.setReadPhaseEnabled(false);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QTRY_COMPARE(panel.writeGauge()->shownFraction(), panel.writeGauge()->targetFraction());
        QTRY_VERIFY(!panel.queueDepthMenu()->parentWidget()->graphicsEffect());
        testing::saveScreenshots(&panel, QStringLiteral("gaugepanelview-") + QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(panel.isRunningTest(), running);
    }
};

QTEST_MAIN(tst_GaugePanelView)
#include "tst_gaugepanelview.moc"
