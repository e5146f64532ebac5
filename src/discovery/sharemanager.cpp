#include "discovery/sharemanager.h"

#include "platform/logcategories.h"
#include "discovery/linkspeed.h"
#include "platform/linuxdiscoverybackend.h"
#include "platform/mountinfo.h"

#include <QDir>
#include <QUrl>
#include <QUuid>
#include <algorithm>

namespace trevlamark {

namespace {

// Doubles printed the way the detail block shows them: "125.0", "12.5".
QString decimalText(double value)
{
    QString text = QString::number(value, 'g', 15);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

ShareManager::ShareManager(QObject *parent)
    : ShareManager(std::make_unique<LinuxDiscoveryBackend>(), [] { return QDateTime::currentDateTimeUtc(); }, parent)
{
}

ShareManager::ShareManager(std::unique_ptr<DiscoveryBackend> backend, Clock clock, QObject *parent)
    : QObject(parent)
    , m_clock(std::move(clock))
    , m_backend(std::move(backend))
{
    qCDebug(lcDiscovery).noquote() << QStringLiteral("ShareManager: Initialization started");
    qCDebug(lcDiscovery).noquote() << QStringLiteral("ShareManager: Initialization completed");
}

ShareManager::~ShareManager()
{
    {
        std::lock_guard lock(m_cacheMutex);
        m_cachedInterfaces.clear();
    }
    qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager shutting down");
}

void ShareManager::clearNetworkCaches()
{
    qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Clearing network caches due to volume change");
    std::lock_guard lock(m_cacheMutex);
    m_deviceCache.clear();
    m_hostInterfaceCache.clear();
    m_hostInterfaceCacheTimestamp.reset();
    m_hardwarePortsTimestamp.reset();
    m_cachedInterfaces.clear();
}

QList<NetworkShare> ShareManager::detectMountedShares()
{
    qCDebug(lcDiscovery).noquote() << QStringLiteral("ShareManager: detectMountedShares started");
    const QList<MountedVolume> volumes = m_backend->mountedVolumes().value_or(QList<MountedVolume>());
    qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Found %1 total mounted volumes").arg(volumes.size());
    QList<NetworkShare> shares;
    std::optional<int> linkCount;
    for (const MountedVolume &volume : volumes) {
        if (volume.isLocal)
            continue;
        qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Processing network volume: ") + volume.path;
        if (!volume.remountUrl) {
            qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: No remount URL for network volume: ")
                                           + volume.path;
            continue;
        }
        qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Remount URL: ") + *volume.remountUrl;
        std::optional<NetworkShare> share = parseRemountURL(*volume.remountUrl, volume.path);
        if (!share)
            continue;
        if (!volume.mount.filesystemType.isEmpty()) {
            if (!linkCount)
                linkCount = MountSettings::upLinkCount(*m_backend);
            share->mountSettings = MountSettings::fromEntry(volume.mount, *linkCount);
        }
        const std::optional<QString> device = interfaceForHost(share->hostname);
        if (device) {
            share->interfaceID = device;
            share->cachedInterfaceInfo = interfaceInfo(*device);
        }
        shares.append(*share);
        qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Added network share: %1/%2")
                                       .arg(share->hostname, share->shareName);
    }
    qCDebug(lcDiscovery).noquote() << QStringLiteral("ShareManager: detectMountedShares completed with %1 shares")
                                      .arg(shares.size());
    return shares;
}

std::optional<NetworkShare> ShareManager::shareFor(const QList<NetworkShare> &shares, const QString &path)
{
    std::optional<NetworkShare> innermost;
    for (const NetworkShare &share : shares) {
        if (NetworkShare::isInside(path, share.mountPath)
            && (!innermost || QDir::cleanPath(share.mountPath).size() > QDir::cleanPath(innermost->mountPath).size()))
            innermost = share;
    }
    return innermost;
}

ShareRoute ShareManager::routeFor(const QList<NetworkShare> &shares, const QString &path)
{
    ShareRoute route{shareFor(shares, path), std::nullopt};
    if (route.share)
        route.link = route.share->cachedInterfaceInfo;
    return route;
}

ShareRoute ShareManager::routeFor(const QString &path)
{
    const std::optional<QList<MountEntry>> table = MountInfo::readTable();
    const std::optional<MountEntry> mount = table ? MountInfo::mountContaining(*table, path) : std::nullopt;
    if (!mount || !MountInfo::isRemoteLocation(*mount, path))
        return {};
    return routeFor(detectMountedShares(), path);
}

std::optional<QString> ShareManager::mountProblem(const QList<MountEntry> &table, const NetworkShare &share,
    const QString &location)
{
    if (!share.isDetected || share.mountPath.isEmpty())
        return std::nullopt;
    const QString path = QDir::cleanPath(location.isEmpty() ? share.mountPath : location);
    const std::optional<MountEntry> mount = MountInfo::mountContaining(table, path);
    if (mount && MountInfo::isRemoteLocation(*mount, path) && NetworkShare::isInside(share.mountPath, mount->mountPoint))
        return std::nullopt;
    return QStringLiteral("%1 is no longer mounted").arg(QDir::cleanPath(share.mountPath));
}

std::optional<NetworkShare> ShareManager::parseRemountURL(const QString &url, const QString &mountPath)
{
    const QUrl parsed(url);
    const QString scheme = parsed.scheme().toLower();
    const QString host = parsed.host(QUrl::FullyDecoded);
    const QString path = parsed.path(QUrl::FullyDecoded);
    const QString user = parsed.userName(QUrl::FullyDecoded);
    if (host.isEmpty() || host == QLatin1String("localhost")) {
        qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Skipping URL with no valid host: ") + url;
        return std::nullopt;
    }
    QString filesystemType;
    if (scheme == QLatin1String("smb") || scheme == QLatin1String("cifs")) {
        filesystemType = QStringLiteral("smbfs");
    } else if (scheme == QLatin1String("nfs")) {
        filesystemType = QStringLiteral("nfs");
    } else if (scheme == QLatin1String("afp")) {
        filesystemType = QStringLiteral("afpfs");
    } else if (scheme == QLatin1String("webdav") || scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        filesystemType = QStringLiteral("webdavfs");
    } else if (scheme == QLatin1String("sftp")) {
        filesystemType = QStringLiteral("sshfs");
    } else {
        filesystemType = QStringLiteral("unknown");
        qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Unknown scheme '%1' for URL: %2").arg(scheme, url);
    }
    const QString rest = path.startsWith(QLatin1Char('/')) ? path.mid(1) : path;
    const QStringList pieces = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    // A file server names its shares at the top of the path; an SFTP server
    // only has folders, and the one mounted is the last of them.
    const bool isSftp = filesystemType == QLatin1String("sshfs");
    QString shareName = pieces.isEmpty() ? rest : isSftp ? pieces.last() : pieces.first();
    if (shareName.isEmpty())
        shareName = QStringLiteral("root");
    qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Parsed - Host: %1, Share: %2, User: %3, FS: %4")
                                       .arg(host, shareName, user, filesystemType);
    return NetworkShare(QUuid::createUuid(), host, shareName, user, mountPath, filesystemType);
}

std::optional<QString> ShareManager::getInterfaceForHost(const QString &host)
{
    {
        std::lock_guard lock(m_cacheMutex);
        const auto cached = m_hostInterfaceCache.constFind(host);
        if (cached != m_hostInterfaceCache.cend() && m_hostInterfaceCacheTimestamp
            && m_hostInterfaceCacheTimestamp->msecsTo(m_clock()) < hostInterfaceCacheLifetimeSeconds * 1000) {
            qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Using cached route for %1 -> %2")
                                           .arg(host, *cached);
            return *cached;
        }
    }
    const std::optional<QString> device = m_backend->routeInterface(host);
    if (!device)
        return std::nullopt;
    std::lock_guard lock(m_cacheMutex);
    m_hostInterfaceCache.insert(host, *device);
    if (!m_hostInterfaceCacheTimestamp)
        m_hostInterfaceCacheTimestamp = m_clock();
    return device;
}

QString ShareManager::getDefaultRouteInterface()
{
    if (const std::optional<QString> device = m_backend->defaultRouteInterface()) {
        qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Default route uses interface: ") + *device;
        return *device;
    }
    return m_backend->fallbackDefaultInterface();
}

bool ShareManager::isHardwarePortsCacheFresh()
{
    std::lock_guard lock(m_cacheMutex);
    return !m_deviceCache.isEmpty() && m_hardwarePortsTimestamp
        && m_hardwarePortsTimestamp->msecsTo(m_clock()) <= hardwarePortsCacheLifetimeSeconds * 1000;
}

bool ShareManager::refreshHardwarePorts()
{
    const std::optional<QList<NetworkDevice>> devices = m_backend->devices();
    if (!devices)
        return false;
    qsizetype count = 0;
    {
        std::lock_guard lock(m_cacheMutex);
        m_deviceCache.clear();
        for (const NetworkDevice &device : *devices)
            m_deviceCache.insert(device.name, device);
        m_hardwarePortsTimestamp = m_clock();
        count = m_deviceCache.size();
    }
    qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Parsed hardware ports data with %1 interfaces")
                                   .arg(count);
    return true;
}

QList<InterfaceChoice> ShareManager::listAvailableInterfaces()
{
    if (isHardwarePortsCacheFresh())
        qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Using cached hardware ports data");
    else if (!refreshHardwarePorts())
        return {};
    QHash<QString, NetworkDevice> devices;
    {
        std::lock_guard lock(m_cacheMutex);
        devices = m_deviceCache;
    }
    QList<InterfaceChoice> choices;
    for (const NetworkDevice &device : std::as_const(devices)) {
        if (device.kind != NetworkDevice::Kind::loopback)
            choices.append({device.name, LinkSpeed::portName(device.kind) + QStringLiteral(" (") + device.name
                                             + QLatin1Char(')')});
    }
    std::sort(choices.begin(), choices.end(),
              [](const InterfaceChoice &a, const InterfaceChoice &b) { return a.id < b.id; });
    return choices;
}

QStringList ShareManager::allInterfaceNames()
{
    return m_backend->interfaceNames();
}

QString ShareManager::hardwarePortName(const QString &device)
{
    if (isHardwarePortsCacheFresh())
        qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Using cached interface type for ") + device;
    else
        refreshHardwarePorts();
    std::lock_guard lock(m_cacheMutex);
    const auto cached = m_deviceCache.constFind(device);
    return cached == m_deviceCache.cend() ? QStringLiteral("Unknown") : LinkSpeed::portName(cached->kind);
}

NetworkInterfaceInfo ShareManager::getNetworkInterfaceInfo(const QString &device)
{
    {
        std::lock_guard lock(m_cacheMutex);
        const auto cached = m_cachedInterfaces.constFind(device);
        if (cached != m_cachedInterfaces.cend())
            return *cached;
    }
    qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Gathering network interface info for %1...")
                                   .arg(device);
    const std::optional<InterfaceFacts> facts = m_backend->interfaceFacts(device);
    const QString port = hardwarePortName(device);
    const bool isWifi = port == LinkSpeed::portName(NetworkDevice::Kind::wifi);
    qCInfo(lcConsole).noquote() << QStringLiteral("parseNetworkInterfaceSpeed: Hardware port for %1: %2")
                                   .arg(device, port);
    std::optional<SpeedInfo> speedInfo;
    if (facts) {
        qCInfo(lcConsole).noquote() << QStringLiteral("parseNetworkInterfaceSpeed: Raw output for %1: %2")
                                           .arg(device, LinkSpeed::readingText(*facts));
        speedInfo = LinkSpeed::describe(port, isWifi, *facts);
    }

    const bool isVirtual = facts ? facts->isVirtual() : false;
    const std::optional<int> mtu = facts ? facts->mtu : std::nullopt;
    qCInfo(lcConsole).noquote() << QStringLiteral("ShareManager: Network Interface Details for %1:").arg(device);
    qCInfo(lcConsole).noquote() << QStringLiteral("  - Name: ") + port;
    qCInfo(lcConsole).noquote() << QStringLiteral("  - Is Virtual: ") + boolText(isVirtual);
    qCInfo(lcConsole).noquote() << QStringLiteral("  - Is WiFi: ") + boolText(isWifi);
    qCInfo(lcConsole).noquote() << QStringLiteral("  - MTU: %1 bytes").arg(mtu.value_or(0));
    if (!speedInfo) {
        qCInfo(lcConsole).noquote() << QStringLiteral("  - Speed: Unknown");
    } else {
        qCInfo(lcConsole).noquote() << QStringLiteral("  - Speed: ") + speedInfo->speed;
        if (speedInfo->speedMbps) {
            qCInfo(lcConsole).noquote() << QStringLiteral("  - Speed (Mbps): %1").arg(*speedInfo->speedMbps);
            qCInfo(lcConsole).noquote() << QStringLiteral("  - Speed (MB/s): ")
                                           + decimalText(*speedInfo->speedMbps / 8.0);
        }
        qCInfo(lcConsole).noquote() << QStringLiteral("  - Raw Speed Info: ") + speedInfo->rawSpeed;
    }
    if (facts && facts->hardwareAddress)
        qCInfo(lcConsole).noquote() << QStringLiteral("  - Hardware Address: ") + *facts->hardwareAddress;

    NetworkInterfaceInfo info;
    info.interfaceID = device;
    info.name = port;
    info.isVirtual = isVirtual;
    if (speedInfo) {
        info.speed = speedInfo->speed;
        info.rawSpeed = speedInfo->rawSpeed;
        info.speedMbps = speedInfo->speedMbps;
    }
    info.isWifi = isWifi;
    info.mtu = mtu;
    std::lock_guard lock(m_cacheMutex);
    m_cachedInterfaces.insert(device, info);
    return info;
}

NetworkInterfaceInfo ShareManager::interfaceInfo(const QString &device)
{
    return m_serialQueue.sync([this, &device] { return getNetworkInterfaceInfo(device); });
}

std::optional<QString> ShareManager::interfaceForHost(const QString &host)
{
    return m_serialQueue.sync([this, &host] { return getInterfaceForHost(host); });
}

} // namespace trevlamark
