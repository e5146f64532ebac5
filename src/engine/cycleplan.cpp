#include "engine/cycleplan.h"

namespace trevlamark {

PlannedPhase CyclePlan::first()
{
    return PlannedPhase{};
}

std::optional<PlannedPhase> CyclePlan::next(const TestRequest &request, const PlannedPhase &done)
{
    PlannedPhase next;
    next.phaseId = done.phaseId + 1;
    if (done.phase == Phase::Write && request.readPhaseEnabled) {
        next.cycle = done.cycle;
        next.phase = Phase::Read;
        next.filesCycle = done.filesCycle;
        return next;
    }
    if (done.cycle >= request.totalCycles)
        return std::nullopt;
    next.cycle = done.cycle + 1;
    if (done.phase == Phase::Write || request.writePhaseEnabled) {
        next.phase = Phase::Write;
        next.filesCycle = next.cycle;
        return next;
    }
    next.phase = Phase::Read;
    next.filesCycle = done.filesCycle;
    next.flushCacheFirst = !request.disableCache;
    return next;
}

bool CyclePlan::writesAfter(const TestRequest &request, const PlannedPhase &last, bool lastCompleted)
{
    if (request.writePhaseEnabled)
        return true;
    const bool firstWriteDone = last.cycle > 1 || last.phase == Phase::Read || lastCompleted;
    return request.readPhaseEnabled && !firstWriteDone;
}

} // namespace trevlamark
