#include "platform/linuxdiscoverybackend.h"

#include "platform/logcategories.h"
#include "platform/detachedthreads.h"
#include "platform/mountinfo.h"
#include "platform/toolrunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <netdb.h>
#include <sys/socket.h>
#include <utility>

namespace trevlamark {

namespace {

// Listing an smbnetfs or GVfs tree asks the servers behind it; one that does
// not answer must not hold up the detection of every other share.
QStringList subfolders(const QString &path)
{
    const std::optional<QStringList> folders =
        DetachedThreads::runWithin<QStringList>(LinuxDiscoveryBackend::listWaitSeconds, [path] {
            return QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        });
    if (!folders) {
        qCInfo(lcConsole).noquote() << QStringLiteral("Error listing shares in %1: no answer within %2 seconds")
                                           .arg(path)
                                           .arg(LinuxDiscoveryBackend::listWaitSeconds);
    }
    return folders.value_or(QStringList());
}

struct Resolution
{
    std::optional<QString> address;
    QString error;
};

// The numeric address of a host name, so that `ip route get` never sees a name.
Resolution resolveHost(const QByteArray &host)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *results = nullptr;
    const int status = ::getaddrinfo(host.constData(), nullptr, &hints, &results);
    if (status != 0 || !results)
        return {std::nullopt, QString::fromLocal8Bit(::gai_strerror(status))};
    char address[NI_MAXHOST] = {};
    const int converted =
        ::getnameinfo(results->ai_addr, results->ai_addrlen, address, sizeof address, nullptr, 0, NI_NUMERICHOST);
    ::freeaddrinfo(results);
    if (converted != 0)
        return {std::nullopt, QString::fromLocal8Bit(::gai_strerror(converted))};
    // A link-local address keeps its "%zone"; `ip route get` wants it without.
    return {QString::fromLatin1(address).section(QLatin1Char('%'), 0, 0), QString()};
}

} // namespace

CommandResult LinuxDiscoveryBackend::runTool(const QString &path, const QStringList &arguments,
                                             const QString &errorMessage)
{
    return ToolRunner::run(path, arguments, errorMessage, toolWaitSeconds);
}

LinuxDiscoveryBackend::LinuxDiscoveryBackend(CommandRunner runner, QString netClassDirectory)
    : m_runner(std::move(runner))
    , m_netClassDirectory(std::move(netClassDirectory))
{
}

QList<MountedVolume> LinuxDiscoveryBackend::volumesOf(const MountEntry &entry, const QStringList &childFolders,
                                                      const std::function<QStringList(const QString &)> &listFolders)
{
    QList<MountedVolume> volumes;
    if (MountInfo::isSmbnetfs(entry)) {
        for (const QString &host : childFolders) {
            const QString hostPath = entry.mountPoint + QLatin1Char('/') + host;
            for (const QString &share : listFolders(hostPath)) {
                const QString url = MountInfo::smbnetfsRemountUrl(host, share);
                volumes.append({hostPath + QLatin1Char('/') + share, false,
                                url.isEmpty() ? std::nullopt : std::optional<QString>(url), entry});
            }
        }
        return volumes;
    }
    if (MountInfo::isGvfs(entry)) {
        for (const QString &folder : childFolders) {
            if (const std::optional<QString> url = MountInfo::gvfsRemountUrl(folder))
                volumes.append({entry.mountPoint + QLatin1Char('/') + folder, false, url, entry});
        }
        return volumes;
    }
    const bool isNetwork = MountInfo::isNetworkFilesystem(entry.filesystemType, entry.source);
    volumes.append({entry.mountPoint, !isNetwork, isNetwork ? MountInfo::remountUrl(entry) : std::nullopt, entry});
    return volumes;
}

std::optional<QList<MountedVolume>> LinuxDiscoveryBackend::mountedVolumes()
{
    const std::optional<QList<MountEntry>> table = MountInfo::readTable();
    if (!table)
        return std::nullopt;
    QList<MountedVolume> volumes;
    for (const MountEntry &entry : *table) {
        const bool isTree = MountInfo::isSmbnetfs(entry) || MountInfo::isGvfs(entry);
        volumes.append(volumesOf(entry, isTree ? subfolders(entry.mountPoint) : QStringList(), subfolders));
    }
    return volumes;
}

QString LinuxDiscoveryBackend::ipTool()
{
    const QString found = QStandardPaths::findExecutable(
        QStringLiteral("ip"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin"),
                               QStringLiteral("/bin")});
    return found.isEmpty() ? QStringLiteral("/sbin/ip") : found;
}

std::optional<QString> LinuxDiscoveryBackend::parseRouteDevice(const QString &output)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        const QStringList words = line.split(blanks, Qt::SkipEmptyParts);
        const qsizetype dev = words.indexOf(QStringLiteral("dev"));
        if (dev >= 0 && dev + 1 < words.size())
            return words.at(dev + 1);
    }
    return std::nullopt;
}

std::optional<QString> LinuxDiscoveryBackend::routeInterface(const QString &host)
{
    const QString errorMessage = QStringLiteral("Error determining network interface for ") + host;
    // A name server that does not answer holds the lookup for the resolver's
    // own time-outs (10 s by default); it gets the tool's limit instead.
    const std::optional<Resolution> resolution = DetachedThreads::runWithin<Resolution>(
        toolWaitSeconds, [name = host.toUtf8()] { return resolveHost(name); });
    const std::optional<QString> address = resolution ? resolution->address : std::nullopt;
    if (!address) {
        const QString reason = resolution ? resolution->error
                                          : QStringLiteral("no answer from the name server within %1 seconds")
                                                .arg(toolWaitSeconds);
        qCInfo(lcConsole).noquote() << errorMessage + QLatin1Char(' ') + reason;
        return std::nullopt;
    }
    const CommandResult result = m_runner(ipTool(), {QStringLiteral("route"), QStringLiteral("get"), *address},
                                          errorMessage);
    if (!result.success)
        return std::nullopt;
    return parseRouteDevice(result.output);
}

std::optional<QString> LinuxDiscoveryBackend::defaultRouteInterface()
{
    const CommandResult result =
        m_runner(ipTool(), {QStringLiteral("route"), QStringLiteral("show"), QStringLiteral("default")},
                 QStringLiteral("Error determining default route interface"));
    if (!result.success)
        return std::nullopt;
    return parseRouteDevice(result.output);
}

QString LinuxDiscoveryBackend::fallbackDefaultInterface()
{
    for (const QString &device : interfaceNames()) {
        const std::optional<int> flags = readNumber(device, QStringLiteral("flags"), 16);
        if (flags && (unsigned(*flags) & InterfaceFacts::upFlag) && device != QLatin1String("lo"))
            return device;
    }
    return QStringLiteral("lo");
}

QStringList LinuxDiscoveryBackend::interfaceNames()
{
    return QDir(m_netClassDirectory).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
}

NetworkDevice::Kind LinuxDiscoveryBackend::kindOf(const QString &device) const
{
    // ARPHRD_* link types.
    constexpr int etherType = 1;
    constexpr int pppType = 512;
    constexpr int loopbackType = 772;
    constexpr int noHeaderType = 65534;  // tun, WireGuard
    const int type = readNumber(device, QStringLiteral("type")).value_or(0);
    if (device == QLatin1String("lo") || type == loopbackType)
        return NetworkDevice::Kind::loopback;
    if (hasEntry(device, QStringLiteral("wireless")) || hasEntry(device, QStringLiteral("phy80211")))
        return NetworkDevice::Kind::wifi;
    if (hasEntry(device, QStringLiteral("bridge")))
        return NetworkDevice::Kind::bridge;
    if (hasEntry(device, QStringLiteral("bonding")))
        return NetworkDevice::Kind::bond;
    const QString deviceType = ueventValue(device, QStringLiteral("DEVTYPE"));
    if (deviceType == QLatin1String("vlan"))
        return NetworkDevice::Kind::vlan;
    const unsigned flags = unsigned(readNumber(device, QStringLiteral("flags"), 16).value_or(0));
    if (deviceType == QLatin1String("wireguard") || type == noHeaderType || type == pppType
        || (flags & InterfaceFacts::pointToPointFlag))
        return NetworkDevice::Kind::vpn;
    if (type == etherType && hasEntry(device, QStringLiteral("device")))
        return NetworkDevice::Kind::ethernet;
    return NetworkDevice::Kind::virtualDevice;
}

std::optional<QList<NetworkDevice>> LinuxDiscoveryBackend::devices()
{
    if (!QFileInfo(m_netClassDirectory).isDir()) {
        qCInfo(lcConsole).noquote() << QStringLiteral("Error listing hardware ports ") + m_netClassDirectory
                                       + QStringLiteral(" is not readable");
        return std::nullopt;
    }
    QList<NetworkDevice> devices;
    for (const QString &device : interfaceNames())
        devices.append({device, kindOf(device)});
    return devices;
}

QString LinuxDiscoveryBackend::ueventValue(const QString &device, const QString &key) const
{
    const QString prefix = key + QLatin1Char('=');
    for (const QString &line : readAttribute(device, QStringLiteral("uevent")).value_or(QString()).split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    }
    return {};
}

bool LinuxDiscoveryBackend::isOverHardware(const QString &device, int depth) const
{
    // Stacks are a few levels deep (a VLAN on a bond on ports); a loop in a bad tree ends here.
    constexpr int deepestStack = 8;
    if (depth >= deepestStack || !hasEntry(device, QString()))
        return false;
    const QString lowerPrefix = QStringLiteral("lower_");
    for (const QString &entry : QDir(deviceDirectory(device)).entryList({lowerPrefix + QLatin1Char('*')},
                                                                      QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString lower = entry.mid(lowerPrefix.size());
        if (hasEntry(lower, QStringLiteral("device")) || isOverHardware(lower, depth + 1))
            return true;
    }
    return false;
}

QString LinuxDiscoveryBackend::deviceDirectory(const QString &device) const
{
    return m_netClassDirectory + QLatin1Char('/') + device;
}

bool LinuxDiscoveryBackend::hasEntry(const QString &device, const QString &entry) const
{
    if (device.isEmpty() || device.contains(QLatin1Char('/')) || device.startsWith(QLatin1Char('.')))
        return false;
    return QFileInfo::exists(deviceDirectory(device) + QLatin1Char('/') + entry);
}

std::optional<QString> LinuxDiscoveryBackend::readAttribute(const QString &device, const QString &attribute) const
{
    if (!hasEntry(device, attribute))
        return std::nullopt;
    QFile file(deviceDirectory(device) + QLatin1Char('/') + attribute);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(4096);
    // sysfs reports an attribute that does not apply (speed of a down link) as a read error.
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return QString::fromUtf8(bytes).trimmed();
}

std::optional<int> LinuxDiscoveryBackend::readNumber(const QString &device, const QString &attribute, int base) const
{
    bool ok = false;
    const int value = readAttribute(device, attribute).value_or(QString()).toInt(&ok, base);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<InterfaceFacts> LinuxDiscoveryBackend::interfaceFacts(const QString &device)
{
    if (!hasEntry(device, QStringLiteral("flags"))) {
        qCInfo(lcConsole).noquote() << QStringLiteral("Error checking interface properties for ") + device
                                       + QStringLiteral(" no such network device");
        return std::nullopt;
    }
    InterfaceFacts facts;
    facts.device = device;
    facts.flags = unsigned(readNumber(device, QStringLiteral("flags"), 16).value_or(0));
    facts.hasHardware = hasEntry(device, QStringLiteral("device"));
    facts.isOverHardware = !facts.hasHardware && isOverHardware(device);
    facts.mtu = readNumber(device, QStringLiteral("mtu"));
    const QString address = readAttribute(device, QStringLiteral("address")).value_or(QString());
    if (!address.isEmpty())
        facts.hardwareAddress = address;
    facts.operState = InterfaceFacts::operStateFromText(
        readAttribute(device, QStringLiteral("operstate")).value_or(QStringLiteral("unknown")));
    facts.speedMbps = readNumber(device, QStringLiteral("speed"));
    return facts;
}

} // namespace trevlamark
