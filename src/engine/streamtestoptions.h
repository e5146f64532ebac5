#pragma once

#include "engine/throughputtestoptions.h"

namespace trevlamark {

// The options record the stop and the result builder receive; the defaults
// apply when a stop is given none.
struct StreamTestOptions
{
    ThroughputTestOptions chunkSize = ThroughputTestOptions::size1MB;
    quint64 bytesPerCycle = 1073741824;
    int totalCycles = 2;
    bool disableCache = true;
    int queueDepth = 4;
};

} // namespace trevlamark
