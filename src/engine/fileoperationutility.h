#pragma once
// The engine's file steps around a phase's transfers: open (with O_DIRECT when
// the cache is bypassed), fsync, close in order, push data out of the page
// cache, and make random payload. Steps that may stall on a network share run
// on threads of their own; the caller waits only up to its time limit.
// Only opening fails towards the caller; every other problem is a log line.

#include "engine/phase.h"
#include "platform/filehandle.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace trevlamark {

class AlignedBuffer;

class FileOperationUtility
{
public:
    FileOperationUtility() = delete;

    static constexpr qint64 cacheFlushLengthBytes = 10240;

    // One handle per path, in the paths' order, or none and *failure saying
    // which file could not be opened and why.
    static FileHandleList openFileHandles(const QStringList &paths, Phase phase, bool disableCache,
        QString *failure);
    // fsync on every handle at once, fdatasync where fsync fails.
    static void synchronizeFiles(const FileHandleList &handles, const QStringList &paths, Phase phase,
        double timeoutSeconds);
    static void closeFilesSequentially(const FileHandleList &handles, const QStringList &paths, Phase phase,
        double timeoutSeconds);
    // Rewrites the start, middle and end of each file with what they hold and drops its pages
    // from the cache, so a read-only cycle with the cache on reads from the device.
    static void enhancedCacheFlush(const QStringList &paths, double timeoutSeconds);
    static void flushFileCache(const QString &path, const QString &fileName, qint64 lengthBytes);
    // A buffer aligned for direct I/O filled from the kernel's random source;
    // nullptr when it cannot be made.
    static std::shared_ptr<AlignedBuffer> createRandomDataBuffer(qint64 sizeBytes);

private:
    // The last component of paths[index], or "handle-" + index past the list.
    static QString displayName(const QStringList &paths, int index);
    static QString fileName(const QString &path);
};

} // namespace trevlamark
