#pragma once

#include <QString>
#include <optional>

namespace trevlamark {

// The properties of one network interface as shown to the user.
struct NetworkInterfaceInfo
{
    QString interfaceID;           // device name, e.g. "eth0"
    QString name;                  // hardware port name, or "Unknown"
    bool isVirtual = false;
    std::optional<QString> speed;  // "10 Gbps", "100 Mbps", "Wi-Fi", "Not Connected", ...
    std::optional<QString> rawSpeed;
    bool isWifi = false;
    std::optional<int> speedMbps;  // megabits per second
    std::optional<int> mtu;        // bytes

    bool operator==(const NetworkInterfaceInfo &) const = default;
};

} // namespace trevlamark
