#include "history/runrecordbuilder.h"

#include "platform/mountinfo.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <QUrl>

namespace trevlamark {

namespace {

QString protocolForScheme(const QString &scheme)
{
    if (scheme == QLatin1String("smb"))
        return QStringLiteral("SMB");
    if (scheme == QLatin1String("nfs"))
        return QStringLiteral("NFS");
    if (scheme == QLatin1String("sftp"))
        return QStringLiteral("SFTP");
    if (scheme == QLatin1String("afp"))
        return QStringLiteral("AFP");
    if (scheme.startsWith(QLatin1String("http")) || scheme.startsWith(QLatin1String("dav")))
        return QStringLiteral("WebDAV");
    return scheme.toUpper();
}

} // namespace

RunOutcome RunRecordBuilder::outcome(const PerformanceTestResult &result)
{
    if (!result.success)
        return RunOutcome::Failed;
    return result.isAutoStop ? RunOutcome::Completed : RunOutcome::Stopped;
}

RunRecord RunRecordBuilder::build(const TestRequest &request, const PerformanceTestResult &result,
    const QList<StreamResult> &samples, const QList<TimelineMarker> &markers)
{
    const QString location = request.testLocation();
    std::optional<MountEntry> mount;
    if (const auto table = MountInfo::readTable()) {
        const QString resolved = QFileInfo(location).canonicalFilePath();
        mount = MountInfo::mountContaining(*table, resolved.isEmpty() ? QDir::cleanPath(location) : resolved);
    }
    RunRecord record = build(request, result, samples, markers, mount);
    record.hostName = QSysInfo::machineHostName();
    record.programVersion = QStringLiteral(TREVLAMARK_VERSION);
    record.kernel = QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion();
    return record;
}

RunRecord RunRecordBuilder::build(const TestRequest &request, const PerformanceTestResult &result,
    const QList<StreamResult> &samples, const QList<TimelineMarker> &markers, const std::optional<MountEntry> &mount)
{
    RunRecord record;
    record.finishedAt = result.timestamp.isValid() ? result.timestamp : QDateTime::currentDateTime();
    record.locationPath = request.testLocation();

    const NetworkShare &share = request.share;
    if (mount) {
        record.fileSystemType = mount->filesystemType;
        if (const auto url = MountInfo::remountUrl(*mount)) {
            const QUrl parsed(*url);
            record.protocol = protocolForScheme(parsed.scheme());
            record.server = parsed.host();
            record.shareName = parsed.path().section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
        }
    }
    // What discovery knew about the share wins over what the mount table says.
    if (share.isDetected) {
        if (share.shareProtocol != NetworkShare::ShareProtocol::unknown)
            record.protocol = NetworkShare::protocolText(share.shareProtocol);
        if (!share.hostname.isEmpty())
            record.server = share.hostname;
        if (!share.shareName.isEmpty())
            record.shareName = share.shareName;
    }
    if (const auto &link = share.cachedInterfaceInfo) {
        record.interfaceName = link->interfaceID;
        record.interfaceKind = link->isWifi ? QStringLiteral("Wi-Fi")
            : link->isVirtual                ? QStringLiteral("virtual")
                                                  : QStringLiteral("wired");
        record.linkSpeedMbps = link->speedMbps;
        record.mtu = link->mtu;
    }

    record.chunkSizeBytes = chunkSizeBytes(request.chunkSize);
    record.queueDepth = request.queueDepth;
    record.bytesPerCycle = qint64(request.resolvedBytesPerCycle());
    record.totalCycles = request.totalCycles;
    record.disableCache = request.disableCache;
    record.writePhaseEnabled = request.writePhaseEnabled;
    record.readPhaseEnabled = request.readPhaseEnabled;
    record.samplingRateSeconds = request.samplingRateSeconds;

    record.outcome = outcome(result);
    record.errorMessage = result.errorMessage.value_or(QString());
    record.writeMegabytesPerSecond = result.metrics.value(QStringLiteral("writeSpeed"));
    record.readMegabytesPerSecond = result.metrics.value(QStringLiteral("readSpeed"));
    record.result = RunRecord::resultJson(result, samples, markers);
    // Discovery counted the links for the share's hints; a local mount needs no such count.
    const std::optional<MountSettings> settings =
        share.mountSettings ? share.mountSettings : mount ? std::optional(MountSettings::fromEntry(*mount, 0)) : std::nullopt;
    if (settings)
        record.result.insert(QStringLiteral("mountSettings"), settings->toJson());
    return record;
}

} // namespace trevlamark
