#pragma once
// The Linux answers to the share manager's questions: volumes from the mount
// table, routes from `ip route`, interface facts from /sys/class/net.

#include "platform/discoverybackend.h"
#include "platform/mountentry.h"

namespace trevlamark {

class LinuxDiscoveryBackend : public DiscoveryBackend
{
public:
    explicit LinuxDiscoveryBackend(CommandRunner runner, QString netClassDirectory = QStringLiteral("/sys/class/net"));

    std::optional<QList<MountedVolume>> mountedVolumes() override;
    std::optional<QString> routeInterface(const QString &host) override;
    std::optional<QString> defaultRouteInterface() override;
    QString fallbackDefaultInterface() override;
    std::optional<QList<QPair<QString, QString>>> hardwarePorts() override;
    bool isPickerInterface(const QString &device) override;
    QStringList interfaceNames() override;
    std::optional<ParsedInterfaceInfo> interfaceProperties(const QString &device) override;
    std::optional<MediaReading> media(const QString &device) override;
    std::optional<std::pair<QString, int>> speedFromActiveMedia(const QString &active) override;

    // The device after " dev " in the first route line that has one.
    static std::optional<QString> parseRouteDevice(const QString &output);
    // 1000 -> "1 Gbps", 2500 -> "2.5 Gbps", 100 -> "100 Mbps".
    static QString speedText(int megabitsPerSecond);
    // "Wi-Fi", "Loopback", "Bridge", "Ethernet" or "Virtual" from the device's sysfs facts.
    static QString portName(const QString &device, bool isWireless, bool isBridge, int deviceType, bool hasBackingDevice);
    // The other platform's virtual name prefixes plus Linux's virtual device families.
    static bool hasVirtualName(const QString &device);
    // Volumes of one table entry: smbnetfs and GVfs trees expand to one per remote folder.
    static QList<MountedVolume> volumesOf(const MountEntry &entry, const QStringList &childFolders,
                                          const std::function<QStringList(const QString &)> &listFolders);

    // How long the listing of a share tree may take before it is left out.
    static constexpr int listWaitSeconds = 3;
    static constexpr unsigned pointToPointFlag = 0x10;
    static constexpr unsigned upFlag = 0x1;

private:
    QString deviceDirectory(const QString &device) const;
    std::optional<QString> readAttribute(const QString &device, const QString &attribute) const;
    bool hasEntry(const QString &device, const QString &entry) const;
    static QString ipTool();

    CommandRunner m_runner;
    QString m_netClassDirectory;
};

} // namespace trevlamark
