#pragma once
// One stream of a paced run on its own thread: frame by frame on its frame
// clock, one frame's bytes per I/O into one file per stream, or one file per
// frame for a frame sequence (create or open, write or read, close). Plain
// POSIX on the hot path; only the stream's own thread touches its tally.

#include "engine/frameclock.h"
#include "engine/frametally.h"

#include <QString>
#include <atomic>
#include <latch>
#include <memory>
#include <optional>

namespace trevlamark {

class ChunkStamp;

struct PacedStreamPlan
{
    // The stream's file, or for a sequence the folder its frame files go in.
    QString path;
    bool sequence = false;
    bool write = true;
    // false: fill in the data for a playback as fast as it goes, untimed.
    bool paced = true;
    FrameClock clock{25, 3};
    qint64 frames = 0;
    quint64 frameBytes = 0; // what the format needs
    quint64 ioBytes = 0;    // what one I/O moves (whole blocks under O_DIRECT)
    bool disableCache = true;
    bool verify = false;
    int stream = 0;
    std::shared_ptr<const ChunkStamp> chunks;
};

// How the streams start together: each says it is ready (its buffer made, its
// file open), and once all are, the run sets the start and lets them go, so
// no stream's first frame pays for another's preparation.
struct PacedStart
{
    explicit PacedStart(int streams)
        : ready(streams)
    {
    }
    std::latch ready;
    std::latch go{1};
    // CLOCK_MONOTONIC nanoseconds at which frame 0's slot begins; set before go opens.
    qint64 nanoseconds = 0;
};

struct PacedStreamOutcome
{
    FrameTally tally;
    // From the start to the last frame's completion, or its slot's end when later.
    double elapsedSeconds = 0;
    std::optional<QString> error;
    // The file system refused O_DIRECT and the stream went through the page cache.
    bool directIORefused = false;
};

class PacedStream
{
public:
    PacedStream() = delete;

    // Runs until every frame is done, `cancel` is set or an I/O fails;
    // framesDone and lateFrames count along for the live view.
    static PacedStreamOutcome run(const PacedStreamPlan &plan, PacedStart &start, const std::atomic<bool> &cancel,
        std::atomic<quint64> &framesDone, std::atomic<quint64> &lateFrames);
    static qint64 monotonicNanoseconds();
    static QString frameFileName(qint64 frame);
};

} // namespace trevlamark
