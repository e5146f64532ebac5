#pragma once
// The Linux answers to the share manager's questions: volumes from the mount
// table, routes from `ip route`, interface facts from /sys/class/net.

#include "platform/commandresult.h"
#include "platform/discoverybackend.h"
#include "platform/mountentry.h"

#include <QStringList>
#include <functional>

namespace trevlamark {

// Runs one system tool under the backend's time limit.
using CommandRunner =
    std::function<CommandResult(const QString &path, const QStringList &arguments, const QString &errorMessage)>;

class LinuxDiscoveryBackend : public DiscoveryBackend
{
public:
    explicit LinuxDiscoveryBackend(CommandRunner runner = runTool,
                                   QString netClassDirectory = QStringLiteral("/sys/class/net"));

    std::optional<QList<MountedVolume>> mountedVolumes() override;
    std::optional<QString> routeInterface(const QString &host) override;
    std::optional<QString> defaultRouteInterface() override;
    QString fallbackDefaultInterface() override;
    std::optional<QList<NetworkDevice>> devices() override;
    QStringList interfaceNames() override;
    std::optional<InterfaceFacts> interfaceFacts(const QString &device) override;

    // The device after " dev " in the first route line that has one.
    static std::optional<QString> parseRouteDevice(const QString &output);
    // Volumes of one table entry: smbnetfs and GVfs trees expand to one per remote folder.
    static QList<MountedVolume> volumesOf(const MountEntry &entry, const QStringList &childFolders,
                                          const std::function<QStringList(const QString &)> &listFolders);
    // The tool runner every backend made without one of its own uses.
    static CommandResult runTool(const QString &path, const QStringList &arguments, const QString &errorMessage);

    // How long the listing of a share tree may take before it is left out.
    static constexpr int listWaitSeconds = 3;
    static constexpr double toolWaitSeconds = 3.0;

private:
    QString deviceDirectory(const QString &device) const;
    std::optional<QString> readAttribute(const QString &device, const QString &attribute) const;
    std::optional<int> readNumber(const QString &device, const QString &attribute, int base = 10) const;
    bool hasEntry(const QString &device, const QString &entry) const;
    NetworkDevice::Kind kindOf(const QString &device) const;
    // A value of the device's uevent file, such as DEVTYPE ("vlan", "wireguard").
    QString ueventValue(const QString &device, const QString &key) const;
    // Whether a device below it (lower_* links, followed down) has hardware.
    bool isOverHardware(const QString &device, int depth = 0) const;
    static QString ipTool();

    CommandRunner m_runner;
    QString m_netClassDirectory;
};

} // namespace trevlamark
