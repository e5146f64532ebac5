#pragma once
// The engine's toolbox for test files and test directories: open, synchronise,
// close in order, verify that nothing still holds a file, push data out of the
// page cache, make random payload, and remove a directory with retries. Work
// that may stall on a network share runs on its own threads; the caller waits
// only up to its time limit. Nothing here fails towards the caller: every
// problem is a log line.

#include "platform/filehandle.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace trevlamark {

class AlignedBuffer;

struct VerificationResult
{
    bool allVerified = false;
    QStringList failedPaths; // full paths that could not be opened
    int verifiedCount = 0;
};

struct DeletionResult
{
    bool success = false;
    int attempts = 0; // on failure the attempts made, i.e. maxAttempts
    std::optional<QString> lastError;
};

class FileOperationUtility
{
public:
    static constexpr qint64 cacheFlushChunkBytes = 10240;

    static FileHandleList openFileHandles(const QStringList &paths, bool forWriting, bool disableCache);
    static void synchronizeFiles(const FileHandleList &handles, const QStringList &paths, bool isRead,
        double timeoutSeconds);
    static void closeFilesSequentially(const FileHandleList &handles, const QStringList &paths, bool isRead,
        double timeoutSeconds);
    static VerificationResult verifyFileHandlesClosed(const QStringList &paths, double timeoutSeconds);
    static bool tryOpenForVerification(const QString &path, const QString &fileName);
    static void enhancedCacheFlush(const QStringList &paths, double timeoutSeconds);
    static void flushFileCache(const QString &path, const QString &fileName, qint64 chunkSizeBytes);
    // A buffer aligned for direct I/O filled from the kernel's random source;
    // nullptr when it cannot be made.
    static std::shared_ptr<AlignedBuffer> createRandomDataBuffer(qint64 sizeBytes);
    static void forceCloseLingeringHandles(const QStringList &paths);

    static DeletionResult deleteDirectoryWithRetry(const QString &path, int maxAttempts);
    static void clearDirectoryLocks(const QString &path);
    static void clearParentDirectoryCache(const QString &path);

    // The last component of paths[index], or "handle-" + index past the list.
    static QString displayName(const QStringList &paths, int index);
    static QString fileName(const QString &path);
};

} // namespace trevlamark
