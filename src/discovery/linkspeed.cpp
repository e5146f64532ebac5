#include "discovery/linkspeed.h"

namespace trevlamark {

SpeedInfo LinkSpeed::describe(const QString &port, bool isWifi, const InterfaceFacts &facts)
{
    if (facts.isLinkDown() && isWifi)
        return {QStringLiteral("Wi-Fi (Disconnected)"), readingText(facts), std::nullopt};
    if (facts.isLinkDown())
        return {QStringLiteral("Not Connected"), readingText(facts), std::nullopt};
    if (isWifi)
        return {QStringLiteral("Wi-Fi"), readingText(facts), std::nullopt};
    if (facts.speedMbps && *facts.speedMbps > 0)
        return {text(*facts.speedMbps), QStringLiteral("%1 Mbps").arg(*facts.speedMbps), facts.speedMbps};
    return {port, QStringLiteral("unknown"), std::nullopt};
}

QString LinkSpeed::readingText(const InterfaceFacts &facts)
{
    return QStringLiteral("operstate: ") + InterfaceFacts::operStateText(facts.operState) + QStringLiteral("\nspeed: ")
        + (facts.speedMbps ? QString::number(*facts.speedMbps) : QStringLiteral("unknown"));
}

QString LinkSpeed::text(int megabitsPerSecond)
{
    if (megabitsPerSecond < 1000)
        return QStringLiteral("%1 Mbps").arg(megabitsPerSecond);
    if (megabitsPerSecond % 1000 == 0)
        return QStringLiteral("%1 Gbps").arg(megabitsPerSecond / 1000);
    return QString::asprintf("%.1f Gbps", megabitsPerSecond / 1000.0);
}

QString LinkSpeed::portName(NetworkDevice::Kind kind)
{
    switch (kind) {
    case NetworkDevice::Kind::ethernet: return QStringLiteral("Ethernet");
    case NetworkDevice::Kind::wifi: return QStringLiteral("Wi-Fi");
    case NetworkDevice::Kind::loopback: return QStringLiteral("Loopback");
    case NetworkDevice::Kind::bridge: return QStringLiteral("Bridge");
    case NetworkDevice::Kind::vlan: return QStringLiteral("VLAN");
    case NetworkDevice::Kind::bond: return QStringLiteral("Bond");
    case NetworkDevice::Kind::vpn: return QStringLiteral("VPN");
    case NetworkDevice::Kind::virtualDevice: return QStringLiteral("Virtual");
    }
    return QStringLiteral("Unknown");
}

} // namespace trevlamark
