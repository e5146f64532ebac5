#include "ui/appviewmodel.h"

#include <QSignalSpy>
#include <QTest>

using namespace trevlamark;

class tst_AppViewModel : public QObject
{
    Q_OBJECT

private slots:
    void navigateSetsLocationThenParametersThenView()
    {
        AppViewModel model;
        QStringList order;
        connect(&model, &AppViewModel::selectedLocationChanged, this, [&] { order.append(QStringLiteral("location")); });
        connect(&model, &AppViewModel::testParametersChanged, this, [&] {
            QCOMPARE(model.selectedLocation(), QStringLiteral("/mnt/share"));
            order.append(QStringLiteral("parameters"));
        });
        connect(&model, &AppViewModel::currentViewChanged, this, [&] {
            QVERIFY(model.testParameters().has_value());
            order.append(QStringLiteral("view"));
        });
        NetworkInterfaceInfo info;
        info.interfaceID = QStringLiteral("eth0");
        model.navigateToPerformanceTest(QStringLiteral("/mnt/share"), true, std::nullopt, info, nullptr);
        QCOMPARE(order, (QStringList{QStringLiteral("location"), QStringLiteral("parameters"), QStringLiteral("view")}));
        QCOMPARE(model.currentView(), AppView::performanceTest);
        QCOMPARE(model.testParameters()->selectedLocation, QStringLiteral("/mnt/share"));
        QVERIFY(model.testParameters()->isNetworkLocation);
        QCOMPARE(model.testParameters()->networkInterfaceInfo->interfaceID, QStringLiteral("eth0"));
    }

    void closingKeepsTheParameters()
    {
        AppViewModel model;
        QCOMPARE(model.currentView(), AppView::main);
        QVERIFY(!model.testParameters());
        model.navigateToPerformanceTest(QStringLiteral("/tmp/x"), false, std::nullopt, std::nullopt, nullptr);
        model.navigateToMain();
        QCOMPARE(model.currentView(), AppView::main);
        QCOMPARE(model.testParameters()->selectedLocation, QStringLiteral("/tmp/x"));
    }
};

QTEST_GUILESS_MAIN(tst_AppViewModel)
#include "tst_appviewmodel.moc"
