#pragma once

#include <QString>
#include <optional>

namespace trevlamark {

// The link speed worked out for one interface from its media reading.
struct SpeedInfo
{
    QString speed;     // "10 Gbps", "100 Mbps", "Wi-Fi", "Not Connected", or the port name
    QString rawSpeed;  // the whole media reading, or the active media value
    std::optional<int> speedMbps;
    QString hardwarePort;
    bool isWifi = false;

    bool operator==(const SpeedInfo &) const = default;
};

} // namespace trevlamark
