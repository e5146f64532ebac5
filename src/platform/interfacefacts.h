#pragma once

#include <QString>
#include <optional>

namespace trevlamark {

// What the kernel tells about one network interface (/sys/class/net/<device>).
struct InterfaceFacts
{
    // The kernel's operational states (IF_OPER_*), as sysfs spells them.
    enum class OperState { unknown, notPresent, down, lowerLayerDown, testing, dormant, up };

    QString device;
    unsigned flags = 0;  // IFF_* bits
    bool hasHardware = false;  // a port of its own (the "device" link)
    bool isOverHardware = false;  // stacked on devices that have one (a VLAN, a bond)
    std::optional<int> mtu;
    std::optional<QString> hardwareAddress;
    OperState operState = OperState::unknown;
    // As the driver reports it: -1 (or nothing) when it does not know.
    std::optional<int> speedMbps;

    // Without a link speed of its own: neither a port nor a stacked device that
    // reports the speed of the ports below it. The constant some software
    // devices report (veth 10000, tun 10) comes from no link.
    bool isVirtual() const;
    // No carrier of its own: down, its lower layer down, or not present.
    bool isLinkDown() const;

    // Named like one of Linux's virtual device families.
    static bool hasVirtualName(const QString &device);
    static OperState operStateFromText(const QString &text);
    static QString operStateText(OperState state);

    static constexpr unsigned upFlag = 0x1;
    static constexpr unsigned pointToPointFlag = 0x10;

    bool operator==(const InterfaceFacts &) const = default;
};

} // namespace trevlamark
