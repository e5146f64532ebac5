#include "engine/pacedstream.h"

#include "engine/chunkstamp.h"
#include "platform/alignedbuffer.h"
#include "platform/filehandle.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace trevlamark {

namespace {

// Long waits are cut into slices so a stop is noticed soon at any frame rate.
constexpr qint64 kLongestSleepNanoseconds = 100'000'000;

void sleepUntil(qint64 deadline, const std::atomic<bool> &cancel)
{
    for (;;) {
        const qint64 now = PacedStream::monotonicNanoseconds();
        if (now >= deadline || cancel.load(std::memory_order_relaxed))
            return;
        const qint64 until = std::min(deadline, now + kLongestSleepNanoseconds);
        timespec wake{time_t(until / 1'000'000'000), long(until % 1'000'000'000)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr);
    }
}

QString errorText(const QString &what, const QString &path, int code)
{
    return QStringLiteral("%1 \"%2\" failed: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(code)));
}

// Whole transfers only: a short write or read is continued where it stopped.
bool transfer(int fd, bool write, char *data, quint64 bytes, quint64 offset, int *errorCode)
{
    quint64 done = 0;
    while (done < bytes) {
        const ssize_t moved = write ? ::pwrite(fd, data + done, bytes - done, off_t(offset + done))
                                    : ::pread(fd, data + done, bytes - done, off_t(offset + done));
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved <= 0) {
            *errorCode = moved < 0 ? errno : EIO;
            return false;
        }
        done += quint64(moved);
    }
    return true;
}

struct OpenedFile
{
    std::unique_ptr<FileHandle> handle;
    int errorCode = 0;
};

OpenedFile openOnce(const QByteArray &path, int flags)
{
    OpenedFile opened;
    int descriptor;
    do {
        descriptor = ::open(path.constData(), flags, 0644);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
        opened.errorCode = errno;
    else
        opened.handle = std::make_unique<FileHandle>(descriptor);
    return opened;
}

OpenedFile openFile(const QString &path, bool write, bool direct, bool *directRefused)
{
    const QByteArray encoded = QFile::encodeName(path);
    const int flags = (write ? O_WRONLY | O_CREAT : O_RDONLY) | O_CLOEXEC;
    if (direct && !*directRefused) {
        OpenedFile opened = openOnce(encoded, flags | O_DIRECT);
        if (opened.handle || opened.errorCode != EINVAL)
            return opened;
        // The file system takes no O_DIRECT (tmpfs, some FUSE shares).
        *directRefused = true;
    }
    return openOnce(encoded, flags);
}

} // namespace

qint64 PacedStream::monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

QString PacedStream::frameFileName(qint64 frame)
{
    return QStringLiteral("frame_%1").arg(frame, 7, 10, QLatin1Char('0'));
}

PacedStreamOutcome PacedStream::run(const PacedStreamPlan &plan, PacedStart &start, const std::atomic<bool> &cancel,
    std::atomic<quint64> &framesDone, std::atomic<quint64> &lateFrames)
{
    PacedStreamOutcome outcome;
    // Ready once, whichever way the preparation ends: the other streams wait for it.
    bool counted = false;
    const auto readyToGo = [&] {
        if (!counted)
            start.ready.count_down();
        counted = true;
    };
    const auto failure = [&](const QString &text) {
        readyToGo();
        outcome.error = text;
        return outcome;
    };
    const std::unique_ptr<AlignedBuffer> buffer = AlignedBuffer::create(size_t(plan.ioBytes));
    if (!buffer || !plan.chunks || plan.chunks->chunkBytes() < plan.ioBytes)
        return failure(QStringLiteral("No memory for a frame of %1 bytes").arg(plan.ioBytes));
    char *data = static_cast<char *>(buffer->data());
    std::memcpy(data, plan.chunks->payload().data(), size_t(plan.ioBytes));

    OpenedFile wrapped;
    if (!plan.sequence) {
        wrapped = openFile(plan.path, plan.write, plan.disableCache, &outcome.directIORefused);
        if (!wrapped.handle)
            return failure(errorText(QStringLiteral("Opening"), plan.path, wrapped.errorCode));
    }
    readyToGo();
    start.go.wait();
    const qint64 startNanoseconds = start.nanoseconds;

    qint64 previousCompletion = 0;
    qint64 frame = 0;
    for (; frame < plan.frames && !cancel.load(std::memory_order_relaxed); ++frame) {
        const qint64 issueAt = plan.paced ? plan.clock.issueTime(frame, previousCompletion) : 0;
        sleepUntil(startNanoseconds + issueAt, cancel);
        if (cancel.load(std::memory_order_relaxed))
            break;
        const quint64 offset = plan.sequence ? 0 : quint64(frame) * plan.ioBytes;
        // Stamped with the frame's own place, so every frame of the run differs.
        const quint64 stampOffset = quint64(frame) * plan.ioBytes;
        if (plan.write)
            plan.chunks->stamp(data, quint64(plan.stream), stampOffset);

        const qint64 issued = monotonicNanoseconds() - startNanoseconds;
        int errorCode = 0;
        QString failedStep;
        QString path = plan.path;
        if (plan.sequence) {
            path = plan.path + QLatin1Char('/') + frameFileName(frame);
            OpenedFile file = openFile(path, plan.write, plan.disableCache, &outcome.directIORefused);
            if (!file.handle) {
                errorCode = file.errorCode;
                failedStep = QStringLiteral("Opening");
            } else if (!transfer(file.handle->descriptor(), plan.write, data, plan.ioBytes, 0, &errorCode)) {
                failedStep = plan.write ? QStringLiteral("Writing") : QStringLiteral("Reading");
            } else if ((errorCode = file.handle->close()) != 0) {
                failedStep = QStringLiteral("Closing");
            }
        } else if (!transfer(wrapped.handle->descriptor(), plan.write, data, plan.ioBytes, offset, &errorCode)) {
            failedStep = plan.write ? QStringLiteral("Writing") : QStringLiteral("Reading");
        }
        if (!failedStep.isEmpty()) {
            outcome.error = errorText(failedStep, path, errorCode);
            break;
        }
        const qint64 completion = monotonicNanoseconds() - startNanoseconds;
        if (!plan.write && plan.verify) {
            if (const std::optional<size_t> difference =
                    plan.chunks->firstDifference(data, size_t(plan.ioBytes), quint64(plan.stream), stampOffset)) {
                outcome.error = QStringLiteral("Frame %1 of \"%2\" differs from what was written, at byte %3")
                                    .arg(frame)
                                    .arg(path)
                                    .arg(*difference);
                break;
            }
        }
        outcome.tally.record(plan.clock, frame, issued, completion, plan.frameBytes);
        previousCompletion = completion;
        framesDone.fetch_add(1, std::memory_order_relaxed);
        lateFrames.store(outcome.tally.lateFrames(), std::memory_order_relaxed);
    }
    if (wrapped.handle) {
        const int closeError = wrapped.handle->close();
        if (closeError != 0 && !outcome.error)
            outcome.error = errorText(QStringLiteral("Closing"), plan.path, closeError);
    }
    outcome.elapsedSeconds = double(std::max(previousCompletion, plan.clock.slotStart(frame))) / 1e9;
    return outcome;
}

} // namespace trevlamark
