#pragma once
// Turns the kernel's facts about a link into the speed the user is shown.

#include "discovery/speedinfo.h"
#include "platform/interfacefacts.h"
#include "platform/networkdevice.h"

#include <QString>

namespace trevlamark {

class LinkSpeed
{
public:
    LinkSpeed() = delete;

    // The decision table: a down link, Wi-Fi, a known speed, or the port name.
    static SpeedInfo describe(const QString &port, bool isWifi, const InterfaceFacts &facts);
    // The link reading as shown in the raw speed: "operstate: up\nspeed: 1000".
    static QString readingText(const InterfaceFacts &facts);
    // 1000 -> "1 Gbps", 2500 -> "2.5 Gbps", 100 -> "100 Mbps".
    static QString text(int megabitsPerSecond);
    // "Ethernet", "Wi-Fi", "Loopback", "Bridge", "VLAN", "Bond", "VPN" or "Virtual".
    static QString portName(NetworkDevice::Kind kind);
};

} // namespace trevlamark
