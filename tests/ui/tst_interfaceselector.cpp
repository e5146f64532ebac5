#include "ui/interfaceselector.h"

#include <QMenu>
#include <QSignalSpy>
#include <QStyle>
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

    void textKeepsClearOfTheMenuArrow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("short") << QStringLiteral("Wi-Fi");
        QTest::newRow("long") << QStringLiteral("Thunderbolt Ethernet Adapter");
    }
    void textKeepsClearOfTheMenuArrow()
    {
        QFETCH(QString, name);
        InterfaceSelector selector;
        selector.setAvailableInterfaces({{"eth0", name}});
        selector.setSelectedInterface(QStringLiteral("eth0"));
        QCOMPARE(selector.text(), name);
        // The text is centred; its right end must stay left of the arrow in the corner.
        const int width = selector.sizeHint().width();
        const int arrowWidth = selector.style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, &selector);
        const int textRight = (width + selector.fontMetrics().horizontalAdvance(name)) / 2;
        QVERIFY2(textRight <= width - arrowWidth, qPrintable(QStringLiteral("%1 > %2").arg(textRight).arg(width - arrowWidth)));
    }
};

QTEST_MAIN(tst_InterfaceSelector)
#include "tst_interfaceselector.moc"
