#include "ui/interfaceinfopopover.h"

#include <QLabel>
#include <QTest>

using namespace trevlamark;
using Rows = QList<QPair<QString, QString>>;

class tst_InterfaceInfoPopover : public QObject
{
    Q_OBJECT
private slots:
    void rows_data()
    {
        QTest::addColumn<bool>("withMtu");
        QTest::addColumn<bool>("withSpeed");
        QTest::addColumn<Rows>("rows");
        QTest::newRow("everything") << true << true
                                    << Rows{{"Name", "Ethernet"}, {"Is Virtual", "No"}, {"Is WiFi", "Yes"},
                                            {"MTU", "1500 bytes"}, {"Speed Info", "Wi-Fi"}};
        QTest::newRow("unknown MTU and speed") << false << false
                                               << Rows{{"Name", "Ethernet"}, {"Is Virtual", "No"}, {"Is WiFi", "Yes"}};
    }
    void rows()
    {
        QFETCH(bool, withMtu);
        QFETCH(bool, withSpeed);
        QFETCH(Rows, rows);
        NetworkInterfaceInfo info;
        info.interfaceID = QStringLiteral("wlan0");
        info.name = QStringLiteral("Ethernet");
        info.isWifi = true;
        if (withMtu)
            info.mtu = 1500;
        if (withSpeed)
            info.speed = QStringLiteral("Wi-Fi");
        InterfaceInfoPopover popover;
        popover.setInterfaceID(info.interfaceID);
        popover.setInterfaceInfo(info);
        QCOMPARE(popover.rows(), rows);
        QCOMPARE(popover.title(), QStringLiteral("Network Interface Details for wlan0"));
    }

    void loadingUntilTheRecordArrives()
    {
        InterfaceInfoPopover popover;
        popover.setWindowFlags(Qt::Widget);
        popover.show();
        const auto loading = [&] {
            for (QLabel *label : popover.findChildren<QLabel *>()) {
                if (label->text() == QLatin1String("Loading interface information...") && label->isVisible())
                    return true;
            }
            return false;
        };
        QVERIFY(loading());
        popover.setInterfaceInfo(NetworkInterfaceInfo{});
        QVERIFY(!loading());
        QCOMPARE(popover.rows().size(), 3);
    }
};

QTEST_MAIN(tst_InterfaceInfoPopover)
#include "tst_interfaceinfopopover.moc"
