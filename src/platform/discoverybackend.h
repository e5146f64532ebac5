#pragma once
// What the share manager needs from the platform: the mounted volumes and the
// facts about network interfaces. Linux answers from /proc, /sys and `ip`;
// another platform would answer from its own tools (see NetworkToolText).

#include "discovery/commandresult.h"
#include "discovery/parsedinterfaceinfo.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

namespace trevlamark {

struct MountedVolume
{
    QString path;
    bool isLocal = true;
    std::optional<QString> remountUrl;
};

// The media state of one interface: the whole reading and its active value.
struct MediaReading
{
    QString output;
    QString active;
};

// Runs one platform tool under the share manager's time limit.
using CommandRunner =
    std::function<CommandResult(const QString &path, const QStringList &arguments, const QString &errorMessage)>;

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

    // (device, hardware port name) in listing order; nothing when the listing fails.
    virtual std::optional<QList<QPair<QString, QString>>> hardwarePorts() = 0;
    // Devices that the interface picker offers.
    virtual bool isPickerInterface(const QString &device) = 0;
    virtual QStringList interfaceNames() = 0;

    virtual std::optional<ParsedInterfaceInfo> interfaceProperties(const QString &device) = 0;
    virtual std::optional<MediaReading> media(const QString &device) = 0;
    // (speed text, megabits per second) for an active media value, when it names a speed.
    virtual std::optional<std::pair<QString, int>> speedFromActiveMedia(const QString &active) = 0;
};

} // namespace trevlamark
