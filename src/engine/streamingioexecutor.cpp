#include "engine/streamingioexecutor.h"

#include "platform/logcategories.h"
#include "platform/alignedbuffer.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

namespace trevlamark {

namespace {

struct SharedState
{
    std::atomic<quint64> nextOperation{0};
    std::atomic<quint64> bytes{0};
    std::atomic<int> errorCode{0};
};

void recordFailure(SharedState &state, int code)
{
    int expected = 0;
    state.errorCode.compare_exchange_strong(expected, code, std::memory_order_relaxed);
}

// Writes the whole chunk at its offset. A transfer that O_DIRECT refuses is
// finished buffered on that descriptor. 0 or errno.
int writeChunk(int descriptor, const char *data, size_t length, off_t offset)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t written = ::pwrite(descriptor, data + done, length - done, offset + off_t(done));
        if (written > 0) {
            done += size_t(written);
            continue;
        }
        if (written == 0)
            return EIO;
        if (errno == EINTR)
            continue;
        if (errno == EINVAL && FileHandle::disableDirectIO(descriptor))
            continue;
        return errno;
    }
    return 0;
}

// The chunks of file k are the operations i < operations with i % files == k.
quint64 chunksOfFile(quint64 file, quint64 files, quint64 operations)
{
    return operations / files + (file < operations % files ? 1 : 0);
}

// Each worker stays on its own file while that file has chunks left (the way
// one job per file streams), then helps with the others. Claiming a chunk is
// one fetch_add on that file's counter, bounded by the file's share of the
// target, so no more chunks are ever written than the target allows.
void writeWorker(SharedState &state, std::vector<std::atomic<quint64>> &nextChunkOfFile, quint64 homeFile,
    const FileHandleList &handles, quint64 operations, size_t chunk, const char *data, ProgressCounters &counters,
    const std::atomic<bool> &cancelRequested)
{
    const quint64 files = handles.size();
    for (quint64 step = 0; step < files; ++step) {
        const quint64 file = (homeFile + step) % files;
        const quint64 chunks = chunksOfFile(file, files, operations);
        const int descriptor = handles[file]->descriptor();
        while (!cancelRequested.load(std::memory_order_relaxed)
            && state.errorCode.load(std::memory_order_relaxed) == 0) {
            const quint64 chunkIndex = nextChunkOfFile[file].fetch_add(1, std::memory_order_relaxed);
            if (chunkIndex >= chunks)
                break;
            const int result = writeChunk(descriptor, data, chunk, off_t(chunkIndex * chunk));
            if (result != 0) {
                recordFailure(state, result);
                return;
            }
            state.bytes.fetch_add(chunk, std::memory_order_relaxed);
            counters.add(chunk);
        }
    }
}

void readWorker(SharedState &state, const FileHandleList &handles, size_t chunk, ProgressCounters &counters,
    const std::atomic<bool> &cancelRequested)
{
    const std::unique_ptr<AlignedBuffer> buffer = AlignedBuffer::create(chunk);
    if (!buffer) {
        recordFailure(state, ENOMEM);
        return;
    }
    char *data = static_cast<char *>(buffer->data());
    while (!cancelRequested.load(std::memory_order_relaxed)
        && state.errorCode.load(std::memory_order_relaxed) == 0) {
        const quint64 operation = state.nextOperation.fetch_add(1, std::memory_order_relaxed);
        if (operation >= handles.size())
            return;
        const int descriptor = handles[operation]->descriptor();
        off_t offset = 0;
        while (!cancelRequested.load(std::memory_order_relaxed)) {
            const ssize_t got = ::pread(descriptor, data, chunk, offset);
            if (got == 0)
                break;
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                // An unaligned tail after a short direct read: go on buffered.
                if (errno == EINVAL && FileHandle::disableDirectIO(descriptor))
                    continue;
                recordFailure(state, errno);
                return;
            }
            offset += got;
            state.bytes.fetch_add(quint64(got), std::memory_order_relaxed);
            counters.add(quint64(got));
        }
    }
}

} // namespace

quint64 StreamingIOExecutor::plannedWriteOperations(quint64 targetBytes, qint64 chunkSizeBytes, int handleCount)
{
    if (chunkSizeBytes <= 0 || handleCount <= 0)
        return 0;
    const quint64 chunks = targetBytes / quint64(chunkSizeBytes);
    const quint64 perFile = std::max<quint64>(1, chunks / quint64(handleCount));
    return std::min(2 * chunks, quint64(handleCount) * perFile);
}

quint64 StreamingIOExecutor::writingOperations(quint64 targetBytes, qint64 chunkSizeBytes, int handleCount)
{
    if (chunkSizeBytes <= 0)
        return 0;
    return std::min(plannedWriteOperations(targetBytes, chunkSizeBytes, handleCount),
        targetBytes / quint64(chunkSizeBytes));
}

StreamingIOOutcome StreamingIOExecutor::run(const FileHandleList &handles, quint64 targetBytes, Phase phase,
    int queueDepth, qint64 chunkSizeBytes, const AlignedBuffer *data, ProgressCounters &counters,
    const std::atomic<bool> &cancelRequested)
{
    const QString operationName = phaseName(phase);
    qCInfo(lcEngine).noquote() << QStringLiteral("Starting %1 concurrent %2 streams").arg(queueDepth)
                                  .arg(operationName);

    StreamingIOOutcome outcome;
    if (chunkSizeBytes <= 0 || handles.empty()
        || (phase == Phase::Write && (!data || data->size() != size_t(chunkSizeBytes)))) {
        outcome.ioEnd = QDateTime::currentDateTime();
        outcome.ioEndClock = std::chrono::steady_clock::now();
        return outcome;
    }

    const size_t chunk = size_t(chunkSizeBytes);
    const quint64 operations = phase == Phase::Write
        ? writingOperations(targetBytes, chunkSizeBytes, int(handles.size()))
        : quint64(handles.size());
    const quint64 workerCount = std::min<quint64>(quint64(std::max(queueDepth, 1)), operations);

    SharedState state;
    std::vector<std::atomic<quint64>> nextChunkOfFile(handles.size());
    {
        std::vector<std::jthread> workers;
        workers.reserve(workerCount);
        for (quint64 i = 0; i < workerCount; ++i) {
            if (phase == Phase::Write) {
                workers.emplace_back(writeWorker, std::ref(state), std::ref(nextChunkOfFile), i % handles.size(),
                    std::cref(handles), operations, chunk,
                    static_cast<const char *>(data->data()), std::ref(counters), std::cref(cancelRequested));
            } else {
                workers.emplace_back(readWorker, std::ref(state), std::cref(handles), chunk, std::ref(counters),
                    std::cref(cancelRequested));
            }
        }
    }

    outcome.ioEnd = QDateTime::currentDateTime();
    outcome.ioEndClock = std::chrono::steady_clock::now();
    outcome.bytes = state.bytes.load();
    outcome.errorCode = state.errorCode.load();
    qCInfo(lcEngine).noquote() << QStringLiteral("All %1 operations completed").arg(operationName);
    return outcome;
}

} // namespace trevlamark
