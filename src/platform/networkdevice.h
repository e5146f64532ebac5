#pragma once

#include <QString>

namespace trevlamark {

// One network device and what kind of device it is, from its sysfs entries.
struct NetworkDevice
{
    // vpn: a layer-3 tunnel (tun, WireGuard, PPP); virtualDevice: any other
    // software device (veth, tap, dummy, macvlan, vxlan).
    enum class Kind { ethernet, wifi, loopback, bridge, vlan, bond, vpn, virtualDevice };

    QString name;
    Kind kind = Kind::virtualDevice;

    bool operator==(const NetworkDevice &) const = default;
};

} // namespace trevlamark
