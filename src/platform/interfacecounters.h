#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace trevlamark {

// The cumulative byte counters of one network device (/sys/class/net/<dev>/statistics),
// 64-bit: they go back only when the device is recreated.
struct InterfaceCounters
{
    quint64 bytesIn = 0;
    quint64 bytesOut = 0;

    // Zeros for a device that does not exist; nothing when its counters cannot be read.
    static std::optional<InterfaceCounters> read(const QString &device,
                                                 const QString &netClassDirectory = QStringLiteral("/sys/class/net"));

    bool operator==(const InterfaceCounters &) const = default;
};

} // namespace trevlamark
