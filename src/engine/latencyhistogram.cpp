#include "engine/latencyhistogram.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace trevlamark {

// Below 2^(bits + 1) the index is the value itself; above, the top bits + 1
// significant bits of the value, shifted into the band of their magnitude.
size_t LatencyHistogram::bucketIndex(quint64 nanoseconds)
{
    const quint64 value = std::min(nanoseconds, (quint64(1) << (highestBit + 1)) - 1);
    const int shift = std::max(0, int(std::bit_width(value)) - 1 - subBucketBits);
    return size_t(quint64(shift) * subBuckets + (value >> shift));
}

quint64 LatencyHistogram::bucketMiddle(size_t index)
{
    if (index < 2 * subBuckets)
        return index;
    const quint64 shift = index / subBuckets - 1;
    const quint64 mantissa = index - shift * subBuckets;
    return (mantissa << shift) + ((quint64(1) << shift) - 1) / 2;
}

void LatencyHistogram::record(quint64 nanoseconds)
{
    ++m_buckets[bucketIndex(nanoseconds)];
    ++m_count;
    m_maximumNanoseconds = std::max(m_maximumNanoseconds, nanoseconds);
}

void LatencyHistogram::merge(const LatencyHistogram &other)
{
    for (size_t i = 0; i < bucketCount; ++i)
        m_buckets[i] += other.m_buckets[i];
    m_count += other.m_count;
    m_maximumNanoseconds = std::max(m_maximumNanoseconds, other.m_maximumNanoseconds);
}

quint64 LatencyHistogram::percentileNanoseconds(double fraction) const
{
    if (m_count == 0)
        return 0;
    const quint64 rank = std::clamp<quint64>(quint64(std::ceil(fraction * double(m_count))), 1, m_count);
    quint64 seen = 0;
    for (size_t i = 0; i < bucketCount; ++i) {
        seen += m_buckets[i];
        if (seen >= rank)
            return std::min(bucketMiddle(i), m_maximumNanoseconds);
    }
    return m_maximumNanoseconds;
}

} // namespace trevlamark
