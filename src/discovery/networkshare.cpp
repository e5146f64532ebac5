#include "discovery/networkshare.h"

#include "platform/logcategories.h"
#include "discovery/jsonfields.h"
#include "platform/mountinfo.h"
#include "platform/volumecapacity.h"

#include <QDir>
#include <QLocale>
#include <utility>

namespace trevlamark {

NetworkShare::NetworkShare(QUuid id, QString hostname, QString shareName, QString username, QString mountPath,
                           QString filesystemType, std::optional<QString> interfaceID,
                           std::optional<NetworkInterfaceInfo> cachedInterfaceInfo)
    : id(id)
    , hostname(std::move(hostname))
    , shareProtocol(protocolForFilesystemType(filesystemType))
    , shareName(std::move(shareName))
    , username(std::move(username))
    , mountPath(std::move(mountPath))
    , filesystemType(std::move(filesystemType))
    , interfaceID(std::move(interfaceID))
    , isDetected(true)
    , cachedInterfaceInfo(std::move(cachedInterfaceInfo))
{
}

NetworkShare::ShareProtocol NetworkShare::protocolForFilesystemType(const QString &filesystemType)
{
    if (filesystemType == QLatin1String("smbfs"))
        return ShareProtocol::SMB;
    if (filesystemType == QLatin1String("nfs"))
        return ShareProtocol::NFS;
    if (filesystemType == QLatin1String("afpfs") || filesystemType == QLatin1String("afp"))
        return ShareProtocol::AFP;
    if (filesystemType == QLatin1String("webdavfs") || filesystemType == QLatin1String("webdav"))
        return ShareProtocol::WebDAV;
    if (filesystemType == QLatin1String("sshfs"))
        return ShareProtocol::SFTP;
    return ShareProtocol::unknown;
}

QString NetworkShare::protocolText(ShareProtocol shareProtocol)
{
    switch (shareProtocol) {
    case ShareProtocol::SMB: return QStringLiteral("SMB");
    case ShareProtocol::NFS: return QStringLiteral("NFS");
    case ShareProtocol::AFP: return QStringLiteral("AFP");
    case ShareProtocol::WebDAV: return QStringLiteral("WebDAV");
    case ShareProtocol::SFTP: return QStringLiteral("SFTP");
    case ShareProtocol::unknown: return QStringLiteral("unknown");
    }
    return {};
}

std::optional<NetworkShare::ShareProtocol> NetworkShare::protocolFromText(const QString &text)
{
    for (ShareProtocol candidate : {ShareProtocol::SMB, ShareProtocol::NFS, ShareProtocol::AFP, ShareProtocol::WebDAV,
                                    ShareProtocol::SFTP, ShareProtocol::unknown}) {
        if (protocolText(candidate) == text)
            return candidate;
    }
    return std::nullopt;
}

bool NetworkShare::loadStorageInfo()
{
    QString errorText;
    const std::optional<VolumeCapacity> capacity = VolumeCapacity::read(mountPath, &errorText);
    if (!capacity) {
        qCInfo(lcConsole).noquote() << QStringLiteral("NetworkShare: Error getting storage capacity for %1: %2")
                                       .arg(mountPath, errorText);
        return false;
    }
    if (capacity->totalBytes == 0) {
        qCInfo(lcConsole).noquote() << QStringLiteral("NetworkShare: Missing capacity values for ") + mountPath;
        return false;
    }
    totalStorageBytes = capacity->totalBytes;
    freeStorageBytes = capacity->availableBytes;
    const QLocale locale;
    qCInfo(lcConsole).noquote() << QStringLiteral("NetworkShare: Storage info for %1: Total: %2, Free: %3")
                                       .arg(mountPath,
                                            locale.formattedDataSize(*totalStorageBytes, 1, QLocale::DataSizeTraditionalFormat),
                                            locale.formattedDataSize(*freeStorageBytes, 1, QLocale::DataSizeTraditionalFormat));
    return true;
}

bool NetworkShare::isInside(const QString &path, const QString &mountPath)
{
    if (mountPath.isEmpty())
        return false;
    const QString root = QDir::cleanPath(mountPath);
    const QString candidate = QDir::cleanPath(path);
    return candidate == root || candidate.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

bool NetworkShare::isNetworkVolume(const QString &path)
{
    QString errorText;
    const std::optional<bool> isLocal = MountInfo::isPathOnLocalVolume(path, &errorText);
    if (!isLocal) {
        qCInfo(lcConsole).noquote() << QStringLiteral("NetworkShare: Error checking if path is network volume: ")
                                       + errorText;
        return false;
    }
    return !*isLocal;
}

QJsonObject NetworkShare::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), id.toString(QUuid::WithoutBraces));
    object.insert(QStringLiteral("hostname"), hostname);
    object.insert(QStringLiteral("shareProtocol"), protocolText(shareProtocol));
    object.insert(QStringLiteral("shareName"), shareName);
    object.insert(QStringLiteral("username"), username);
    object.insert(QStringLiteral("mountPath"), mountPath);
    object.insert(QStringLiteral("filesystemType"), filesystemType);
    JsonFields::insertOptional(object, QStringLiteral("interfaceID"), interfaceID);
    object.insert(QStringLiteral("isDetected"), isDetected);
    if (cachedInterfaceInfo)
        object.insert(QStringLiteral("cachedInterfaceInfo"), cachedInterfaceInfo->toJson());
    JsonFields::insertOptional(object, QStringLiteral("totalStorageBytes"), totalStorageBytes);
    JsonFields::insertOptional(object, QStringLiteral("freeStorageBytes"), freeStorageBytes);
    if (mountSettings)
        object.insert(QStringLiteral("mountSettings"), mountSettings->toJson());
    return object;
}

std::optional<NetworkShare> NetworkShare::fromJson(const QJsonObject &object)
{
    JsonFields fields(object);
    NetworkShare share;
    share.id = QUuid::fromString(fields.requiredText(QStringLiteral("id")));
    if (share.id.isNull())
        fields.markInvalid();
    share.hostname = fields.requiredText(QStringLiteral("hostname"));
    const std::optional<ShareProtocol> shareProtocol = protocolFromText(fields.requiredText(QStringLiteral("shareProtocol")));
    if (!shareProtocol)
        fields.markInvalid();
    share.shareProtocol = shareProtocol.value_or(ShareProtocol::unknown);
    share.shareName = fields.requiredText(QStringLiteral("shareName"));
    share.username = fields.requiredText(QStringLiteral("username"));
    share.mountPath = fields.requiredText(QStringLiteral("mountPath"));
    share.filesystemType = fields.requiredText(QStringLiteral("filesystemType"));
    share.interfaceID = fields.optionalText(QStringLiteral("interfaceID"));
    share.isDetected = fields.requiredBool(QStringLiteral("isDetected"));
    if (const std::optional<QJsonObject> nested = fields.optionalObject(QStringLiteral("cachedInterfaceInfo"))) {
        share.cachedInterfaceInfo = NetworkInterfaceInfo::fromJson(*nested);
        if (!share.cachedInterfaceInfo)
            fields.markInvalid();
    }
    share.totalStorageBytes = fields.optionalInt64(QStringLiteral("totalStorageBytes"));
    share.freeStorageBytes = fields.optionalInt64(QStringLiteral("freeStorageBytes"));
    if (const std::optional<QJsonObject> nested = fields.optionalObject(QStringLiteral("mountSettings"))) {
        share.mountSettings = MountSettings::fromJson(*nested);
        if (!share.mountSettings)
            fields.markInvalid();
    }
    if (!fields.isValid())
        return std::nullopt;
    return share;
}

} // namespace trevlamark
