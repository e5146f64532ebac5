#include "engine/fileoperationutility.h"

#include "platform/logcategories.h"
#include "platform/alignedbuffer.h"
#include "platform/detachedthreads.h"
#include "platform/securerandom.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace trevlamark {

namespace {

QString errorText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Runs one step per item on threads of its own and waits for all of them at
// most timeoutSeconds; true when they all finished in time.
template<typename Step>
bool runEachWithin(double timeoutSeconds, int count, Step step)
{
    return DetachedThreads::runWithin<bool>(timeoutSeconds, [count, step] {
        std::vector<std::thread> threads;
        threads.reserve(size_t(count));
        for (int i = 0; i < count; ++i) {
            try {
                threads.emplace_back(step, i);
            } catch (const std::system_error &) {
                step(i); // no thread to be had: the step runs here instead
            }
        }
        for (std::thread &thread : threads)
            thread.join();
        return true;
    }).has_value();
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

int readAll(int descriptor, char *data, size_t length, off_t offset)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(descriptor, data + done, length - done, offset + off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0 ? EIO : errno;
        done += size_t(got);
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

FileHandleList FileOperationUtility::openFileHandles(const QStringList &paths, Phase phase, bool disableCache,
    QString *failure)
{
    const QString mode = phaseName(phase);
    if (disableCache)
        qCDebug(lcEngine).noquote() << QStringLiteral("Disabling %1 cache").arg(mode);
    FileHandleList handles;
    for (const QString &path : paths) {
        const QString name = fileName(path);
        int errorCode = 0;
        std::unique_ptr<FileHandle> handle =
            FileHandle::open(path, phase == Phase::Write ? O_WRONLY : O_RDONLY, &errorCode);
        if (!handle) {
            // A file left out would shift every later file onto the wrong
            // stamps and leave its bytes unmeasured: the whole phase fails.
            *failure = QStringLiteral("Failed to open file for %1: %2: %3").arg(mode, name, errorText(errorCode));
            qCCritical(lcEngine).noquote() << *failure;
            return {};
        }
        if (disableCache) {
            if (handle->enableDirectIO() == 0)
                qCDebug(lcEngine).noquote() << QStringLiteral("Successfully set O_DIRECT for %1 to %2").arg(mode, name);
            else
                qCWarning(lcEngine).noquote() << QStringLiteral("Failed to set O_DIRECT flag for %1 to %2")
                                                 .arg(mode, name);
        }
        handles.push_back(std::move(handle));
    }
    return handles;
}

void FileOperationUtility::synchronizeFiles(const FileHandleList &handles, const QStringList &paths, Phase phase,
    double timeoutSeconds)
{
    const QString mode = phaseName(phase);
    qCInfo(lcEngine).noquote() << QStringLiteral("Synchronizing %1 %2 files").arg(handles.size()).arg(mode);
    for (size_t i = 0; i < handles.size(); ++i)
        qCDebug(lcEngine).noquote() << QStringLiteral("Synchronizing %1 file: %2")
                                       .arg(mode, displayName(paths, int(i)));
    const bool finished = runEachWithin(timeoutSeconds, int(handles.size()), [handles, paths, mode](int i) {
        const QString name = displayName(paths, i);
        const int result = handles[size_t(i)]->synchronize();
        if (result == 0) {
            qCDebug(lcEngine).noquote() << QStringLiteral("fsync succeeded for %1 file: %2").arg(mode, name);
            return;
        }
        qCWarning(lcEngine).noquote() << QStringLiteral("fsync failed for %1 file %2: %3 (errno: %4)")
                                             .arg(mode, name, errorText(result))
                                             .arg(result);
        const int fallback = handles[size_t(i)]->synchronizeData();
        if (fallback == 0)
            qCDebug(lcEngine).noquote() << QStringLiteral("Fallback synchronize succeeded for %1 file: %2")
                                           .arg(mode, name);
        else
            qCWarning(lcEngine).noquote() << QStringLiteral("Both fsync and synchronize failed for %1 file %2: %3")
                                                 .arg(mode, name, errorText(fallback));
    });
    if (!finished) {
        qCWarning(lcEngine).noquote() << QStringLiteral("%1 synchronization operations timed out after %2 seconds!")
                                             .arg(phaseTitle(phase))
                                             .arg(int(timeoutSeconds));
    } else {
        qCDebug(lcEngine).noquote() << QStringLiteral("All %1 file synchronization operations completed successfully")
                                       .arg(mode);
    }
}

void FileOperationUtility::closeFilesSequentially(const FileHandleList &handles, const QStringList &paths,
    Phase phase, double timeoutSeconds)
{
    const QString mode = phaseName(phase);
    qCDebug(lcEngine).noquote() << QStringLiteral("Starting controlled sequential %1 file closing phase").arg(mode);
    if (handles.empty())
        return;
    // One thread closes the files one after the other, in handle order.
    const bool finished = DetachedThreads::runWithin<bool>(timeoutSeconds, [handles, paths, mode] {
        for (size_t i = 0; i < handles.size(); ++i) {
            const QString name = displayName(paths, int(i));
            const int result = handles[i]->close();
            if (result == 0) {
                qCDebug(lcEngine).noquote() << QStringLiteral("Successfully closed %1 file: %2").arg(mode, name);
            } else if (result == EBADF) {
                qCDebug(lcEngine).noquote() << QStringLiteral("File descriptor already closed for %1 file: %2")
                                               .arg(mode, name);
            } else {
                // The failed close has released the descriptor already; closing
                // the number again could hit another file opened since.
                qCWarning(lcEngine).noquote() << QStringLiteral("Failed to close %1 file: %2: %3 (code: %4)")
                                                     .arg(mode, name, errorText(result))
                                                     .arg(result);
            }
        }
        return true;
    }).has_value();
    if (!finished)
        qCWarning(lcEngine).noquote() << QStringLiteral("Close operations timed out after %1 seconds!")
                                         .arg(int(timeoutSeconds));
}

void FileOperationUtility::enhancedCacheFlush(const QStringList &paths, double timeoutSeconds)
{
    qCDebug(lcEngine).noquote() << QStringLiteral("Flushing cache by writing to beginning, middle, and end of files");
    const bool finished = runEachWithin(timeoutSeconds, int(paths.size()), [paths](int i) {
        const QString name = fileName(paths.at(i));
        qCDebug(lcEngine).noquote() << QStringLiteral("Flushing cache for file: ") + name;
        flushFileCache(paths.at(i), name, cacheFlushLengthBytes);
    });
    if (!finished)
        qCWarning(lcEngine).noquote() << QStringLiteral("Cache flush operations timed out after %1 seconds")
                                         .arg(int(timeoutSeconds));
    qCDebug(lcEngine).noquote() << QStringLiteral("Enhanced cache flush completed for all files");
}

void FileOperationUtility::flushFileCache(const QString &path, const QString &fileName, qint64 lengthBytes)
{
    int errorCode = 0;
    const std::unique_ptr<FileHandle> handle = FileHandle::open(path, O_RDWR, &errorCode);
    if (!handle) {
        qCWarning(lcEngine).noquote() << QStringLiteral("Failed to open file for cache flushing: ") + fileName;
        return;
    }
    const auto fail = [&fileName](int code) {
        qCWarning(lcEngine).noquote() << QStringLiteral("Error during cache flush operation for %1: %2")
                                         .arg(fileName, errorText(code));
    };
    struct stat status;
    if (::fstat(handle->descriptor(), &status) != 0) {
        fail(errno);
        return;
    }
    const quint64 size = quint64(status.st_size);
    // A file shorter than the length is overwritten whole, never lengthened,
    // so the next read phase still reads what the write phase left.
    const size_t length = size_t(std::min<quint64>(quint64(lengthBytes), size));
    std::vector<char> buffer(length);
    if (length > 0) {
        // Each region is written back as it is: the write still sends the
        // file through the cache and the storage, and the run's data stays
        // what a verifying read expects.
        const off_t offsets[] = {0, off_t(size / 2 - length / 2), off_t(size - length)};
        for (const off_t offset : offsets) {
            int result = readAll(handle->descriptor(), buffer.data(), length, offset);
            if (result == 0)
                result = writeAll(handle->descriptor(), buffer.data(), length, offset);
            if (result != 0) {
                fail(result);
                return;
            }
        }
        const int syncResult = handle->synchronize();
        if (syncResult != 0) {
            qCWarning(lcEngine).noquote() << QStringLiteral("fsync failed: %1: %2 (errno: %3)")
                                                 .arg(fileName, errorText(syncResult))
                                                 .arg(syncResult);
        }
        const int dataResult = handle->synchronizeData();
        if (dataResult != 0) {
            fail(dataResult);
            return;
        }
        // The Linux way to push a file's pages out of the cache: written
        // back first, then dropped.
        if (handle->dropCachedPages() != 0)
            qCWarning(lcEngine).noquote() << QStringLiteral("Failed to drop cached pages for flushing: ") + fileName;
    }
    const int closeResult = handle->close();
    if (closeResult != 0)
        fail(closeResult);
}

std::shared_ptr<AlignedBuffer> FileOperationUtility::createRandomDataBuffer(qint64 sizeBytes)
{
    QElapsedTimer timer;
    timer.start();
    std::shared_ptr<AlignedBuffer> buffer = AlignedBuffer::create(size_t(std::max<qint64>(sizeBytes, 0)));
    if (!buffer) {
        qCCritical(lcEngine).noquote() << QStringLiteral("Error generating random data: %1").arg(ENOMEM);
        return nullptr;
    }
    const int status = SecureRandom::fill(buffer->data(), buffer->size());
    if (status != 0) {
        qCCritical(lcEngine).noquote() << QStringLiteral("Error generating random data: %1").arg(status);
        return nullptr;
    }
    qCDebug(lcEngine).noquote() << QStringLiteral("createRandomDataBuffer: Generated %1 bytes in %2 seconds")
                                       .arg(sizeBytes)
                                       .arg(QString::asprintf("%.3f", double(timer.nsecsElapsed()) / 1e9));
    return buffer;
}

} // namespace trevlamark
