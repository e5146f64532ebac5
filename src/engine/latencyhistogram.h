#pragma once
// Operation latencies of one phase in log-linear buckets: exact below 256 ns,
// then 128 buckets per power of two, so a percentile is off by at most 0.4 %.
// Fixed memory; record() does no allocation and takes no lock, so each I/O
// worker keeps its own and the phase merges them when it ends.

#include <QtGlobal>
#include <array>

namespace trevlamark {

class LatencyHistogram
{
public:
    void record(quint64 nanoseconds);
    void merge(const LatencyHistogram &other);

    quint64 count() const { return m_count; }
    quint64 maximumNanoseconds() const { return m_maximumNanoseconds; }
    // The value below which the given fraction (0 to 1) of operations fall: the
    // middle of the bucket that holds that rank, never above the maximum. 0
    // when nothing was recorded.
    quint64 percentileNanoseconds(double fraction) const;

private:
    static constexpr int subBucketBits = 7;
    static constexpr quint64 subBuckets = quint64(1) << subBucketBits;
    // Values from 2^41 ns (about 37 minutes) on share the last bucket.
    static constexpr int highestBit = 40;
    static constexpr size_t bucketCount = size_t((highestBit - subBucketBits + 1) * subBuckets + subBuckets);

    static size_t bucketIndex(quint64 nanoseconds);
    static quint64 bucketMiddle(size_t index);

    std::array<quint64, bucketCount> m_buckets{};
    quint64 m_count = 0;
    quint64 m_maximumNanoseconds = 0;
};

} // namespace trevlamark
