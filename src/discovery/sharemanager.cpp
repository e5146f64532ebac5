#include "discovery/sharemanager.h"

#include "settings/console.h"
#include "settings/logmanager.h"
#include "platform/discoverybackend.h"
#include "platform/linuxdiscoverybackend.h"
#include "platform/platformpaths.h"

#include <QDir>
#include <QProcess>
#include <QStringDecoder>
#include <QThreadPool>
#include <QUrl>
#include <QUuid>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace trevlamark {

namespace {

// Command workers get a pool of their own, so a busy global pool never delays a tool.
QThreadPool &commandPool()
{
    static QThreadPool pool;
    pool.setMaxThreadCount(16);
    return pool;
}

QString decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    return decoder.hasError() ? QString() : text;
}

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

// What the caller and the command worker share, guarded by the mutex; the
// caller reads the result only once the worker has marked it done.
struct CommandRun
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    QString output;
    QString error;
    bool success = false;
    bool timedOut = false;

    void complete(QString outputText, QString errorText, bool succeeded, bool wasTimedOut)
    {
        {
            std::lock_guard lock(mutex);
            output = std::move(outputText);
            error = std::move(errorText);
            success = succeeded;
            timedOut = wasTimedOut;
            done = true;
        }
        finished.notify_all();
    }
};

// A tool that ignores the polite request to stop is killed after this long.
constexpr int terminateGraceMilliseconds = 1000;

} // namespace

ShareManager::ShareManager(QObject *parent)
    : ShareManager([](CommandRunner runner) { return std::make_unique<LinuxDiscoveryBackend>(std::move(runner)); },
                   [] { return QDateTime::currentDateTimeUtc(); }, parent)
{
}

ShareManager::ShareManager(const BackendFactory &backendFactory, Clock clock, QObject *parent)
    : QObject(parent)
    , m_clock(std::move(clock))
    , m_serialQueue(QStringLiteral("com.qormix.trevlamark.shareManager"))
{
    m_backend = backendFactory([this](const QString &path, const QStringList &arguments, const QString &errorMessage) {
        return runTool(path, arguments, errorMessage);
    });
    LogManager::debug(QStringLiteral("ShareManager: Initialization started"));
    m_logsDir = PlatformPaths::logDirectory();
    QDir().mkpath(m_logsDir);
    LogManager::debug(QStringLiteral("ShareManager: Initialization completed"));
}

ShareManager::~ShareManager()
{
    {
        std::lock_guard lock(m_cacheMutex);
        m_cachedInterfaces.clear();
    }
    Console::print(QStringLiteral("ShareManager deinitializing"));
}

CommandResult ShareManager::runCommand(const QString &path, const QStringList &arguments,
                                       const std::optional<QString> &successMessage,
                                       const std::optional<QString> &errorMessage, bool includeOutputOnFailure,
                                       double timeoutSeconds)
{
    const QString commandLine = path + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    Console::print(QStringLiteral("Running command: ") + commandLine);
    const auto timeout = std::chrono::milliseconds(qint64(std::max(0.0, timeoutSeconds) * 1000.0));
    auto run = std::make_shared<CommandRun>();

    commandPool().start([run, path, arguments, successMessage, errorMessage, commandLine, timeout] {
        QProcess process;
        process.setProgram(path);
        process.setArguments(arguments);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start();
        if (!process.waitForStarted(-1)) {
            if (errorMessage)
                Console::print(*errorMessage + QLatin1Char(' ') + process.errorString());
            run->complete(QString(), process.errorString(), false, false);
            return;
        }
        bool timedOut = false;
        if (!process.waitForFinished(int(timeout.count())) && process.state() != QProcess::NotRunning) {
            Console::print(QStringLiteral("Command timed out: ") + commandLine);
            timedOut = true;
            process.terminate();
            if (!process.waitForFinished(terminateGraceMilliseconds)) {
                process.kill();
                process.waitForFinished(-1);
            }
        }
        const QString output = decodeUtf8(process.readAllStandardOutput());
        const QString error = decodeUtf8(process.readAllStandardError());
        const bool success = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (!success && errorMessage)
            Console::print(*errorMessage + QLatin1Char(' ') + error);
        if (success && successMessage)
            Console::print(*successMessage);
        run->complete(output, error, success, timedOut);
    });

    // The worker stops a hung tool at the time-out; the caller gives up half a second later.
    // Either way the caller learns that the run was aborted, not some partial output.
    std::unique_lock lock(run->mutex);
    const bool finished =
        run->finished.wait_for(lock, timeout + std::chrono::milliseconds(500), [&run] { return run->done; });
    if (!finished || run->timedOut)
        return {false, QStringLiteral("Command execution took too long and was aborted")};
    if (includeOutputOnFailure && !run->success && !run->output.isEmpty())
        return {false, QStringLiteral("STDOUT: ") + run->output + QStringLiteral("\nSTDERR: ") + run->error};
    return {run->success, run->success ? run->output : run->error};
}

CommandResult ShareManager::runTool(const QString &path, const QStringList &arguments, const QString &errorMessage)
{
    return runCommand(path, arguments, std::nullopt, errorMessage, false, commandTimeoutSeconds);
}

void ShareManager::clearNetworkCaches()
{
    Console::print(QStringLiteral("ShareManager: Clearing network caches due to volume change"));
    std::lock_guard lock(m_cacheMutex);
    m_interfaceTypeCache.clear();
    m_hostInterfaceCache.clear();
    m_hostInterfaceCacheTimestamp.reset();
    m_hardwarePortsTimestamp.reset();
    m_cachedInterfaces.clear();
}

QList<NetworkShare> ShareManager::detectMountedShares()
{
    LogManager::debug(QStringLiteral("ShareManager: detectMountedShares started"));
    const QList<MountedVolume> volumes = m_backend->mountedVolumes().value_or(QList<MountedVolume>());
    Console::print(QStringLiteral("ShareManager: Found %1 total mounted volumes").arg(volumes.size()));
    QList<NetworkShare> shares;
    for (const MountedVolume &volume : volumes) {
        if (volume.isLocal)
            continue;
        Console::print(QStringLiteral("ShareManager: Processing network volume: ") + volume.path);
        if (!volume.remountUrl) {
            Console::print(QStringLiteral("ShareManager: No remount URL for network volume: ") + volume.path);
            continue;
        }
        Console::print(QStringLiteral("ShareManager: Remount URL: ") + *volume.remountUrl);
        std::optional<NetworkShare> share = parseRemountURL(*volume.remountUrl, volume.path);
        if (!share)
            continue;
        const std::optional<QString> device = interfaceForHost(share->hostname);
        if (device) {
            share->interfaceID = device;
            share->cachedInterfaceInfo = interfaceInfo(*device);
        }
        shares.append(*share);
        Console::print(QStringLiteral("ShareManager: Added network share: %1/%2").arg(share->hostname, share->shareName));
    }
    LogManager::debug(QStringLiteral("ShareManager: detectMountedShares completed with %1 shares").arg(shares.size()));
    return shares;
}

std::optional<NetworkShare> ShareManager::parseRemountURL(const QString &url, const QString &mountPath)
{
    const QUrl parsed(url);
    const QString scheme = parsed.scheme().toLower();
    const QString host = parsed.host(QUrl::FullyDecoded);
    const QString path = parsed.path(QUrl::FullyDecoded);
    const QString user = parsed.userName(QUrl::FullyDecoded);
    if (host.isEmpty() || host == QLatin1String("localhost")) {
        Console::print(QStringLiteral("ShareManager: Skipping URL with no valid host: ") + url);
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
    } else {
        filesystemType = QStringLiteral("unknown");
        Console::print(QStringLiteral("ShareManager: Unknown scheme '%1' for URL: %2").arg(scheme, url));
    }
    const QString rest = path.startsWith(QLatin1Char('/')) ? path.mid(1) : path;
    const QStringList pieces = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString shareName = pieces.isEmpty() ? rest : pieces.first();
    if (shareName.isEmpty())
        shareName = QStringLiteral("root");
    Console::print(QStringLiteral("ShareManager: Parsed - Host: %1, Share: %2, User: %3, FS: %4")
                       .arg(host, shareName, user, filesystemType));
    return NetworkShare(QUuid::createUuid(), host, shareName, user, mountPath, filesystemType);
}

std::optional<QString> ShareManager::getInterfaceForHost(const QString &host)
{
    {
        std::lock_guard lock(m_cacheMutex);
        const auto cached = m_hostInterfaceCache.constFind(host);
        if (cached != m_hostInterfaceCache.cend() && m_hostInterfaceCacheTimestamp
            && m_hostInterfaceCacheTimestamp->msecsTo(m_clock()) < hostInterfaceCacheLifetimeSeconds * 1000) {
            Console::print(QStringLiteral("ShareManager: Using cached route for %1 -> %2").arg(host, *cached));
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
        Console::print(QStringLiteral("ShareManager: Default route uses interface: ") + *device);
        return *device;
    }
    return m_backend->fallbackDefaultInterface();
}

bool ShareManager::isHardwarePortsCacheFresh()
{
    std::lock_guard lock(m_cacheMutex);
    return !m_interfaceTypeCache.isEmpty() && m_hardwarePortsTimestamp
        && m_hardwarePortsTimestamp->msecsTo(m_clock()) <= hardwarePortsCacheLifetimeSeconds * 1000;
}

bool ShareManager::refreshHardwarePorts()
{
    const std::optional<QList<QPair<QString, QString>>> ports = m_backend->hardwarePorts();
    if (!ports)
        return false;
    qsizetype count = 0;
    {
        std::lock_guard lock(m_cacheMutex);
        m_interfaceTypeCache.clear();
        for (const auto &[device, port] : *ports)
            m_interfaceTypeCache.insert(device, port);
        m_hardwarePortsTimestamp = m_clock();
        count = m_interfaceTypeCache.size();
    }
    Console::print(QStringLiteral("ShareManager: Parsed hardware ports data with %1 interfaces").arg(count));
    return true;
}

QList<InterfaceChoice> ShareManager::listAvailableInterfaces()
{
    if (isHardwarePortsCacheFresh())
        Console::print(QStringLiteral("ShareManager: Using cached hardware ports data"));
    else if (!refreshHardwarePorts())
        return {};
    QHash<QString, QString> ports;
    {
        std::lock_guard lock(m_cacheMutex);
        ports = m_interfaceTypeCache;
    }
    QList<InterfaceChoice> choices;
    for (auto it = ports.cbegin(); it != ports.cend(); ++it) {
        if (m_backend->isPickerInterface(it.key()))
            choices.append({it.key(), it.value() + QStringLiteral(" (") + it.key() + QLatin1Char(')')});
    }
    std::sort(choices.begin(), choices.end(),
              [](const InterfaceChoice &a, const InterfaceChoice &b) { return a.id < b.id; });
    return choices;
}

QStringList ShareManager::allInterfaceNames()
{
    return m_backend->interfaceNames();
}

QString ShareManager::getHardwarePortName(const QString &device)
{
    if (m_isInSyncOperation.load())
        return lookUpHardwarePort(device);
    return m_serialQueue.sync([this, &device] {
        m_isInSyncOperation = true;
        if (isHardwarePortsCacheFresh())
            Console::print(QStringLiteral("ShareManager: Using cached interface type for ") + device);
        else
            refreshHardwarePorts();
        QString port;
        {
            std::lock_guard lock(m_cacheMutex);
            port = m_interfaceTypeCache.value(device, QStringLiteral("Unknown"));
        }
        m_isInSyncOperation = false;
        return port;
    });
}

QString ShareManager::lookUpHardwarePort(const QString &device)
{
    {
        std::lock_guard lock(m_cacheMutex);
        const auto cached = m_interfaceTypeCache.constFind(device);
        if (cached != m_interfaceTypeCache.cend())
            return *cached;
    }
    const std::optional<QList<QPair<QString, QString>>> ports = m_backend->hardwarePorts();
    if (!ports)
        return QStringLiteral("Unknown");
    for (const auto &[listedDevice, port] : *ports) {
        if (listedDevice == device)
            return port;
    }
    return QStringLiteral("Unknown");
}

std::optional<ParsedInterfaceInfo> ShareManager::checkInterfaceProperties(const QString &device)
{
    return m_backend->interfaceProperties(device);
}

bool ShareManager::isWifiPort(const QString &port)
{
    return port.contains(QLatin1String("Wi-Fi")) || port.contains(QLatin1String("AirPort"));
}

SpeedInfo ShareManager::speedInfoFromMedia(const QString &port, bool isWifi, const QString &output,
                                           const QString &active,
                                           const std::optional<std::pair<QString, int>> &convertedSpeed)
{
    if (active == QLatin1String("none") && isWifi)
        return {QStringLiteral("Wi-Fi (Disconnected)"), output, std::nullopt, port, true};
    if (active == QLatin1String("none"))
        return {QStringLiteral("Not Connected"), output, std::nullopt, port, false};
    if (isWifi)
        return {QStringLiteral("Wi-Fi"), output, std::nullopt, port, true};
    if (active == QLatin1String("autoselect"))
        return {port, output, std::nullopt, port, false};
    if (convertedSpeed)
        return {convertedSpeed->first, active, convertedSpeed->second, port, false};
    return {port, active, std::nullopt, port, false};
}

std::optional<SpeedInfo> ShareManager::parseNetworkInterfaceSpeed(const QString &device)
{
    const QString port = getHardwarePortName(device);
    Console::print(QStringLiteral("parseNetworkInterfaceSpeed: Hardware port for %1: %2").arg(device, port));
    const bool isWifi = isWifiPort(port);
    const std::optional<MediaReading> reading = m_backend->media(device);
    if (!reading)
        return std::nullopt;
    Console::print(QStringLiteral("parseNetworkInterfaceSpeed: Raw output for %1: %2").arg(device, reading->output));
    return speedInfoFromMedia(port, isWifi, reading->output, reading->active,
                              m_backend->speedFromActiveMedia(reading->active));
}

NetworkInterfaceInfo ShareManager::getNetworkInterfaceInfo(const QString &device)
{
    m_isInSyncOperation = true;
    {
        std::lock_guard lock(m_cacheMutex);
        const auto cached = m_cachedInterfaces.constFind(device);
        if (cached != m_cachedInterfaces.cend()) {
            m_isInSyncOperation = false;
            return *cached;
        }
    }
    Console::print(QStringLiteral("ShareManager: Gathering network interface info for %1...").arg(device));
    const std::optional<ParsedInterfaceInfo> parsed = checkInterfaceProperties(device);
    const QString port = getHardwarePortName(device);
    const bool isWifi = isWifiPort(port);
    const std::optional<SpeedInfo> speedInfo = parseNetworkInterfaceSpeed(device);

    const bool isVirtual = parsed ? parsed->isVirtual : false;
    const std::optional<int> mtu = parsed ? parsed->mtu : std::nullopt;
    Console::print(QStringLiteral("ShareManager: Network Interface Details for %1:").arg(device));
    Console::print(QStringLiteral("  - Name: ") + port);
    Console::print(QStringLiteral("  - Is Virtual: ") + boolText(isVirtual));
    Console::print(QStringLiteral("  - Is WiFi: ") + boolText(isWifi));
    Console::print(QStringLiteral("  - MTU: %1 bytes").arg(mtu.value_or(0)));
    if (!speedInfo) {
        Console::print(QStringLiteral("  - Speed: Unknown"));
    } else {
        Console::print(QStringLiteral("  - Speed: ") + speedInfo->speed);
        if (speedInfo->speedMbps) {
            Console::print(QStringLiteral("  - Speed (Mbps): %1").arg(*speedInfo->speedMbps));
            Console::print(QStringLiteral("  - Speed (MB/s): ") + decimalText(*speedInfo->speedMbps / 8.0));
        }
        Console::print(QStringLiteral("  - Raw Speed Info: ") + speedInfo->rawSpeed);
    }
    if (parsed && parsed->hardwareAddr)
        Console::print(QStringLiteral("  - Hardware Address: ") + *parsed->hardwareAddr);

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
    {
        std::lock_guard lock(m_cacheMutex);
        m_cachedInterfaces.insert(device, info);
    }
    m_isInSyncOperation = false;
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
