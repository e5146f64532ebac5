#pragma once

#include <QString>
#include <optional>

namespace trevlamark {

// The link speed worked out for one interface, as the user is shown it.
struct SpeedInfo
{
    QString speed;     // "10 Gbps", "100 Mbps", "Wi-Fi", "Not Connected", or the port name
    QString rawSpeed;  // the whole link reading, or the speed it names
    std::optional<int> speedMbps;

    bool operator==(const SpeedInfo &) const = default;
};

} // namespace trevlamark
