#pragma once
// Everything one run is asked to do, as the front ends hand it to the engine.
// Its member initialisers are the one set of defaults: the CLI starts from
// them, and the window starts from defaultsFor(), which asks less of a share
// on a slow link.

#include "discovery/networkinterfaceinfo.h"
#include "discovery/networkshare.h"
#include "engine/bytespercycleoptions.h"
#include "engine/fioclient.h"
#include "engine/mediaformat.h"
#include "engine/throughputtestoptions.h"

#include <QString>
#include <optional>

namespace trevlamark {

// N streams of one format, each on its own frame clock, for a duration.
struct PacedRequest
{
    MediaFormat format;
    int streams = 1;
    double durationSeconds = 60;
    // A frame completing later than its slot plus this many frames is late.
    int bufferFrames = 3;

    // The bytes one frame's I/O moves: a whole number of 4 KiB blocks when the
    // cache is bypassed, as O_DIRECT needs.
    quint64 ioBytesPerFrame(bool disableCache) const;
    // The space the run's files take in the location.
    quint64 bytesNeeded(bool disableCache) const;
    bool operator==(const PacedRequest &) const = default;
};

struct TestRequest
{
    // The share the location belongs to; its mount path stands in for an
    // empty location path.
    NetworkShare share;
    QString locationPath;
    ThroughputTestOptions chunkSize = ThroughputTestOptions::size1MB;
    int queueDepth = 8;
    BytesPerCycleOptions bytesPerCycle = BytesPerCycleOptions::size4GB;
    quint64 customBytesPerCycle = 0;
    int totalCycles = 1;
    bool disableCache = true;
    bool writePhaseEnabled = true;
    bool readPhaseEnabled = true;
    double samplingRateSeconds = 0.1;
    // Adds the diagnostic timeline markers (synced, closed, cache flushed).
    bool developerMode = false;
    // How the result names the tested location after a stop by hand; an
    // automatic stop names the location path.
    std::optional<QString> interfaceInfo;
    // The interface that carries the share, when known: its link speed and MTU
    // let the result say how much of the link each phase used.
    std::optional<NetworkInterfaceInfo> link;
    // Read phases compare every chunk with what the run wrote there.
    bool verifyData = false;
    // fio servers to run the test from at once; empty runs it from this computer.
    QList<FioClient> clients;
    // Paced streams of a media format instead of the streaming test: capture
    // is the write phase, playback the read phase.
    std::optional<PacedRequest> paced;

    // The defaults for a location the window opens: a local folder or a share
    // on a link of 25 Gb/s or more keeps them; 10 Gb/s halves the bytes per
    // cycle; a slower or unknown link moves 1 GiB over 4 streams, so a first
    // run on it ends in reasonable time.
    static TestRequest defaultsFor(bool isNetworkLocation, std::optional<int> linkSpeedMbps);

    // The location the test directory goes into: the location path, else the
    // share's mount path; empty when neither is known.
    QString testLocation() const;
    quint64 resolvedBytesPerCycle() const;
    // A phase moves whole chunks only: the cycle's bytes rounded down to them.
    quint64 targetBytesPerPhase() const;
    quint64 totalTargetBytes() const;

    // The bytes a whole run moves: both phases of every cycle, or one phase
    // each, plus the first cycle's write that a read-only run needs for its
    // data. Saturates at the largest quint64 instead of wrapping.
    static quint64 totalTargetBytes(quint64 bytesPerCycle, int totalCycles, bool writePhaseEnabled,
        bool readPhaseEnabled);
};

} // namespace trevlamark
