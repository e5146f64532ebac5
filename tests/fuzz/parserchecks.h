#pragma once
// Every parser of outside text (the mount table, `ip route` output,
// preference numbers, command-line sizes) behind one entry point per kind of
// text. Each entry point takes raw bytes, runs every parser that reads that
// kind of text and checks what must hold for any input. The fuzz targets and
// the corpus replay test share them, so a finding replays the same way in both.

#include "platform/logsink.h"
#include "settings/preferencesmanager.h"
#include "cli/cliarguments.h"
#include "discovery/networkshare.h"
#include "discovery/sharemanager.h"
#include "platform/linuxdiscoverybackend.h"
#include "platform/mountinfo.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace trevlamark::testing {

// Empty when every check held, otherwise what broke.
using ParserCheck = QString (*)(const QByteArray &input);

struct ParserTarget
{
    const char *name;  // also the name of the fuzz target and of its corpus folder
    ParserCheck check;
};

namespace detail {

// The longest table a single input is walked through pairwise.
constexpr qsizetype maximumPairwiseEntries = 64;

inline QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

inline QString checkRemountUrl(const QString &url, const QString &origin)
{
    const QUrl parsed(url);
    if (!parsed.isValid() || parsed.host().isEmpty())
        return QStringLiteral("remount URL %1 from %2 has no valid host").arg(quoted(url), quoted(origin));
    if (parsed.toString(QUrl::FullyEncoded) != url)
        return QStringLiteral("remount URL %1 from %2 is not in its encoded form").arg(quoted(url), quoted(origin));
    const std::optional<NetworkShare> share = ShareManager::parseRemountURL(url, QStringLiteral("/mnt/share"));
    if (parsed.host() == QLatin1String("localhost"))
        return share ? QStringLiteral("remount URL %1 on localhost gave a share").arg(quoted(url)) : QString();
    if (!share)
        return QStringLiteral("remount URL %1 from %2 does not parse back").arg(quoted(url), quoted(origin));
    if (share->hostname != parsed.host(QUrl::FullyDecoded))
        return QStringLiteral("remount URL %1 parsed back to host %2").arg(quoted(url), quoted(share->hostname));
    return {};
}

} // namespace detail

// Mount table text: every line, the whole table, and what is derived from each entry.
inline QString checkMountTable(const QByteArray &input)
{
    using namespace detail;
    static const QRegularExpression rawEscape(QStringLiteral("\\\\[0-3][0-7][0-7]"));
    const QString text = QString::fromUtf8(input);
    QList<MountEntry> lineEntries;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const std::optional<MountEntry> entry = MountInfo::parseLine(line);
        if (!entry)
            continue;
        lineEntries.append(*entry);
        if (!entry->mountPoint.startsWith(QLatin1Char('/')))
            return QStringLiteral("mount point %1 is not absolute").arg(quoted(entry->mountPoint));
        // Only an escaped backslash can leave an escape-shaped text behind.
        if (!line.contains(QLatin1String("\\134"))) {
            for (const QString &field : {entry->mountPoint, entry->filesystemType, entry->source, entry->superOptions}) {
                if (field.contains(rawEscape))
                    return QStringLiteral("field %1 of line %2 keeps a raw escape").arg(quoted(field), quoted(line));
            }
        }
        const bool isNetwork = MountInfo::isNetworkFilesystem(entry->filesystemType, entry->source);
        MountInfo::isRemoteLocation(*entry, entry->mountPoint + QStringLiteral("/folder"));
        if (const std::optional<QString> url = MountInfo::remountUrl(*entry)) {
            if (!isNetwork)
                return QStringLiteral("local mount %1 has remount URL %2").arg(quoted(line), quoted(*url));
            if (const QString problem = checkRemountUrl(*url, line); !problem.isEmpty())
                return problem;
        }
    }
    if (MountInfo::parseTable(text) != lineEntries)
        return QStringLiteral("the table and its lines parse differently");
    const QList<MountEntry> head = lineEntries.mid(0, maximumPairwiseEntries);
    for (const MountEntry &entry : head) {
        const std::optional<MountEntry> holder = MountInfo::mountContaining(head, entry.mountPoint);
        if (!holder || holder->mountPoint != entry.mountPoint)
            return QStringLiteral("mount point %1 is not held by its own mount").arg(quoted(entry.mountPoint));
    }
    return {};
}

// One mount's source: the first line is the file-system type, the second the
// mount options, the rest the source. Also a GVfs folder name and a smbnetfs tree.
inline QString checkMountSource(const QByteArray &input)
{
    using namespace detail;
    const QString text = QString::fromUtf8(input);
    const QStringList parts = text.split(QLatin1Char('\n'));
    MountEntry entry;
    entry.mountPoint = QStringLiteral("/mnt/share");
    entry.filesystemType = parts.value(0);
    entry.mountOptions = parts.value(1);
    entry.superOptions = parts.value(1);
    entry.source = parts.mid(2).join(QLatin1Char('\n'));
    if (const std::optional<QString> url = MountInfo::remountUrl(entry)) {
        if (const QString problem = checkRemountUrl(*url, entry.source); !problem.isEmpty())
            return problem;
    }
    if (const std::optional<QString> url = MountInfo::gvfsRemountUrl(text)) {
        if (const QString problem = checkRemountUrl(*url, text); !problem.isEmpty())
            return problem;
    }
    const QList<MountedVolume> volumes = LinuxDiscoveryBackend::volumesOf(
        entry, parts.mid(2, 8), [](const QString &path) { return QStringList{path.section(QLatin1Char('/'), -1)}; });
    for (const MountedVolume &volume : volumes) {
        if (!volume.remountUrl)
            continue;
        if (const QString problem = checkRemountUrl(*volume.remountUrl, volume.path); !problem.isEmpty())
            return problem;
    }
    return {};
}

inline QString checkRemountUrlText(const QByteArray &input)
{
    using namespace detail;
    const QString url = QString::fromUtf8(input);
    const std::optional<NetworkShare> share = ShareManager::parseRemountURL(url, QStringLiteral("/mnt/share"));
    if (!share)
        return {};
    if (share->hostname.isEmpty() || share->hostname == QLatin1String("localhost"))
        return QStringLiteral("URL %1 gave host %2").arg(quoted(url), quoted(share->hostname));
    // A path of slashes alone has no piece, so its rest is kept whole as the name.
    static const QRegularExpression slashesOnly(QStringLiteral("^/+$"));
    if (share->shareName.isEmpty()
        || (share->shareName.contains(QLatin1Char('/')) && !slashesOnly.match(share->shareName).hasMatch()))
        return QStringLiteral("URL %1 gave share name %2").arg(quoted(url), quoted(share->shareName));
    if (share->mountPath != QLatin1String("/mnt/share") || !share->isDetected)
        return QStringLiteral("URL %1 gave a share with the wrong mount path or detection flag").arg(quoted(url));
    if (share->shareProtocol != NetworkShare::protocolForFilesystemType(share->filesystemType))
        return QStringLiteral("URL %1 gave a protocol that does not match %2").arg(quoted(url), share->filesystemType);
    if (NetworkShare::fromJson(share->toJson()) != share)
        return QStringLiteral("the share from URL %1 does not survive JSON").arg(quoted(url));
    return {};
}

// `ip route get` / `ip route show default` output.
inline QString checkIpRoute(const QByteArray &input)
{
    using namespace detail;
    static const QRegularExpression blank(QStringLiteral("\\s"));
    const QString text = QString::fromUtf8(input);
    if (const std::optional<QString> device = LinuxDiscoveryBackend::parseRouteDevice(text)) {
        if (device->isEmpty() || device->contains(blank))
            return QStringLiteral("route output gave device %1").arg(quoted(*device));
    }
    return {};
}

// A preference's number text.
inline QString checkPreferenceNumber(const QByteArray &input)
{
    using namespace detail;
    const QString text = QString::fromUtf8(input);
    const std::optional<double> value = PreferencesManager::parseDouble(text);
    if (value && (text.isEmpty() || text.front().isSpace() || text.contains(QChar(0))))
        return QStringLiteral("number text %1 was accepted as %2").arg(quoted(text)).arg(*value);
    const std::optional<double> rate = CliArguments::parseSamplingRate(text);
    if (rate && (rate != value || !(*rate >= CliArguments::minimumSamplingRateSeconds)
                 || !(*rate <= CliArguments::maximumSamplingRateSeconds)))
        return QStringLiteral("sampling rate %1 was accepted as %2").arg(quoted(text)).arg(*rate);
    return {};
}

// The command line's chunk size, byte amount and counts.
inline QString checkCliSize(const QByteArray &input)
{
    using namespace detail;
    static const QRegularExpression amount(QStringLiteral("^([0-9]+)(MB|GB|TB)$"), QRegularExpression::CaseInsensitiveOption);
    const QString text = QString::fromUtf8(input);
    if (const std::optional<ThroughputTestOptions> chunk = CliArguments::parseChunkSize(text)) {
        if (displayText(*chunk).compare(text, Qt::CaseInsensitive) != 0)
            return QStringLiteral("chunk size %1 was read as %2").arg(quoted(text), displayText(*chunk));
    }
    QString problem;
    const std::optional<quint64> bytes = CliArguments::parseByteAmount(text, problem);
    if (!bytes && !problem.contains(quoted(text)))
        return QStringLiteral("amount %1 was refused with %2").arg(quoted(text), quoted(problem));
    if (bytes) {
        const QRegularExpressionMatch match = amount.match(text);
        const QString unit = match.captured(2).toUpper();
        const int shift = unit == QLatin1String("MB") ? 20 : unit == QLatin1String("GB") ? 30 : 40;
        if (!match.hasMatch() || *bytes == 0 || (*bytes >> shift) != match.captured(1).toULongLong()
            || (*bytes & ((quint64(1) << shift) - 1)) != 0)
            return QStringLiteral("amount %1 was read as %2 bytes").arg(quoted(text)).arg(*bytes);
        CliArguments::bytesPerCycleOption(*bytes);
    }
    const std::optional<int> count = CliArguments::parseInteger(text, 1, CliArguments::maximumQueueDepth);
    if (count && (*count < 1 || *count > CliArguments::maximumQueueDepth || text.toLongLong() != *count))
        return QStringLiteral("count %1 was read as %2").arg(quoted(text)).arg(*count);
    return {};
}

inline const QList<ParserTarget> &parserTargets()
{
    static const QList<ParserTarget> targets = {
        {"mountinfo", &checkMountTable},
        {"mountsource", &checkMountSource},
        {"remounturl", &checkRemountUrlText},
        {"iproute", &checkIpRoute},
        {"prefnumber", &checkPreferenceNumber},
        {"clisize", &checkCliSize},
    };
    return targets;
}

// The body of every fuzz target: a broken check aborts, which libFuzzer reports
// with the input that broke it.
inline int runFuzzCheck(ParserCheck check, const std::uint8_t *data, std::size_t size)
{
    LogSink::setConsoleTarget(ConsoleTarget::Discard);
    const QString problem = check(QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "parser check failed: %s\n", problem.toUtf8().constData());
        std::abort();
    }
    return 0;
}

} // namespace trevlamark::testing
