#pragma once

#include "engine/phase.h"

#include <QMetaType>
#include <QString>
#include <optional>

namespace trevlamark {

// Where a run is: the phase in flight and how much of it is done.
struct RunProgress
{
    double fraction = 0; // of the running phase, 0 to 1
    QString message;     // "Cycle 2/5 Read - 75%", or "Completing read phase..."
    Phase phase = Phase::Write;
    int cycle = 1;
    int phaseId = 0;
    // With the phase's completion: its figure in MB/s, which a phase shorter
    // than one sample (or than fio's status line) has no sample to show.
    std::optional<double> phaseThroughput;
};

} // namespace trevlamark

Q_DECLARE_METATYPE(trevlamark::RunProgress)
