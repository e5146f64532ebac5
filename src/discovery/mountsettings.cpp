#include "discovery/mountsettings.h"

#include "discovery/jsonfields.h"
#include "platform/discoverybackend.h"

#include <QHash>
#include <QJsonArray>

namespace trevlamark {

namespace {

constexpr qint64 kibibyte = 1024;
constexpr qint64 mebibyte = 1024 * 1024;
// Below these a single request moves too little to keep a fast link busy.
constexpr qint64 smallestFastTransferBytes = mebibyte;
constexpr qint64 smallestFastFuseReadBytes = 128 * kibibyte;

// Whole binary units where the size has them ("16 KiB", "1 MiB"), bytes otherwise.
QString sizeText(qint64 bytes)
{
    if (bytes >= mebibyte && bytes % mebibyte == 0)
        return QStringLiteral("%1 MiB").arg(bytes / mebibyte);
    if (bytes >= kibibyte && bytes % kibibyte == 0)
        return QStringLiteral("%1 KiB").arg(bytes / kibibyte);
    return QStringLiteral("%1 bytes").arg(bytes);
}

std::optional<qint64> numberOption(const QHash<QString, QString> &values, const QString &key)
{
    bool ok = false;
    const qint64 number = values.value(key).toLongLong(&ok);
    return ok && number >= 0 ? std::optional<qint64>(number) : std::nullopt;
}

std::optional<int> smallNumberOption(const QHash<QString, QString> &values, const QString &key)
{
    const std::optional<qint64> number = numberOption(values, key);
    return number && *number <= 1'000'000 ? std::optional<int>(int(*number)) : std::nullopt;
}

std::optional<QString> textOption(const QHash<QString, QString> &values, const QString &key)
{
    return values.contains(key) ? std::optional<QString>(values.value(key)) : std::nullopt;
}

bool isWebSource(const QString &source)
{
    return source.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || source.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

// The program behind a FUSE mount, named as users know it.
QString fuseHelper(const MountEntry &entry)
{
    const QString &type = entry.filesystemType;
    if (type == QLatin1String("davfs") || type == QLatin1String("fuse.davfs")
        || (type == QLatin1String("fuse") && isWebSource(entry.source)))
        return QStringLiteral("davfs2");
    if (type.startsWith(QLatin1String("fuse.")))
        return type.mid(5);
    return entry.source.section(QLatin1Char(':'), 0, 0);
}

QString helperText(const QString &helper)
{
    if (helper == QLatin1String("sshfs"))
        return QStringLiteral("sshfs (SFTP over SSH)");
    if (helper == QLatin1String("smbnetfs"))
        return QStringLiteral("smbnetfs (SMB through libsmbclient)");
    if (helper == QLatin1String("davfs2"))
        return QStringLiteral("davfs2 (WebDAV)");
    if (helper == QLatin1String("rclone"))
        return QStringLiteral("rclone (remote storage)");
    return helper.isEmpty() ? QStringLiteral("an unnamed helper") : helper;
}

MountSettings::Family familyOf(const MountEntry &entry)
{
    const QString &type = entry.filesystemType;
    if (type == QLatin1String("nfs") || type == QLatin1String("nfs4"))
        return MountSettings::Family::NFS;
    if (type == QLatin1String("cifs") || type == QLatin1String("smb3"))
        return MountSettings::Family::SMB;
    if (type == QLatin1String("fuse") || type.startsWith(QLatin1String("fuse.")) || type == QLatin1String("davfs"))
        return MountSettings::Family::FUSE;
    return MountSettings::Family::other;
}

// The dialect's major number; 0 for text that has none.
int dialectMajor(const QString &version)
{
    return version.section(QLatin1Char('.'), 0, 0).toInt();
}

void addTransferSizeHints(MountSettings &settings)
{
    if (settings.readSizeBytes && *settings.readSizeBytes < smallestFastTransferBytes) {
        settings.hints.append({QStringLiteral("rsize"),
            QStringLiteral("rsize is %1, under 1 MiB: each read request brings at most %1, so a fast link waits on "
                           "round trips").arg(sizeText(*settings.readSizeBytes))});
    }
    if (settings.writeSizeBytes && *settings.writeSizeBytes < smallestFastTransferBytes) {
        settings.hints.append({QStringLiteral("wsize"),
            QStringLiteral("wsize is %1, under 1 MiB: each write request carries at most %1, so a fast link waits on "
                           "round trips").arg(sizeText(*settings.writeSizeBytes))});
    }
}

void addHints(MountSettings &settings, int linkCount)
{
    switch (settings.family) {
    case MountSettings::Family::NFS:
        if (settings.transport.value_or(QStringLiteral("tcp")) == QLatin1String("tcp") && settings.nconnect.value_or(1) <= 1) {
            settings.hints.append({QStringLiteral("nconnect"),
                QStringLiteral("one NFS connection (no nconnect): a single TCP connection carries about 1–2 GB/s at "
                               "best; nconnect=4 or more spreads the traffic over several")});
        }
        addTransferSizeHints(settings);
        break;
    case MountSettings::Family::SMB:
        if (settings.version && dialectMajor(*settings.version) < 3) {
            settings.hints.append({QStringLiteral("vers"),
                QStringLiteral("SMB dialect %1 is old: dialects before 3.0 have no multichannel and 1.0 moves at most "
                               "64 KiB per request; ask for vers=3.1.1 where the server offers it")
                    .arg(*settings.version)});
        }
        if (!settings.multichannel && linkCount > 1) {
            settings.hints.append({QStringLiteral("multichannel"),
                QStringLiteral("SMB without multichannel on a computer with %1 links: the share uses one connection "
                               "over one link; mount with multichannel,max_channels=%1").arg(linkCount)});
        }
        addTransferSizeHints(settings);
        break;
    case MountSettings::Family::FUSE:
        if (settings.maxReadBytes && *settings.maxReadBytes < smallestFastFuseReadBytes) {
            settings.hints.append({QStringLiteral("max_read"),
                QStringLiteral("FUSE max_read is %1, under 128 KiB: the kernel asks %2 for at most %1 per read, so "
                               "reads take many small requests")
                    .arg(sizeText(*settings.maxReadBytes), settings.helper)});
        }
        break;
    case MountSettings::Family::other:
        break;
    }
}

} // namespace

MountSettings MountSettings::fromEntry(const MountEntry &entry, int linkCount)
{
    MountSettings settings;
    settings.family = familyOf(entry);
    settings.filesystemType = entry.filesystemType;
    // The per-mount flags first, then the file system's own, each once.
    QHash<QString, QString> values;
    for (const QString &options : {entry.mountOptions, entry.superOptions}) {
        for (const QString &option : options.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (settings.options.contains(option))
                continue;
            settings.options.append(option);
            const qsizetype equals = option.indexOf(QLatin1Char('='));
            values.insert(equals < 0 ? option : option.left(equals), equals < 0 ? QString() : option.mid(equals + 1));
        }
    }
    const bool isNetworkProtocol = settings.family == Family::NFS || settings.family == Family::SMB;
    if (isNetworkProtocol) {
        settings.readSizeBytes = numberOption(values, QStringLiteral("rsize"));
        settings.writeSizeBytes = numberOption(values, QStringLiteral("wsize"));
        if (values.contains(QStringLiteral("hard")) || values.contains(QStringLiteral("soft")))
            settings.hard = values.contains(QStringLiteral("hard"));
        settings.actimeoSeconds = smallNumberOption(values, QStringLiteral("actimeo"));
    }
    if (settings.family == Family::NFS) {
        settings.version = textOption(values, QStringLiteral("vers"));
        if (!settings.version)
            settings.version = textOption(values, QStringLiteral("nfsvers"));
        if (!settings.version && entry.filesystemType == QLatin1String("nfs4"))
            settings.version = QStringLiteral("4");
        settings.transport = textOption(values, QStringLiteral("proto"));
        settings.nconnect = smallNumberOption(values, QStringLiteral("nconnect"));
    } else if (settings.family == Family::SMB) {
        settings.version = textOption(values, QStringLiteral("vers"));
        settings.transport = values.contains(QStringLiteral("rdma")) ? QStringLiteral("rdma") : QStringLiteral("tcp");
        settings.cacheMode = textOption(values, QStringLiteral("cache"));
        settings.multichannel = values.contains(QStringLiteral("multichannel"));
        settings.maxChannels = smallNumberOption(values, QStringLiteral("max_channels"));
    } else if (settings.family == Family::FUSE) {
        settings.helper = fuseHelper(entry);
        settings.maxReadBytes = numberOption(values, QStringLiteral("max_read"));
    }
    addHints(settings, linkCount);
    return settings;
}

int MountSettings::upLinkCount(DiscoveryBackend &backend)
{
    int count = 0;
    for (const NetworkDevice &device : backend.devices().value_or(QList<NetworkDevice>())) {
        if (device.kind != NetworkDevice::Kind::ethernet && device.kind != NetworkDevice::Kind::wifi)
            continue;
        const std::optional<InterfaceFacts> facts = backend.interfaceFacts(device.name);
        if (facts && facts->operState == InterfaceFacts::OperState::up)
            ++count;
    }
    return count;
}

QString MountSettings::familyText(Family family)
{
    switch (family) {
    case Family::NFS: return QStringLiteral("NFS");
    case Family::SMB: return QStringLiteral("SMB");
    case Family::FUSE: return QStringLiteral("FUSE");
    case Family::other: return QStringLiteral("other");
    }
    return {};
}

QString MountSettings::summary() const
{
    QStringList parts;
    switch (family) {
    case Family::NFS:
    case Family::SMB: {
        QString head = familyText(family);
        if (version)
            head += QLatin1Char(' ') + *version;
        if (transport)
            head += QStringLiteral(" over ") + *transport;
        parts << head;
        if (family == Family::NFS)
            parts << (nconnect.value_or(1) > 1 ? QStringLiteral("nconnect %1").arg(*nconnect) : QStringLiteral("one connection"));
        if (cacheMode)
            parts << QStringLiteral("cache=") + *cacheMode;
        if (family == Family::SMB) {
            parts << (!multichannel ? QStringLiteral("one channel")
                      : maxChannels ? QStringLiteral("multichannel, %1 channels").arg(*maxChannels)
                                    : QStringLiteral("multichannel"));
        }
        if (readSizeBytes)
            parts << QStringLiteral("rsize ") + sizeText(*readSizeBytes);
        if (writeSizeBytes)
            parts << QStringLiteral("wsize ") + sizeText(*writeSizeBytes);
        if (hard)
            parts << (*hard ? QStringLiteral("hard") : QStringLiteral("soft"));
        if (actimeoSeconds)
            parts << QStringLiteral("actimeo %1 s").arg(*actimeoSeconds);
        break;
    }
    case Family::FUSE:
        parts << QStringLiteral("FUSE through ") + helperText(helper);
        if (maxReadBytes)
            parts << QStringLiteral("max_read ") + sizeText(*maxReadBytes);
        break;
    case Family::other:
        parts << filesystemType + QStringLiteral(": ") + options.join(QLatin1Char(','));
        break;
    }
    return parts.join(QStringLiteral(", "));
}

QJsonObject MountSettings::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("family"), familyText(family));
    object.insert(QStringLiteral("filesystemType"), filesystemType);
    if (!helper.isEmpty())
        object.insert(QStringLiteral("helper"), helper);
    JsonFields::insertOptional(object, QStringLiteral("version"), version);
    JsonFields::insertOptional(object, QStringLiteral("transport"), transport);
    JsonFields::insertOptional(object, QStringLiteral("nconnect"), nconnect);
    JsonFields::insertOptional(object, QStringLiteral("readSizeBytes"), readSizeBytes);
    JsonFields::insertOptional(object, QStringLiteral("writeSizeBytes"), writeSizeBytes);
    if (hard)
        object.insert(QStringLiteral("hard"), *hard);
    JsonFields::insertOptional(object, QStringLiteral("actimeoSeconds"), actimeoSeconds);
    JsonFields::insertOptional(object, QStringLiteral("cacheMode"), cacheMode);
    if (family == Family::SMB)
        object.insert(QStringLiteral("multichannel"), multichannel);
    JsonFields::insertOptional(object, QStringLiteral("maxChannels"), maxChannels);
    JsonFields::insertOptional(object, QStringLiteral("maxReadBytes"), maxReadBytes);
    object.insert(QStringLiteral("options"), QJsonArray::fromStringList(options));
    QJsonArray hintArray;
    for (const Hint &hint : hints)
        hintArray.append(QJsonObject{{QStringLiteral("setting"), hint.setting}, {QStringLiteral("text"), hint.text}});
    object.insert(QStringLiteral("hints"), hintArray);
    return object;
}

std::optional<MountSettings> MountSettings::fromJson(const QJsonObject &object)
{
    JsonFields fields(object);
    MountSettings settings;
    const QString family = fields.requiredText(QStringLiteral("family"));
    bool knownFamily = false;
    for (Family candidate : {Family::NFS, Family::SMB, Family::FUSE, Family::other}) {
        if (familyText(candidate) == family) {
            settings.family = candidate;
            knownFamily = true;
        }
    }
    settings.filesystemType = fields.requiredText(QStringLiteral("filesystemType"));
    settings.helper = fields.optionalText(QStringLiteral("helper")).value_or(QString());
    settings.version = fields.optionalText(QStringLiteral("version"));
    settings.transport = fields.optionalText(QStringLiteral("transport"));
    settings.nconnect = fields.optionalInt(QStringLiteral("nconnect"));
    settings.readSizeBytes = fields.optionalInt64(QStringLiteral("readSizeBytes"));
    settings.writeSizeBytes = fields.optionalInt64(QStringLiteral("writeSizeBytes"));
    if (object.contains(QStringLiteral("hard")))
        settings.hard = fields.requiredBool(QStringLiteral("hard"));
    settings.actimeoSeconds = fields.optionalInt(QStringLiteral("actimeoSeconds"));
    settings.cacheMode = fields.optionalText(QStringLiteral("cacheMode"));
    if (object.contains(QStringLiteral("multichannel")))
        settings.multichannel = fields.requiredBool(QStringLiteral("multichannel"));
    settings.maxChannels = fields.optionalInt(QStringLiteral("maxChannels"));
    settings.maxReadBytes = fields.optionalInt64(QStringLiteral("maxReadBytes"));
    for (const QJsonValue &option : object.value(QStringLiteral("options")).toArray())
        settings.options.append(option.toString());
    for (const QJsonValue &value : object.value(QStringLiteral("hints")).toArray()) {
        const QJsonObject hint = value.toObject();
        settings.hints.append({hint.value(QStringLiteral("setting")).toString(), hint.value(QStringLiteral("text")).toString()});
    }
    if (!fields.isValid() || !knownFamily)
        return std::nullopt;
    return settings;
}

} // namespace trevlamark
