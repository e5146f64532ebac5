#include "ui/interfaceselector.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace trevlamark;

class tst_InterfaceSelector : public QObject
{
    Q_OBJECT
private slots:
    void labelAndChoice()
    {
        InterfaceSelector selector;
        QCOMPARE(selector.text(), QStringLiteral("Select Interface"));
        selector.setAvailableInterfaces({{"eth0", "Ethernet"}, {"wlan0", "Wi-Fi"}});
        QCOMPARE(selector.menu()->actions().size(), 2);
        QSignalSpy spy(&selector, &InterfaceSelector::selectedInterfaceChanged);
        selector.menu()->actions().at(1)->trigger();
        QCOMPARE(selector.selectedInterface(), QStringLiteral("wlan0"));
        QCOMPARE(selector.text(), QStringLiteral("Wi-Fi"));
        QCOMPARE(spy.size(), 1);
        QVERIFY(selector.menu()->actions().at(1)->isChecked());
        selector.setSelectedInterface(QStringLiteral("tun0"));
        QCOMPARE(selector.text(), QStringLiteral("Virtual: tun0"));
    }
};

QTEST_MAIN(tst_InterfaceSelector)
#include "tst_interfaceselector.moc"
