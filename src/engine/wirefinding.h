#pragma once
// What the bytes on the wire say about a phase: the wire/app ratio, and a
// finding in words when it is far from 1. Pure functions of the figures.

#include "engine/performancetestresult.h"
#include "engine/phase.h"

#include <QString>
#include <optional>

namespace trevlamark {

class WireFinding
{
public:
    WireFinding() = delete;

    // Wire bytes ÷ the bytes the phase moved; nothing without both.
    static std::optional<double> ratio(const PhaseResult &phase);
    // "served mostly from this computer's cache: 4 % of the bytes crossed the
    // wire" for a read at most half on the wire; "38 % more crossed the wire
    // than the test moved: ..." at 1.3 times or more; nothing in between.
    static std::optional<QString> text(const PhaseResult &phase, Phase kind);
    // "the interface was busy before the phase: 4.1 MB/s of other traffic
    // received, 12 % of the phase's rate" when the traffic in the phase's own
    // direction came to busyShare of its rate or more; nothing otherwise.
    static std::optional<QString> busyText(const PhaseResult &phase, Phase kind);
    // "wire 131.2 MB, 1.02 × the test's bytes", with the findings after it.
    static std::optional<QString> line(const PhaseResult &phase, Phase kind);

    static constexpr double cachedReadRatio = 0.5;
    static constexpr double overheadRatio = 1.3;
    static constexpr double busyShare = 0.1;
};

} // namespace trevlamark
