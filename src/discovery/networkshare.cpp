#include "discovery/networkshare.h"

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
    return ShareProtocol::unknown;
}

QString NetworkShare::protocolText(ShareProtocol shareProtocol)
{
    switch (shareProtocol) {
    case ShareProtocol::SMB: return QStringLiteral("SMB");
    case ShareProtocol::NFS: return QStringLiteral("NFS");
    case ShareProtocol::AFP: return QStringLiteral("AFP");
    case ShareProtocol::WebDAV: return QStringLiteral("WebDAV");
    case ShareProtocol::unknown: return QStringLiteral("unknown");
    }
    return {};
}

} // namespace trevlamark
