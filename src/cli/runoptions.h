#pragma once

#include "engine/bytespercycleoptions.h"
#include "engine/throughputtestoptions.h"

#include <QString>

namespace trevlamark {

// Everything `trevlamark-cli run` was asked for, checked and ready for the engine.
struct RunOptions
{
    // Empty until resolved: no LOCATION means the application's test data folder.
    QString locationPath;
    ThroughputTestOptions chunkSize = ThroughputTestOptions::size1MB;
    int queueDepth = 8;
    BytesPerCycleOptions bytesPerCycle = BytesPerCycleOptions::size4GB;
    quint64 customBytesPerCycle = 0;
    int totalCycles = 1;
    bool writePhaseEnabled = true;
    bool readPhaseEnabled = true;
    bool disableCache = true;
    double samplingRateSeconds = 0.1;
    // Empty: no JSON; "-": standard output.
    QString jsonPath;
    // --no-history: the run is not saved.
    bool saveHistory = true;
    // --database: the history to save to; empty: the settings' team database or the local file.
    QString databaseText;
    bool quiet = false;
    bool verbose = false;
};

} // namespace trevlamark
