#pragma once
// What a mount's own options say about how fast it can go: the settings of
// its protocol as typed facts, read from the mount table, and the hints where
// one of them caps the speed. Pure functions of the mount entry.

#include "platform/mountentry.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace trevlamark {

class DiscoveryBackend;

struct MountSettings
{
    enum class Family { NFS, SMB, FUSE, other };

    // A setting that caps speed, and why.
    struct Hint
    {
        QString setting; // the option concerned: "nconnect", "rsize", "max_read", ...
        QString text;

        bool operator==(const Hint &) const = default;
    };

    // linkCount: the links of this computer that are up, for the SMB multichannel hint.
    static MountSettings fromEntry(const MountEntry &entry, int linkCount);
    // Ethernet and Wi-Fi devices whose link is up.
    static int upLinkCount(DiscoveryBackend &backend);

    static QString familyText(Family family);
    // One line of facts: "NFS 4.2 over tcp, nconnect 4, rsize 1 MiB, ..."; the
    // options as they stand for a file system of no known family.
    QString summary() const;

    // Keys spelled as the fields; absent optionals are left out.
    QJsonObject toJson() const;
    // Nothing when a value has the wrong type.
    static std::optional<MountSettings> fromJson(const QJsonObject &object);

    Family family = Family::other;
    QString filesystemType;
    QString helper;                   // the FUSE program: "sshfs", "davfs2", ...
    std::optional<QString> version;   // NFS version or SMB dialect
    std::optional<QString> transport; // "tcp", "udp", "rdma"
    std::optional<int> nconnect;
    std::optional<qint64> readSizeBytes;  // rsize
    std::optional<qint64> writeSizeBytes; // wsize
    std::optional<bool> hard;
    std::optional<int> actimeoSeconds;
    std::optional<QString> cacheMode; // cifs cache=
    bool multichannel = false;
    std::optional<int> maxChannels;
    std::optional<qint64> maxReadBytes; // FUSE max_read
    QStringList options;                // every option of the mount, as it stands
    QList<Hint> hints;

    bool operator==(const MountSettings &) const = default;
};

} // namespace trevlamark
