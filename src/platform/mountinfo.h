#pragma once
// The kernel's mount table (/proc/self/mountinfo) and what it tells about
// network volumes: which mounts are remote and the remount URL of each.
// Every parser here is a pure function of its text and never fails on bad input.

#include "platform/mountentry.h"

#include <QList>
#include <QString>
#include <optional>

namespace trevlamark {

class MountInfo
{
public:
    static QString tablePath();

    // Nothing when the line does not have the table's shape.
    static std::optional<MountEntry> parseLine(const QString &line);
    static QList<MountEntry> parseTable(const QString &text);
    // Undoes the table's octal escapes ("\040" is a blank).
    static QString unescape(const QString &field);
    // Nothing (and the reason in errorText) when the table cannot be read.
    static std::optional<QList<MountEntry>> readTable(QString *errorText = nullptr);

    static bool isNetworkFilesystem(const QString &filesystemType, const QString &source);
    // smbnetfs mounts a whole tree, <mount>/<host>/<share>; GVfs keeps one folder per remote volume.
    static bool isSmbnetfs(const MountEntry &entry);
    static bool isGvfs(const MountEntry &entry);

    // The URL a network mount could be mounted again with, built from its source.
    static std::optional<QString> remountUrl(const MountEntry &entry);
    // The URL of one GVfs folder, from its name ("smb-share:server=h,share=s").
    static std::optional<QString> gvfsRemountUrl(const QString &folderName);
    static QString smbnetfsRemountUrl(const QString &host, const QString &share);

    // The mount whose mount point is the longest prefix of an absolute, resolved path.
    static std::optional<MountEntry> mountContaining(const QList<MountEntry> &table, const QString &resolvedPath);
    // Locality of the volume that holds the path; nothing (and the reason) on
    // failure, or when resolving the path takes longer than resolveWaitSeconds.
    static std::optional<bool> isPathOnLocalVolume(const QString &path, QString *errorText = nullptr);
    // Whether a resolved path inside the given mount lies on a remote volume.
    static bool isRemoteLocation(const MountEntry &entry, const QString &resolvedPath);

    static constexpr int resolveWaitSeconds = 3;

private:
    static std::optional<QString> buildUrl(const QString &scheme, const QString &user, const QString &host,
                                           const QString &path);
    static std::optional<QString> urlFromHostPath(const QString &scheme, const QString &user, const QString &hostPath);
    static QString optionValue(const QString &options, const QString &key);
};

} // namespace trevlamark
