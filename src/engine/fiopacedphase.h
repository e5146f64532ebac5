#pragma once
// One paced phase from many fio clients: the jobs it sends, and what it came to: each client's latency
// logs, one per stream, read back from the folder fio's client writes them
// to, tallied per stream, per client and over all of them.

#include "engine/cycleplan.h"
#include "engine/fiojobfile.h"
#include "engine/frameclock.h"
#include "engine/pacedresult.h"
#include "engine/phase.h"
#include "engine/testrequest.h"

#include <QList>
#include <QString>
#include <optional>

class QDir;

namespace trevlamark {

struct FioPacedLogs
{
    QString client; // the server's name
    QString prefix; // its jobs' latency log prefix
};

class FioPacedPhase
{
public:
    FioPacedPhase() = delete;

    struct Outcome
    {
        PacedDirection direction;
        PhaseRecord record;
        // A missing or unreadable log: the phase has no honest count of late frames.
        std::optional<QString> problem;
    };

    // Whether the phase runs on the frame clock: playback without capture
    // reads data written first, as fast as it goes and untimed.
    static bool timed(const TestRequest &request, const PlannedPhase &phase);
    // The jobs of one client: a stream each, one frame per I/O, the stream's
    // frames one after the other in its file. Location, directory and log
    // prefix are each client's own.
    static FioPhaseShape shape(const TestRequest &request, const PlannedPhase &phase);

    // Reads and then removes "<prefix>_lat.<job>.log*" of every client; job n
    // is stream n - 1.
    static Outcome collect(const QDir &folder, const QList<FioPacedLogs> &clients, int streams, const FrameClock &clock,
        quint64 frameBytes, bool capture, int cycle);
};

} // namespace trevlamark
