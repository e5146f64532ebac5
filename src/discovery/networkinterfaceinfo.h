#pragma once

#include <QJsonObject>
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

    // Keys spelled as the fields; absent optionals are left out.
    QJsonObject toJson() const;
    // Nothing when a required key is missing or has the wrong type.
    static std::optional<NetworkInterfaceInfo> fromJson(const QJsonObject &object);

    bool operator==(const NetworkInterfaceInfo &) const = default;
};

} // namespace trevlamark
