#pragma once
// The two kinds of phase a cycle has. Inside the engine a phase is this enum;
// the words "write" and "read" appear only where they are output (JSON,
// samples, timeline markers, messages).

#include "engine/performancetestresult.h"

#include <QString>

namespace trevlamark {

enum class Phase { Write, Read };

// "write" or "read"
inline QString phaseName(Phase phase)
{
    return phase == Phase::Write ? QStringLiteral("write") : QStringLiteral("read");
}

// "Write" or "Read", for the start of a sentence.
inline QString phaseTitle(Phase phase)
{
    return phase == Phase::Write ? QStringLiteral("Write") : QStringLiteral("Read");
}

// The figures of one finished phase, as the phase runner records them.
struct PhaseRecord
{
    int cycle = 0;
    Phase phase = Phase::Write;
    PhaseResult figures;
};

} // namespace trevlamark
