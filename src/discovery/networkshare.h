#pragma once

#include "discovery/mountsettings.h"
#include "discovery/networkinterfaceinfo.h"

#include <QJsonObject>
#include <QString>
#include <QUuid>
#include <optional>

namespace trevlamark {

// One mounted network share.
struct NetworkShare
{
    enum class ShareProtocol { SMB, NFS, AFP, WebDAV, SFTP, unknown };

    NetworkShare() = default;
    // Sets the protocol from the file-system type, marks the share detected and
    // leaves the capacities absent.
    NetworkShare(QUuid id, QString hostname, QString shareName, QString username, QString mountPath,
                 QString filesystemType, std::optional<QString> interfaceID = std::nullopt,
                 std::optional<NetworkInterfaceInfo> cachedInterfaceInfo = std::nullopt);

    // "smbfs" -> SMB, "nfs" -> NFS, "afpfs"/"afp" -> AFP, "webdavfs"/"webdav" -> WebDAV, "sshfs" -> SFTP.
    static ShareProtocol protocolForFilesystemType(const QString &filesystemType);
    static QString protocolText(ShareProtocol shareProtocol);
    // The protocol whose raw value is the text; nothing for any other text.
    static std::optional<ShareProtocol> protocolFromText(const QString &text);

    // Fills both capacities from the volume at mountPath; true when both were read.
    bool loadStorageInfo();
    // True only when the path lies on a volume that is not local.
    static bool isNetworkVolume(const QString &path);
    // Whether path names mountPath or something below it, by whole components
    // (/mnt/share2 is not inside /mnt/share); the paths are not resolved.
    static bool isInside(const QString &path, const QString &mountPath);

    // Keys spelled as the fields; absent optionals are left out.
    QJsonObject toJson() const;
    // Nothing when a required key is missing or any value has the wrong type.
    static std::optional<NetworkShare> fromJson(const QJsonObject &object);

    QUuid id;
    QString hostname;
    ShareProtocol shareProtocol = ShareProtocol::unknown;
    QString shareName;
    QString username;
    QString mountPath;
    QString filesystemType = QStringLiteral("unknown");
    std::optional<QString> interfaceID;
    bool isDetected = false;
    std::optional<NetworkInterfaceInfo> cachedInterfaceInfo;
    std::optional<qint64> totalStorageBytes;
    std::optional<qint64> freeStorageBytes;
    // What the mount table says about the mount that holds the share.
    std::optional<MountSettings> mountSettings;

    bool operator==(const NetworkShare &) const = default;
};

} // namespace trevlamark
