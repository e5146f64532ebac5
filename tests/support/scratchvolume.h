#pragma once
// A small volume of a test's own, mounted on a fresh folder: a tmpfs (to fill
// up, or read-only) or an ext4 image on a loop device that can be frozen, so
// that every write to it blocks in the kernel the way calls on a share whose
// server stopped answering do. Needs root. Thawed and unmounted (lazily, so a
// file still held open cannot keep it) when it goes.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <optional>
#include <unistd.h>

class ScratchVolume
{
public:
    // mountFolder: where below the scratch folder the volume is mounted.
    explicit ScratchVolume(const QString &mountFolder = QStringLiteral("volume"))
        : m_mountPoint(m_base.filePath(mountFolder))
    {
    }

    ~ScratchVolume()
    {
        thaw();
        if (m_isMounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_mountPoint});
    }

    // Each returns why the volume could not be mounted here, or nothing once it is.
    std::optional<QString> mountTmpfs(const QString &options)
    {
        if (const std::optional<QString> problem = prepare())
            return problem;
        return mount({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), options,
                      QStringLiteral("tmpfs"), m_mountPoint},
                     QStringLiteral("tmpfs mount refused here"));
    }

    // ramfs: page cache only, no size limit and no O_DIRECT.
    std::optional<QString> mountRamfs()
    {
        if (const std::optional<QString> problem = prepare())
            return problem;
        return mount({QStringLiteral("-t"), QStringLiteral("ramfs"), QStringLiteral("ramfs"), m_mountPoint},
                     QStringLiteral("ramfs mount refused here"));
    }

    std::optional<QString> mountExt4(qint64 bytes)
    {
        if (const std::optional<QString> problem = prepare())
            return problem;
        QFile image(m_base.filePath(QStringLiteral("volume.img")));
        if (!image.open(QIODevice::WriteOnly) || !image.resize(bytes))
            return QStringLiteral("no room for the volume image");
        image.close();
        if (QProcess::execute(QStringLiteral("mkfs.ext4"), {QStringLiteral("-q"), image.fileName()}) != 0)
            return QStringLiteral("mkfs.ext4 failed here");
        return mount({QStringLiteral("-o"), QStringLiteral("loop"), image.fileName(), m_mountPoint},
                     QStringLiteral("no loop device for an ext4 volume here"));
    }

    QString mountPoint() const { return m_mountPoint; }
    // A path in the scratch folder, beside or above the mount point.
    QString filePath(const QString &name) const { return m_base.filePath(name); }

    bool freeze()
    {
        m_isFrozen = QProcess::execute(QStringLiteral("fsfreeze"), {QStringLiteral("-f"), m_mountPoint}) == 0;
        return m_isFrozen;
    }

    bool thaw()
    {
        if (!m_isFrozen)
            return true;
        m_isFrozen = QProcess::execute(QStringLiteral("fsfreeze"), {QStringLiteral("-u"), m_mountPoint}) != 0;
        return !m_isFrozen;
    }

private:
    std::optional<QString> prepare() const
    {
        if (::geteuid() != 0)
            return QStringLiteral("mounting a volume needs root");
        if (!m_base.isValid() || !QDir().mkpath(m_mountPoint))
            return QStringLiteral("no scratch folder");
        return std::nullopt;
    }

    std::optional<QString> mount(const QStringList &arguments, const QString &refusal)
    {
        m_isMounted = QProcess::execute(QStringLiteral("mount"), arguments) == 0;
        return m_isMounted ? std::nullopt : std::optional<QString>(refusal);
    }

    QTemporaryDir m_base;
    QString m_mountPoint;
    bool m_isMounted = false;
    bool m_isFrozen = false;
};
