#pragma once
// Which phase a run does next: a pure function of the request and the phase
// just done, so every kind of run moves through its cycles the same way.

#include "engine/phase.h"
#include "engine/testrequest.h"

#include <optional>

namespace trevlamark {

struct PlannedPhase
{
    int cycle = 1;
    Phase phase = Phase::Write;
    int phaseId = 0;    // counts the run's phases from 0, for the samples
    int filesCycle = 1; // whose files the phase moves: a read reads what was written last
    // A read again of the same files through the cache would come back from memory.
    bool flushCacheFirst = false;

    bool operator==(const PlannedPhase &) const = default;
};

class CyclePlan
{
public:
    CyclePlan() = delete;

    // Every run begins by writing: a read-only run needs data to read.
    static PlannedPhase first();
    // The phase after `done`; nothing when the run is complete. After a write
    // comes its read, unless reads are off; after a read the next cycle
    // writes, unless writes are off, and then reads the same files again.
    static std::optional<PlannedPhase> next(const TestRequest &request, const PlannedPhase &done);
    // Whether write phases are still part of the run once `last` has ended
    // (or while it runs, when it has not): a read-only run writes in its
    // first cycle only.
    static bool writesAfter(const TestRequest &request, const PlannedPhase &last, bool lastCompleted);
};

} // namespace trevlamark
