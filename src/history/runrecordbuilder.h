#pragma once
// Makes the RunRecord of a finished run from what the front end asked for, what
// the engine delivered and the mount the location lies on; both front ends
// save their runs through it.

#include "engine/performancetestresult.h"
#include "engine/streamresult.h"
#include "engine/testrequest.h"
#include "engine/timelinemarker.h"
#include "history/runrecord.h"
#include "platform/mountentry.h"

#include <QList>
#include <optional>

namespace trevlamark {

class RunRecordBuilder
{
public:
    RunRecordBuilder() = delete;

    // Looks up the location's mount and this machine's facts, then builds.
    static RunRecord build(const TestRequest &request, const PerformanceTestResult &result,
        const QList<StreamResult> &samples, const QList<TimelineMarker> &markers);
    // Everything but the machine's facts (host name, version, kernel), from the given mount.
    static RunRecord build(const TestRequest &request, const PerformanceTestResult &result,
        const QList<StreamResult> &samples, const QList<TimelineMarker> &markers,
        const std::optional<MountEntry> &mount);
    static RunOutcome outcome(const PerformanceTestResult &result);
};

} // namespace trevlamark
