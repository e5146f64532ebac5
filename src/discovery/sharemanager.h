#pragma once
// Learns about mounted network shares and the interfaces that reach them.
// Interface lookups are serialised on one queue and their answers cached
// until the next volume change.

#include "discovery/interfacechoice.h"
#include "discovery/networkinterfaceinfo.h"
#include "discovery/networkshare.h"
#include "discovery/serialqueue.h"
#include "discovery/shareroute.h"
#include "platform/mountentry.h"
#include "platform/discoverybackend.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace trevlamark {

class ShareManager : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShareManager)
public:
    using Clock = std::function<QDateTime()>;

    explicit ShareManager(QObject *parent = nullptr);
    // A backend and a clock of the caller's choosing, for tests.
    ShareManager(std::unique_ptr<DiscoveryBackend> backend, Clock clock, QObject *parent = nullptr);
    ~ShareManager() override;

    void clearNetworkCaches();

    QList<NetworkShare> detectMountedShares();
    // The innermost of the shares whose mount point holds path (by whole
    // components), so a share mounted inside another one is found as itself.
    static std::optional<NetworkShare> shareFor(const QList<NetworkShare> &shares, const QString &path);
    // shareFor's share with the interface found for it when it was detected.
    static ShareRoute routeFor(const QList<NetworkShare> &shares, const QString &path);
    // The same among the shares mounted now; nothing when the mount that holds
    // path is local (a local file system mounted inside a share). Reads the
    // mount table only: a call on the path itself could block for good on a
    // share whose server stopped answering.
    ShareRoute routeFor(const QString &path);
    // Why a test on location cannot go to share, chosen earlier, any more:
    // the mount that holds location now is not the share's network mount
    // (unmounted, the location is a folder of the local disk). Nothing for a
    // share that was not detected as mounted (a plain folder). Reads the
    // mount table only, for the same reason as above.
    static std::optional<QString> mountProblem(const QList<MountEntry> &table, const NetworkShare &share,
        const QString &location);
    static std::optional<NetworkShare> parseRemountURL(const QString &url, const QString &mountPath);

    QString getDefaultRouteInterface();
    // Every device but loopback, named "kind (device)", in device order.
    QList<InterfaceChoice> listAvailableInterfaces();
    QStringList allInterfaceNames();

    // The lookups submitted synchronously to the serial queue, as every caller does.
    NetworkInterfaceInfo interfaceInfo(const QString &device);
    std::optional<QString> interfaceForHost(const QString &host);

    static constexpr qint64 hardwarePortsCacheLifetimeSeconds = 300;
    static constexpr qint64 hostInterfaceCacheLifetimeSeconds = 300;

private:
    std::optional<QString> getInterfaceForHost(const QString &host);
    NetworkInterfaceInfo getNetworkInterfaceInfo(const QString &device);
    bool isHardwarePortsCacheFresh();
    // Lists the devices into the cache; false (cache kept) when the listing fails.
    bool refreshHardwarePorts();
    // The device's port name, or "Unknown" when it is not listed.
    QString hardwarePortName(const QString &device);

    // Guards the caches: the queue and the caller's thread both reach them.
    std::mutex m_cacheMutex;
    QHash<QString, NetworkInterfaceInfo> m_cachedInterfaces;
    QHash<QString, NetworkDevice> m_deviceCache;
    std::optional<QDateTime> m_hardwarePortsTimestamp;
    QHash<QString, QString> m_hostInterfaceCache;
    std::optional<QDateTime> m_hostInterfaceCacheTimestamp;
    Clock m_clock;
    std::unique_ptr<DiscoveryBackend> m_backend;
    // Last, so that its worker is joined before anything the queued work uses goes away.
    SerialQueue m_serialQueue;
};

} // namespace trevlamark
