#pragma once
// Learns about mounted network shares and the interfaces that reach them. Tool
// runs are bounded by time, interface lookups are serialised on one queue and
// their answers cached until the next volume change.

#include "discovery/commandresult.h"
#include "discovery/networkinterfaceinfo.h"
#include "discovery/networkshare.h"
#include "discovery/parsedinterfaceinfo.h"
#include "discovery/serialqueue.h"
#include "discovery/speedinfo.h"
#include "platform/discoverybackend.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace trevlamark {

// One entry of the interface picker.
struct InterfaceChoice
{
    QString id;    // device
    QString name;  // "port (device)"

    bool operator==(const InterfaceChoice &) const = default;
};

class ShareManager : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShareManager)
public:
    using Clock = std::function<QDateTime()>;

    explicit ShareManager(QObject *parent = nullptr);
    // A backend and a clock of the caller's choosing, for tests and other platforms.
    using BackendFactory = std::function<std::unique_ptr<DiscoveryBackend>(CommandRunner runner)>;
    ShareManager(const BackendFactory &backendFactory, Clock clock, QObject *parent = nullptr);
    ~ShareManager() override;

    static CommandResult runCommand(const QString &path, const QStringList &arguments,
                                    const std::optional<QString> &successMessage,
                                    const std::optional<QString> &errorMessage, bool includeOutputOnFailure,
                                    double timeoutSeconds);

    void clearNetworkCaches();

    QList<NetworkShare> detectMountedShares();
    static std::optional<NetworkShare> parseRemountURL(const QString &url, const QString &mountPath);

    std::optional<QString> getInterfaceForHost(const QString &host);
    QString getDefaultRouteInterface();
    QList<InterfaceChoice> listAvailableInterfaces();
    QStringList allInterfaceNames();
    QString getHardwarePortName(const QString &device);
    std::optional<ParsedInterfaceInfo> checkInterfaceProperties(const QString &device);
    std::optional<SpeedInfo> parseNetworkInterfaceSpeed(const QString &device);
    // Meant to run on the serial queue; see interfaceInfo().
    NetworkInterfaceInfo getNetworkInterfaceInfo(const QString &device);

    // The lookups submitted synchronously to the serial queue, as every caller does.
    NetworkInterfaceInfo interfaceInfo(const QString &device);
    std::optional<QString> interfaceForHost(const QString &host);

    // The decision table that turns a media reading into a speed.
    static SpeedInfo speedInfoFromMedia(const QString &port, bool isWifi, const QString &output, const QString &active,
                                        const std::optional<std::pair<QString, int>> &convertedSpeed);
    static bool isWifiPort(const QString &port);

    SerialQueue &serialQueue() { return m_serialQueue; }
    QString logsDir() const { return m_logsDir; }
    bool isInSyncOperation() const { return m_isInSyncOperation.load(); }

    static constexpr double commandTimeoutSeconds = 3.0;
    static constexpr qint64 hardwarePortsCacheLifetimeSeconds = 300;
    static constexpr qint64 hostInterfaceCacheLifetimeSeconds = 300;

private:
    CommandResult runTool(const QString &path, const QStringList &arguments, const QString &errorMessage);
    bool isHardwarePortsCacheFresh();
    // Lists the hardware ports into the cache; false (cache kept) when the listing fails.
    bool refreshHardwarePorts();
    QString lookUpHardwarePort(const QString &device);

    // Guards the caches: the queue and the caller's thread both reach them.
    std::mutex m_cacheMutex;
    QHash<QString, NetworkInterfaceInfo> m_cachedInterfaces;
    QHash<QString, QString> m_interfaceTypeCache;
    std::optional<QDateTime> m_hardwarePortsTimestamp;
    std::atomic<bool> m_isInSyncOperation = false;
    QHash<QString, QString> m_hostInterfaceCache;
    std::optional<QDateTime> m_hostInterfaceCacheTimestamp;
    Clock m_clock;
    std::unique_ptr<DiscoveryBackend> m_backend;
    QString m_logsDir;
    // Last, so that its worker is joined before anything the queued work uses goes away.
    SerialQueue m_serialQueue;
};

} // namespace trevlamark
