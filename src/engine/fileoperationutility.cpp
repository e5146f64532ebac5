#include "engine/fileoperationutility.h"

#include "settings/logmanager.h"
#include "platform/alignedbuffer.h"
#include "platform/detachedthreads.h"
#include "platform/directoryremover.h"
#include "platform/securerandom.h"
#include "platform/waitgroup.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace trevlamark {

namespace {

QString modeWord(bool isRead)
{
    return isRead ? QStringLiteral("read") : QStringLiteral("write");
}

QString errorText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Stands in for a global concurrent queue: the step runs on its own thread
// and is left running when the caller's wait times out.
template<typename Step>
void runDetached(const std::shared_ptr<WaitGroup> &group, Step step)
{
    group->enter();
    DetachedThreads::start([group, step = std::move(step)]() mutable {
        step();
        group->leave();
    });
}

int openDescriptor(const QString &path, int flags)
{
    const QByteArray encoded = path.toLocal8Bit();
    int descriptor;
    do {
        descriptor = ::open(encoded.constData(), flags | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

int writeAll(int descriptor, const char *data, size_t length, off_t offset)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t written = ::pwrite(descriptor, data + done, length - done, offset + off_t(done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written == 0 ? EIO : errno;
        done += size_t(written);
    }
    return 0;
}

} // namespace

QString FileOperationUtility::fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

QString FileOperationUtility::displayName(const QStringList &paths, int index)
{
    if (index >= 0 && index < paths.size())
        return fileName(paths.at(index));
    return QStringLiteral("handle-%1").arg(index);
}

FileHandleList FileOperationUtility::openFileHandles(const QStringList &paths, bool forWriting, bool disableCache)
{
    const QString mode = modeWord(!forWriting);
    if (disableCache)
        LogManager::debug(QStringLiteral("Disabling %1 cache").arg(mode));
    FileHandleList handles;
    for (const QString &path : paths) {
        const QString name = fileName(path);
        int errorCode = 0;
        std::unique_ptr<FileHandle> handle = FileHandle::open(path, forWriting ? O_WRONLY : O_RDONLY, &errorCode);
        if (!handle) {
            const QString message = QStringLiteral("Failed to open file for %1: %2").arg(mode, name);
            if (forWriting)
                LogManager::error(message);
            else
                LogManager::warning(message);
            continue;
        }
        if (disableCache) {
            if (handle->enableDirectIO() == 0)
                LogManager::debug(QStringLiteral("Successfully set F_NOCACHE for %1 to %2").arg(mode, name));
            else
                LogManager::warning(QStringLiteral("Failed to set F_NOCACHE flag for %1 to %2").arg(mode, name));
        }
        handles.push_back(std::move(handle));
    }
    return handles;
}

void FileOperationUtility::synchronizeFiles(const FileHandleList &handles, const QStringList &paths, bool isRead,
    double timeoutSeconds)
{
    const QString mode = modeWord(isRead);
    LogManager::info(QStringLiteral("Synchronizing %1 %2 files").arg(handles.size()).arg(mode));
    const auto group = std::make_shared<WaitGroup>();
    for (size_t i = 0; i < handles.size(); ++i) {
        const QString name = displayName(paths, int(i));
        LogManager::debug(QStringLiteral("Synchronizing %1 file: %2").arg(mode, name));
        runDetached(group, [handle = handles[i], mode, name] {
            const int result = handle->synchronize();
            if (result == 0) {
                LogManager::debug(QStringLiteral("fsync succeeded for %1 file: %2").arg(mode, name));
                return;
            }
            LogManager::warning(QStringLiteral("fsync failed for %1 file %2: %3 (errno: %4)")
                                    .arg(mode, name, errorText(result))
                                    .arg(result));
            const int fallback = handle->synchronizeData();
            if (fallback == 0)
                LogManager::debug(QStringLiteral("Fallback synchronize succeeded for %1 file: %2").arg(mode, name));
            else
                LogManager::warning(QStringLiteral("Both fsync and synchronize failed for %1 file %2: %3")
                                        .arg(mode, name, errorText(fallback)));
        });
    }
    if (!group->waitFor(timeoutSeconds)) {
        QString capitalised = mode;
        capitalised[0] = capitalised[0].toUpper();
        LogManager::warning(QStringLiteral("%1 synchronization operations timed out after %2 seconds!")
                                .arg(capitalised)
                                .arg(int(timeoutSeconds)));
    } else {
        LogManager::debug(QStringLiteral("All %1 file synchronization operations completed successfully").arg(mode));
    }
}

void FileOperationUtility::closeFilesSequentially(const FileHandleList &handles, const QStringList &paths,
    bool isRead, double timeoutSeconds)
{
    const QString mode = modeWord(isRead);
    LogManager::debug(QStringLiteral("Starting controlled sequential %1 file closing phase").arg(mode));
    if (handles.empty())
        return;
    const auto group = std::make_shared<WaitGroup>();
    // One thread closes the files one after the other, in handle order.
    runDetached(group, [handles, paths, mode] {
        for (size_t i = 0; i < handles.size(); ++i) {
            const QString name = displayName(paths, int(i));
            const int result = handles[i]->close();
            if (result == 0) {
                LogManager::debug(QStringLiteral("Successfully closed %1 file: %2").arg(mode, name));
            } else if (result == EBADF) {
                LogManager::debug(QStringLiteral("File descriptor already closed for %1 file: %2").arg(mode, name));
            } else {
                // The failed close has released the descriptor already; closing
                // the number again could hit another file opened since.
                LogManager::warning(QStringLiteral("Failed to close %1 file: %2: %3 (code: %4)")
                                        .arg(mode, name, errorText(result))
                                        .arg(result));
            }
        }
    });
    if (!group->waitFor(timeoutSeconds))
        LogManager::warning(QStringLiteral("Close operations timed out after %1 seconds!").arg(int(timeoutSeconds)));
}

bool FileOperationUtility::tryOpenForVerification(const QString &path, const QString &fileName)
{
    int descriptor = openDescriptor(path, O_RDWR | O_NONBLOCK);
    if (descriptor >= 0) {
        FileHandle handle(descriptor);
        if (handle.tryLockExclusive() == 0) {
            LogManager::debug(QStringLiteral("Successfully opened file with exclusive lock: ") + fileName);
            return true;
        }
    }
    descriptor = openDescriptor(path, O_RDWR | O_NONBLOCK);
    if (descriptor >= 0) {
        ::close(descriptor);
        LogManager::debug(QStringLiteral("Successfully opened file with write access: ") + fileName);
        return true;
    }
    descriptor = openDescriptor(path, O_RDONLY | O_NONBLOCK);
    if (descriptor >= 0) {
        ::close(descriptor);
        LogManager::debug(QStringLiteral("Successfully opened file with read-only access: ") + fileName);
        return true;
    }
    LogManager::warning(QStringLiteral("⚠️ Could not verify closure of file: ") + fileName);
    return false;
}

VerificationResult FileOperationUtility::verifyFileHandlesClosed(const QStringList &paths, double timeoutSeconds)
{
    LogManager::debug(QStringLiteral("Starting explicit handle verification for %1 files").arg(paths.size()));
    struct Shared
    {
        std::mutex mutex;
        QStringList failedPaths;
        int verifiedCount = 0;
    };
    const auto shared = std::make_shared<Shared>();
    const auto group = std::make_shared<WaitGroup>();
    for (const QString &path : paths) {
        runDetached(group, [shared, path] {
            const QString name = fileName(path);
            LogManager::debug(QStringLiteral("Verifying closure for file: ") + name);
            if (!QFileInfo::exists(path)) {
                LogManager::debug(QStringLiteral("File no longer exists: %1 (counts as verified)").arg(name));
                return;
            }
            const bool opened = tryOpenForVerification(path, name);
            std::lock_guard lock(shared->mutex);
            if (opened)
                ++shared->verifiedCount;
            else
                shared->failedPaths.append(path);
        });
    }
    VerificationResult result;
    if (!group->waitFor(timeoutSeconds)) {
        LogManager::warning(QStringLiteral("Handle verification timed out after %1 seconds").arg(int(timeoutSeconds)));
        result.failedPaths = paths;
        return result;
    }
    std::lock_guard lock(shared->mutex);
    LogManager::debug(QStringLiteral("Handle verification complete: %1/%2 files verified as closed")
                          .arg(shared->verifiedCount)
                          .arg(paths.size()));
    if (!shared->failedPaths.isEmpty())
        LogManager::warning(QStringLiteral("Failed to verify closure for %1 files").arg(shared->failedPaths.size()));
    result.allVerified = shared->failedPaths.isEmpty();
    result.failedPaths = shared->failedPaths;
    result.verifiedCount = shared->verifiedCount;
    return result;
}

void FileOperationUtility::enhancedCacheFlush(const QStringList &paths, double timeoutSeconds)
{
    LogManager::debug(QStringLiteral("Flushing cache by writing to beginning, middle, and end of files"));
    const auto group = std::make_shared<WaitGroup>();
    for (const QString &path : paths) {
        runDetached(group, [path] {
            const QString name = fileName(path);
            LogManager::debug(QStringLiteral("Flushing cache for file: ") + name);
            flushFileCache(path, name, cacheFlushChunkBytes);
        });
    }
    if (!group->waitFor(timeoutSeconds))
        LogManager::warning(QStringLiteral("Cache flush operations timed out after %1 seconds").arg(int(timeoutSeconds)));
    LogManager::debug(QStringLiteral("Enhanced cache flush completed for all files"));
}

void FileOperationUtility::flushFileCache(const QString &path, const QString &fileName, qint64 chunkSizeBytes)
{
    const int descriptor = openDescriptor(path, O_RDWR);
    if (descriptor < 0) {
        LogManager::warning(QStringLiteral("Failed to open file for cache flushing: ") + fileName);
        return;
    }
    FileHandle handle(descriptor);
    const auto fail = [&fileName](int code) {
        LogManager::warning(QStringLiteral("Error during cache flush operation for %1: %2").arg(fileName, errorText(code)));
    };
    struct stat status;
    if (::fstat(descriptor, &status) != 0) {
        fail(errno);
        return;
    }
    const quint64 size = quint64(status.st_size);
    // A file shorter than one chunk is overwritten whole, never lengthened,
    // so the next read phase still reads what the write phase left.
    const size_t length = size_t(std::min<quint64>(quint64(chunkSizeBytes), size));
    std::vector<char> buffer(length);
    if (length > 0 && SecureRandom::fill(buffer.data(), length) == 0) {
        const off_t offsets[] = {0, off_t(size / 2 - length / 2), off_t(size - length)};
        for (const off_t offset : offsets) {
            const int result = writeAll(descriptor, buffer.data(), length, offset);
            if (result != 0) {
                fail(result);
                return;
            }
        }
        const int syncResult = handle.synchronize();
        if (syncResult != 0) {
            LogManager::warning(QStringLiteral("fsync failed: %1: %2 (errno: %3)")
                                    .arg(fileName, errorText(syncResult))
                                    .arg(syncResult));
        }
        const int dataResult = handle.synchronizeData();
        if (dataResult != 0) {
            fail(dataResult);
            return;
        }
        // The Linux way to push a file's pages out of the cache: written
        // back first, then dropped.
        if (handle.dropCachedPages() != 0)
            LogManager::warning(QStringLiteral("Failed to set F_NOCACHE flag for flushing: ") + fileName);
    }
    const int closeResult = handle.close();
    if (closeResult != 0)
        fail(closeResult);
}

std::shared_ptr<AlignedBuffer> FileOperationUtility::createRandomDataBuffer(qint64 sizeBytes)
{
    QElapsedTimer timer;
    timer.start();
    std::shared_ptr<AlignedBuffer> buffer = AlignedBuffer::create(size_t(std::max<qint64>(sizeBytes, 0)));
    if (!buffer) {
        LogManager::error(QStringLiteral("Error generating random data: %1").arg(ENOMEM));
        return nullptr;
    }
    const int status = SecureRandom::fill(buffer->data(), buffer->size());
    if (status != 0) {
        LogManager::error(QStringLiteral("Error generating random data: %1").arg(status));
        return nullptr;
    }
    LogManager::debug(QStringLiteral("createRandomDataBuffer: Generated %1 bytes in %2 seconds")
                          .arg(sizeBytes)
                          .arg(QString::asprintf("%.3f", double(timer.nsecsElapsed()) / 1e9)));
    return buffer;
}

void FileOperationUtility::forceCloseLingeringHandles(const QStringList &paths)
{
    LogManager::debug(QStringLiteral("Force-closing potential lingering handles for %1 files").arg(paths.size()));
    for (const QString &path : paths) {
        const int descriptor = openDescriptor(path, O_RDONLY);
        if (descriptor < 0)
            continue;
        ::close(descriptor);
        LogManager::debug(QStringLiteral("Force-closed potential lingering handle for: ") + fileName(path));
    }
}

DeletionResult FileOperationUtility::deleteDirectoryWithRetry(const QString &path, int maxAttempts)
{
    LogManager::debug(QStringLiteral("Starting cleanup for directory: ") + path);
    clearDirectoryLocks(path);
    clearParentDirectoryCache(path);
    DeletionResult result;
    if (maxAttempts < 1)
        return result;
    for (int attempt = 1; attempt <= maxAttempts; ++attempt) {
        const std::optional<RemovalError> error = DirectoryRemover::removeRecursively(path);
        if (!error) {
            if (!DirectoryRemover::existsNoFollow(path)) {
                LogManager::debug(QStringLiteral("Successfully deleted directory: ") + path);
                result.success = true;
                result.attempts = attempt;
                result.lastError.reset();
                return result;
            }
            result.lastError = QStringLiteral("Directory still exists after deletion attempt %1").arg(attempt);
            LogManager::warning(*result.lastError);
        } else {
            result.lastError = QStringLiteral("FileManager deletion failed: %1 (code: %2)")
                                   .arg(error->description)
                                   .arg(error->code);
            LogManager::warning(QStringLiteral("Deletion attempt %1 failed: %2").arg(attempt).arg(*result.lastError));
        }
        if (attempt == maxAttempts)
            break;
        const double waitSeconds = std::ldexp(0.1, attempt);
        LogManager::warning(QStringLiteral("Waiting %1 seconds before retry %2/%3")
                                .arg(QString::number(waitSeconds, 'g', QLocale::FloatingPointShortest))
                                .arg(attempt + 1)
                                .arg(maxAttempts));
        std::this_thread::sleep_for(std::chrono::duration<double>(waitSeconds));
    }
    result.attempts = maxAttempts;
    return result;
}

void FileOperationUtility::clearDirectoryLocks(const QString &path)
{
    LogManager::debug(QStringLiteral("Attempting to clear locks on directory: ") + path);
    const int descriptor = openDescriptor(path, O_RDONLY);
    if (descriptor < 0) {
        LogManager::warning(QStringLiteral("Failed to open directory for lock clearing: ") + path);
        return;
    }
    if (::fsync(descriptor) != 0)
        LogManager::warning(QStringLiteral("Directory fsync failed: ") + errorText(errno));
    else
        LogManager::debug(QStringLiteral("Directory fsync succeeded"));
    // Linux has no separate full-flush call: fsync already asks the device to
    // flush its cache, so the second step is another fsync.
    if (::fsync(descriptor) != 0)
        LogManager::debug(QStringLiteral("Directory F_FULLFSYNC failed: ") + errorText(errno));
    else
        LogManager::debug(QStringLiteral("Directory F_FULLFSYNC succeeded"));
    struct flock unlock = {};
    unlock.l_type = F_UNLCK;
    unlock.l_whence = SEEK_SET;
    if (::fcntl(descriptor, F_SETLK, &unlock) != 0)
        LogManager::debug(QStringLiteral("Directory unlock failed: ") + errorText(errno));
    else
        LogManager::debug(QStringLiteral("Directory unlock succeeded"));
    struct stat status;
    if (::fstat(descriptor, &status) == 0)
        LogManager::debug(QStringLiteral("Directory stat succeeded - may help clear caches"));
    ::close(descriptor);
}

void FileOperationUtility::clearParentDirectoryCache(const QString &path)
{
    const QString parent = QFileInfo(path).path();
    LogManager::debug(QStringLiteral("Attempting to clear parent directory cache: ") + parent);
    const int descriptor = openDescriptor(parent, O_RDONLY);
    if (descriptor < 0) {
        LogManager::warning(QStringLiteral("Failed to open parent directory: ") + parent);
        return;
    }
    DIR *stream = ::fdopendir(descriptor);
    if (!stream) {
        ::close(descriptor);
        return;
    }
    int count = 0;
    while (::readdir(stream))
        ++count;
    LogManager::debug(QStringLiteral("Refreshed parent directory listing (%1 entries)").arg(count));
    ::closedir(stream);
}

} // namespace trevlamark
