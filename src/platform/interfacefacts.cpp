#include "platform/interfacefacts.h"

#include <array>
#include <utility>

namespace trevlamark {

namespace {
constexpr std::array<std::pair<InterfaceFacts::OperState, const char *>, 7> operStateNames = {{
    {InterfaceFacts::OperState::unknown, "unknown"},
    {InterfaceFacts::OperState::notPresent, "notpresent"},
    {InterfaceFacts::OperState::down, "down"},
    {InterfaceFacts::OperState::lowerLayerDown, "lowerlayerdown"},
    {InterfaceFacts::OperState::testing, "testing"},
    {InterfaceFacts::OperState::dormant, "dormant"},
    {InterfaceFacts::OperState::up, "up"},
}};
} // namespace

bool InterfaceFacts::isVirtual() const
{
    return !hasHardware && !(isOverHardware && speedMbps && *speedMbps > 0);
}

bool InterfaceFacts::isLinkDown() const
{
    return operState == OperState::down || operState == OperState::lowerLayerDown
        || operState == OperState::notPresent;
}

bool InterfaceFacts::hasVirtualName(const QString &device)
{
    for (const char *prefix : {"tun", "tap", "ppp", "ipsec", "vpn", "virt", "bridge", "veth", "wg", "docker", "virbr",
                               "br-", "vxlan"}) {
        if (device.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

InterfaceFacts::OperState InterfaceFacts::operStateFromText(const QString &text)
{
    for (const auto &[state, name] : operStateNames) {
        if (text == QLatin1String(name))
            return state;
    }
    return OperState::unknown;
}

QString InterfaceFacts::operStateText(OperState state)
{
    for (const auto &[candidate, name] : operStateNames) {
        if (candidate == state)
            return QLatin1String(name);
    }
    return QStringLiteral("unknown");
}

} // namespace trevlamark
