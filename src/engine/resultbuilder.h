#pragma once
// Turns what a run recorded into its PerformanceTestResult: a pure function of
// the request, the phases' figures and how the run ended.

#include "engine/performancetestresult.h"
#include "engine/phase.h"
#include "engine/testrequest.h"

#include <QDateTime>
#include <QList>
#include <optional>

namespace trevlamark {

struct RunSummary
{
    TestRequest request;
    QList<PhaseRecord> phases;
    bool stoppedByHand = false;
    std::optional<QString> errorMessage; // set when a failure ended the run
    int cyclesReached = 0;               // the cycle the run was in when it ended
    // The phase switches as the run ended: a read-only run writes in its first cycle.
    bool writePhaseEnabled = true;
    bool readPhaseEnabled = true;
    std::optional<QString> interfaceInfo;
    QDateTime timestamp;
};

struct PhaseTotals
{
    quint64 bytes = 0;
    double duration = 0; // seconds
    double speed() const { return duration > 0 ? double(bytes) / duration * bytesToMegabytes : 0.0; }
};

class ResultBuilder
{
public:
    ResultBuilder() = delete;

    static PerformanceTestResult build(const RunSummary &summary);
    static PhaseTotals totals(const QList<PhaseRecord> &phases, Phase phase);
    // One entry per cycle that recorded a phase, in cycle order.
    static QList<CycleResult> cycleResults(const QList<PhaseRecord> &phases);

    // The share of a link's bits that TCP over IPv4 on Ethernet carries as
    // payload: (MTU - 52) / (MTU + 38), with TCP timestamps, the Ethernet
    // header, FCS, preamble and inter-frame gap; about 0.94 at 1500.
    static double payloadEfficiency(int mtuBytes);
    // MB/s (1 MB = 1,048,576 bytes) of payload the link can carry; nothing
    // when its speed is not known. An unknown MTU counts as 1500.
    static std::optional<double> usableLinkRate(const NetworkInterfaceInfo &link);
    // A phase this far above the usable rate cannot have come over the link.
    static constexpr double fasterThanLinkMargin = 1.05;

private:
    static void judgeAgainstLink(std::optional<PhaseResult> &phase, double usableRate);
};

} // namespace trevlamark
