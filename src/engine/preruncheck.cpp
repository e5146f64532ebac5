#include "engine/preruncheck.h"

#include "engine/resultbuilder.h"
#include "platform/alignedbuffer.h"
#include "platform/detachedthreads.h"
#include "platform/mountinfo.h"
#include "platform/securerandom.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace trevlamark {

namespace {

using Severity = CheckReport::Severity;

QString sizeText(quint64 bytes)
{
    return QLocale::c().formattedDataSize(qint64(std::min<quint64>(bytes, quint64(INT64_MAX))), 2);
}

QString linkText(const NetworkInterfaceInfo &link)
{
    QStringList parts;
    parts << link.speed.value_or(QStringLiteral("speed unknown"));
    parts << (link.mtu ? QStringLiteral("MTU %1").arg(*link.mtu) : QStringLiteral("MTU unknown"));
    if (const std::optional<double> usable = ResultBuilder::usableLinkRate(link))
        parts << QStringLiteral("usable %1 MB/s").arg(QLocale::c().toString(*usable, 'f', 1));
    return QStringLiteral("%1 (%2): %3").arg(link.interfaceID, link.name, parts.join(QStringLiteral(", ")));
}

// pwrite/pread of the whole block, or errno.
int transferBlock(bool write, int descriptor, void *data, std::size_t size)
{
    ssize_t done;
    do {
        done = write ? ::pwrite(descriptor, data, size, 0) : ::pread(descriptor, data, size, 0);
    } while (done < 0 && errno == EINTR);
    if (done < 0)
        return errno;
    return std::size_t(done) == size ? 0 : EIO;
}

// With the file created: the O_DIRECT round trip of one aligned block.
void probeDirect(const QByteArray &path, PreRunCheck::Probe &probe)
{
    const int descriptor = ::open(path.constData(), O_RDWR | O_DIRECT | O_CLOEXEC);
    if (descriptor < 0) {
        probe.directError = errno;
        return;
    }
    const std::unique_ptr<AlignedBuffer> block = AlignedBuffer::create(AlignedBuffer::alignmentBytes);
    const std::unique_ptr<AlignedBuffer> back = AlignedBuffer::create(AlignedBuffer::alignmentBytes);
    if (!block || !back) {
        probe.directError = ENOMEM;
    } else {
        SecureRandom::fill(block->data(), block->size());
        probe.directError = transferBlock(true, descriptor, block->data(), block->size());
        if (probe.directError == 0)
            probe.directError = transferBlock(false, descriptor, back->data(), back->size());
        probe.directHonoured = probe.directError == 0 && std::memcmp(block->data(), back->data(), block->size()) == 0;
        if (probe.directError == 0 && !probe.directHonoured)
            probe.directError = EIO;
    }
    ::close(descriptor);
}

} // namespace

quint64 PreRunCheck::neededBytes(const TestRequest &request)
{
    const quint64 writeCycles = request.writePhaseEnabled ? quint64(std::max(1, request.totalCycles)) : 1;
    const quint64 streams = quint64(std::max(1, request.queueDepth));
    const quint64 data = request.targetBytesPerPhase();
    if (data > 0 && writeCycles > std::numeric_limits<quint64>::max() / data)
        return std::numeric_limits<quint64>::max();
    return data * writeCycles + streams * seedFileBytes * (writeCycles + 1);
}

std::optional<CheckReport::Finding> PreRunCheck::spaceFinding(quint64 neededBytes,
                                                              const std::optional<VolumeCapacity> &capacity,
                                                              const QString &location)
{
    const QString topic = QStringLiteral("space");
    // smbnetfs and some FUSE helpers report a volume of no size at all.
    if (!capacity || capacity->totalBytes <= 0)
        return CheckReport::Finding{topic, QStringLiteral("free space unknown; the run needs %1").arg(sizeText(neededBytes))};
    const quint64 available = quint64(std::max<qint64>(0, capacity->availableBytes));
    if (neededBytes > available) {
        return CheckReport::Finding{topic, QStringLiteral("needs %1, %2 free on %3")
                                               .arg(sizeText(neededBytes), sizeText(available), location),
                                    Severity::refusal};
    }
    return CheckReport::Finding{topic, QStringLiteral("needs %1, %2 free").arg(sizeText(neededBytes), sizeText(available))};
}

PreRunCheck::Probe PreRunCheck::probe(const QString &folder)
{
    quint64 tag = 0;
    SecureRandom::fill(&tag, sizeof tag);
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/.trevlamark-check-%1").arg(tag, 16, 16, QLatin1Char('0')));
    const std::optional<Probe> result = DetachedThreads::runWithin<Probe>(probeWaitSeconds, [path] {
        Probe probe;
        const int descriptor = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (descriptor < 0) {
            probe.createError = errno;
            return probe;
        }
        ::close(descriptor);
        probeDirect(path, probe);
        ::unlink(path.constData());
        return probe;
    });
    if (result)
        return *result;
    Probe silent;
    silent.answered = false;
    return silent;
}

CheckReport PreRunCheck::run(const TestRequest &request)
{
    CheckReport report;
    const QString location = request.testLocation();
    auto add = [&report](const QString &topic, const QString &text, Severity severity = Severity::fact) {
        report.findings.append({topic, text, severity});
    };

    const NetworkShare &share = request.share;
    // The window stands a local folder in for a share on host "local".
    const bool onShare = share.isDetected && share.hostname != QLatin1String("local");
    std::optional<MountEntry> mount;
    // A local folder's path is resolved; one on a share is not, as its server may not answer.
    if (const std::optional<QList<MountEntry>> table = onShare ? std::nullopt : MountInfo::readTable()) {
        const QString resolved = QFileInfo(location).canonicalFilePath();
        mount = MountInfo::mountContaining(*table, resolved.isEmpty() ? location : resolved);
    }
    if (onShare) {
        add(QStringLiteral("where"), QStringLiteral("%1 share \"%2\" on %3, mounted at %4")
                                         .arg(NetworkShare::protocolText(share.shareProtocol), share.shareName,
                                              share.hostname, share.mountPath));
        add(QStringLiteral("link"), request.link ? linkText(*request.link) : QStringLiteral("the interface to %1 is unknown").arg(share.hostname));
    } else if (mount) {
        add(QStringLiteral("where"), QStringLiteral("local folder on %1, mounted at %2").arg(mount->filesystemType, mount->mountPoint));
    }
    const std::optional<MountSettings> settings =
        share.mountSettings ? share.mountSettings : mount ? std::optional(MountSettings::fromEntry(*mount, 0)) : std::nullopt;
    if (settings) {
        add(QStringLiteral("mount"), settings->summary());
        for (const MountSettings::Hint &hint : settings->hints)
            add(QStringLiteral("mount"), hint.text, Severity::hint);
    }

    // Before the probe writes its block, so a full volume is named as such.
    const std::optional<VolumeCapacity> capacity = VolumeCapacity::read(location);
    const std::optional<CheckReport::Finding> space = spaceFinding(neededBytes(request), capacity, location);
    if (space)
        report.findings.append(*space);
    const Probe probed = probe(location);
    if (!probed.answered) {
        add(QStringLiteral("writable"), QStringLiteral("%1 did not answer within %2 seconds").arg(location).arg(probeWaitSeconds),
            Severity::refusal);
        return report;
    }
    if (probed.createError != 0) {
        add(QStringLiteral("writable"), QStringLiteral("cannot create a file in %1: %2").arg(location, qt_error_string(probed.createError)),
            Severity::refusal);
    } else {
        add(QStringLiteral("writable"), QStringLiteral("yes"));
    }
    // On a full volume the block could not go out; that says nothing about O_DIRECT.
    if (probed.createError == 0 && probed.directError != ENOSPC) {
        if (probed.directHonoured) {
            add(QStringLiteral("direct I/O"), request.disableCache
                    ? QStringLiteral("O_DIRECT honoured: the figures bypass this computer's cache")
                    : QStringLiteral("O_DIRECT honoured, but the run keeps the cache on (--cache)"));
        } else {
            add(QStringLiteral("direct I/O"),
                QStringLiteral("O_DIRECT refused here (%1): the figures will include this computer's cache")
                    .arg(qt_error_string(probed.directError)),
                Severity::hint);
        }
    }
    return report;
}

} // namespace trevlamark
