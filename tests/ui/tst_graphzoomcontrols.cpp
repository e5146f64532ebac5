#include "ui/graphzoomcontrols.h"

#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace trevlamark;

class tst_GraphZoomControls : public QObject
{
    Q_OBJECT
private slots:
    void steps_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<bool>("zoomIn");
        QTest::addColumn<double>("result");
        QTest::addColumn<QString>("text");
        QTest::newRow("in from 6 s") << 6.0 << true << 5.0 << "5s";
        QTest::newRow("out from 3000 s") << 3000.0 << false << 3600.0 << "3600s";
        QTest::newRow("in from 60 s") << 60.0 << true << 40.0 << "40s";
    }
    void steps()
    {
        QFETCH(double, start);
        QFETCH(bool, zoomIn);
        QFETCH(double, result);
        QFETCH(QString, text);
        GraphZoomControls controls;
        controls.setTimeWindow(start);
        QSignalSpy spy(&controls, &GraphZoomControls::timeWindowChanged);
        (zoomIn ? controls.zoomInButton() : controls.zoomOutButton())->click();
        QCOMPARE(controls.timeWindow(), result);
        QCOMPARE(controls.windowText(), text);
        QCOMPARE(spy.size(), 1);
    }

    void buttonsDisableAtTheLimits()
    {
        GraphZoomControls controls;
        controls.setTimeWindow(5);
        QVERIFY(!controls.zoomInButton()->isEnabled());
        QVERIFY(controls.zoomOutButton()->isEnabled());
        controls.setTimeWindow(3600);
        QVERIFY(controls.zoomInButton()->isEnabled());
        QVERIFY(!controls.zoomOutButton()->isEnabled());
        QCOMPARE(controls.zoomInButton()->toolTip(), QStringLiteral("Zoom in"));
        QCOMPARE(controls.zoomOutButton()->toolTip(), QStringLiteral("Zoom out"));
    }
};

QTEST_MAIN(tst_GraphZoomControls)
#include "tst_graphzoomcontrols.moc"
