#pragma once
// A test directory as an interrupted run leaves it: a file inside, no run
// marker, and old enough that sweeps no longer take it for one being created.

#include <QDir>
#include <QFile>
#include <QString>
#include <fcntl.h>
#include <sys/stat.h>

inline bool makeLeftover(const QString &directory)
{
    if (!QDir().mkpath(directory) || !QFile(directory + QStringLiteral("/file_0.dat")).open(QIODevice::WriteOnly))
        return false;
    const time_t past = ::time(nullptr) - 600;
    const timespec times[2] = {{past, 0}, {past, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(directory).constData(), times, 0) == 0;
}
