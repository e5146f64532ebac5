#pragma once
// What the share manager needs from the system: the mounted volumes, routes,
// and the facts about network interfaces.

#include "platform/interfacefacts.h"
#include "platform/mountedvolume.h"
#include "platform/networkdevice.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace trevlamark {

class DiscoveryBackend
{
public:
    virtual ~DiscoveryBackend() = default;

    // Every mounted volume in table order; nothing when the list cannot be had.
    virtual std::optional<QList<MountedVolume>> mountedVolumes() = 0;

    virtual std::optional<QString> routeInterface(const QString &host) = 0;
    virtual std::optional<QString> defaultRouteInterface() = 0;
    // The device to use when no default route is known.
    virtual QString fallbackDefaultInterface() = 0;

    // Every network device in name order; nothing when they cannot be listed.
    virtual std::optional<QList<NetworkDevice>> devices() = 0;
    virtual QStringList interfaceNames() = 0;
    // Nothing when there is no such device.
    virtual std::optional<InterfaceFacts> interfaceFacts(const QString &device) = 0;
};

} // namespace trevlamark
