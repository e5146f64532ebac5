#pragma once

#include <QString>

namespace trevlamark {

// One network device and what kind of device it is, from its sysfs entries.
struct NetworkDevice
{
    enum class Kind { ethernet, wifi, loopback, bridge, virtualDevice };

    QString name;
    Kind kind = Kind::virtualDevice;
    // Backed by hardware (it has a "device" link): the interface picker offers it.
    bool hasBackingDevice = false;

    bool operator==(const NetworkDevice &) const = default;
};

} // namespace trevlamark
