#pragma once
// The byte counters the I/O operations feed and the sampler reads: the bytes
// of the running phase and the bytes since the last sample. Two relaxed atomic
// adds per transfer; the sampler takes the interval count with one exchange.

#include <QtGlobal>
#include <atomic>

namespace trevlamark {

struct ProgressCounters
{
    std::atomic<quint64> phaseBytes{0};
    std::atomic<quint64> intervalBytes{0};

    void add(quint64 bytes)
    {
        intervalBytes.fetch_add(bytes, std::memory_order_relaxed);
        phaseBytes.fetch_add(bytes, std::memory_order_relaxed);
    }
};

} // namespace trevlamark
