#include "engine/streamingioexecutor.h"

#include "platform/logcategories.h"
#include "engine/chunkstamp.h"
#include "platform/alignedbuffer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/uio.h>
#include <thread>
#include <unistd.h>

namespace trevlamark {

namespace {

using Clock = std::chrono::steady_clock;

quint64 nanosecondsSince(Clock::time_point start)
{
    return quint64(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
}

// What all workers of one call share; the failure is written only by the
// worker that set `failed` first and read after the workers have joined.
struct SharedState
{
    SharedState(const FileHandleList &fileHandles, const StreamingIOJob &ioJob, ProgressCounters &progress,
        const std::atomic<bool> &cancel)
        : handles(fileHandles)
        , job(ioJob)
        , counters(progress)
        , cancelRequested(cancel)
        , chunk(size_t(ioJob.chunkSizeBytes))
        , nextChunkOfFile(fileHandles.size())
        , fileBytes(fileHandles.size())
    {
    }

    bool goingOn() const
    {
        return !cancelRequested.load(std::memory_order_relaxed) && !failed.load(std::memory_order_relaxed);
    }

    void fail(const StreamingIOFailure &what)
    {
        bool expected = false;
        if (failed.compare_exchange_strong(expected, true))
            failure = what;
    }

    void count(size_t file, quint64 transferred)
    {
        bytes.fetch_add(transferred, std::memory_order_relaxed);
        fileBytes[file].fetch_add(transferred, std::memory_order_relaxed);
        counters.add(transferred);
    }

    const FileHandleList &handles;
    const StreamingIOJob &job;
    ProgressCounters &counters;
    const std::atomic<bool> &cancelRequested;
    const size_t chunk;
    quint64 operations = 0;
    std::atomic<quint64> nextOperation{0};
    std::atomic<quint64> bytes{0};
    std::vector<std::atomic<quint64>> nextChunkOfFile;
    std::vector<std::atomic<quint64>> fileBytes;
    std::atomic<bool> failed{false};
    StreamingIOFailure failure;
};

StreamingIOFailure transferFailure(int errorCode, size_t file)
{
    return StreamingIOFailure{StreamingIOFailure::Kind::Transfer, errorCode, file, 0, 0};
}

// Writes the whole chunk at its offset: the stamped head from the worker's own
// block, the rest from the shared payload, in one pwritev. A transfer that
// O_DIRECT refuses is finished buffered on that descriptor. 0 or errno.
int writeChunk(int descriptor, const char *head, const char *payload, size_t length, off_t offset)
{
    const size_t headLength = ChunkStamp::headBytes;
    size_t done = 0;
    while (done < length) {
        ssize_t written;
        if (done == 0) {
            const iovec parts[] = {{const_cast<char *>(head), headLength},
                {const_cast<char *>(payload + headLength), length - headLength}};
            written = ::pwritev(descriptor, parts, 2, offset);
        } else if (done < headLength) {
            written = ::pwrite(descriptor, head + done, headLength - done, offset + off_t(done));
        } else {
            written = ::pwrite(descriptor, payload + done, length - done, offset + off_t(done));
        }
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

// Fills `data` from `offset` until it holds a chunk or the file ends: the
// bytes read, or -errno.
ssize_t readChunk(SharedState &state, size_t file, int descriptor, char *data, off_t offset)
{
    size_t filled = 0;
    while (filled < state.chunk && !state.cancelRequested.load(std::memory_order_relaxed)) {
        const ssize_t got = ::pread(descriptor, data + filled, state.chunk - filled, offset + off_t(filled));
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            // An unaligned tail after a short direct read: go on buffered.
            if (errno == EINVAL && FileHandle::disableDirectIO(descriptor))
                continue;
            return -errno;
        }
        filled += size_t(got);
        state.count(file, quint64(got));
    }
    return ssize_t(filled);
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
void writeWorker(SharedState &state, quint64 homeFile, LatencyHistogram &latencies)
{
    const std::unique_ptr<AlignedBuffer> head = AlignedBuffer::create(ChunkStamp::headBytes);
    if (!head) {
        state.fail(transferFailure(ENOMEM, homeFile));
        return;
    }
    const char *payload = static_cast<const char *>(state.job.chunks->payload().data());
    char *headData = static_cast<char *>(head->data());
    std::memcpy(headData, payload, ChunkStamp::headBytes);
    const quint64 files = state.handles.size();
    for (quint64 step = 0; step < files; ++step) {
        const quint64 file = (homeFile + step) % files;
        const quint64 chunks = chunksOfFile(file, files, state.operations);
        const int descriptor = state.handles[file]->descriptor();
        while (state.goingOn()) {
            const quint64 chunkIndex = state.nextChunkOfFile[file].fetch_add(1, std::memory_order_relaxed);
            if (chunkIndex >= chunks)
                break;
            const quint64 offset = chunkIndex * state.chunk;
            state.job.chunks->stamp(headData, file, offset);
            const Clock::time_point start = Clock::now();
            const int result = writeChunk(descriptor, headData, payload, state.chunk, off_t(offset));
            if (result != 0) {
                state.fail(transferFailure(result, file));
                return;
            }
            latencies.record(nanosecondsSince(start));
            state.count(file, state.chunk);
        }
    }
}

void readFile(SharedState &state, size_t file, char *data, LatencyHistogram &latencies)
{
    const quint64 expected =
        file < state.job.expectedFileBytes.size() ? state.job.expectedFileBytes[file] : StreamingIOJob::unknownSize;
    const bool verify = state.job.verify && state.job.chunks && expected != StreamingIOJob::unknownSize;
    const int descriptor = state.handles[file]->descriptor();
    quint64 offset = 0;
    while (state.goingOn()) {
        const Clock::time_point start = Clock::now();
        const ssize_t got = readChunk(state, file, descriptor, data, off_t(offset));
        if (got < 0) {
            state.fail(transferFailure(int(-got), file));
            return;
        }
        if (got == 0)
            break;
        latencies.record(nanosecondsSince(start));
        if (verify) {
            if (const auto differs = state.job.chunks->firstDifference(data, size_t(got), file, offset)) {
                state.fail(StreamingIOFailure{StreamingIOFailure::Kind::DataDiffers, 0, file, offset + *differs, 0});
                return;
            }
        }
        offset += quint64(got);
        if (size_t(got) < state.chunk)
            break;
    }
    if (state.goingOn() && expected != StreamingIOJob::unknownSize && offset != expected)
        state.fail(StreamingIOFailure{StreamingIOFailure::Kind::ShortRead, 0, file, offset, expected});
}

void readWorker(SharedState &state, LatencyHistogram &latencies)
{
    const std::unique_ptr<AlignedBuffer> buffer = AlignedBuffer::create(state.chunk);
    if (!buffer) {
        state.fail(transferFailure(ENOMEM, 0));
        return;
    }
    while (state.goingOn()) {
        const quint64 file = state.nextOperation.fetch_add(1, std::memory_order_relaxed);
        if (file >= state.handles.size())
            return;
        readFile(state, size_t(file), static_cast<char *>(buffer->data()), latencies);
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

StreamingIOOutcome StreamingIOExecutor::run(const FileHandleList &handles, const StreamingIOJob &job,
    ProgressCounters &counters, const std::atomic<bool> &cancelRequested)
{
    const QString operationName = phaseName(job.phase);
    qCInfo(lcEngine).noquote() << QStringLiteral("Starting %1 concurrent %2 streams").arg(job.queueDepth)
                                  .arg(operationName);

    StreamingIOOutcome outcome;
    outcome.fileBytes.assign(handles.size(), 0);
    if (job.chunkSizeBytes <= 0 || handles.empty()
        || (job.phase == Phase::Write && (!job.chunks || job.chunks->chunkBytes() != size_t(job.chunkSizeBytes)
                                             || size_t(job.chunkSizeBytes) < ChunkStamp::headBytes))) {
        outcome.ioEnd = QDateTime::currentDateTime();
        outcome.ioEndClock = Clock::now();
        return outcome;
    }

    SharedState state(handles, job, counters, cancelRequested);
    state.operations = job.phase == Phase::Write
        ? writingOperations(job.targetBytes, job.chunkSizeBytes, int(handles.size()))
        : quint64(handles.size());
    const quint64 workerCount = std::min<quint64>(quint64(std::max(job.queueDepth, 1)), state.operations);
    std::vector<LatencyHistogram> latencies(workerCount);
    {
        std::vector<std::jthread> workers;
        workers.reserve(workerCount);
        for (quint64 i = 0; i < workerCount; ++i) {
            if (job.phase == Phase::Write)
                workers.emplace_back(writeWorker, std::ref(state), i % handles.size(), std::ref(latencies[i]));
            else
                workers.emplace_back(readWorker, std::ref(state), std::ref(latencies[i]));
        }
    }

    outcome.ioEnd = QDateTime::currentDateTime();
    outcome.ioEndClock = Clock::now();
    outcome.bytes = state.bytes.load();
    outcome.failure = state.failure;
    for (size_t i = 0; i < handles.size(); ++i)
        outcome.fileBytes[i] = state.fileBytes[i].load();
    for (const LatencyHistogram &histogram : latencies)
        outcome.latencies.merge(histogram);
    qCInfo(lcEngine).noquote() << QStringLiteral("All %1 operations completed").arg(operationName);
    return outcome;
}

} // namespace trevlamark
