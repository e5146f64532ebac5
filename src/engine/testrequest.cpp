#include "engine/testrequest.h"

#include "engine/frameclock.h"

#include <algorithm>
#include <limits>

namespace trevlamark {

TestRequest TestRequest::defaultsFor(bool isNetworkLocation, std::optional<int> linkSpeedMbps)
{
    TestRequest request;
    if (!isNetworkLocation)
        return request;
    const int speed = linkSpeedMbps.value_or(0);
    if (speed >= 25000)
        return request;
    if (speed >= 10000) {
        request.bytesPerCycle = BytesPerCycleOptions::size2GB;
        return request;
    }
    request.bytesPerCycle = BytesPerCycleOptions::size1GB;
    request.queueDepth = 4;
    return request;
}

QString TestRequest::testLocation() const
{
    return locationPath.isEmpty() ? share.mountPath : locationPath;
}

quint64 TestRequest::resolvedBytesPerCycle() const
{
    return trevlamark::resolvedBytesPerCycle(bytesPerCycle, customBytesPerCycle);
}

quint64 TestRequest::targetBytesPerPhase() const
{
    const quint64 chunk = quint64(chunkSizeBytes(chunkSize));
    return resolvedBytesPerCycle() / chunk * chunk;
}

quint64 TestRequest::totalTargetBytes() const
{
    return totalTargetBytes(resolvedBytesPerCycle(), totalCycles, writePhaseEnabled, readPhaseEnabled);
}

quint64 TestRequest::totalTargetBytes(quint64 bytesPerCycle, int totalCycles, bool writePhaseEnabled,
    bool readPhaseEnabled)
{
    constexpr quint64 maximum = std::numeric_limits<quint64>::max();
    const auto multiply = [](quint64 a, quint64 b) {
        quint64 product = 0;
        return __builtin_mul_overflow(a, b, &product) ? maximum : product;
    };
    const auto add = [](quint64 a, quint64 b) {
        quint64 sum = 0;
        return __builtin_add_overflow(a, b, &sum) ? maximum : sum;
    };
    const quint64 allCycles = multiply(bytesPerCycle, quint64(std::max(0, totalCycles)));
    if (writePhaseEnabled != readPhaseEnabled)
        return writePhaseEnabled ? allCycles : add(allCycles, bytesPerCycle);
    return multiply(2, allCycles);
}

quint64 PacedRequest::ioBytesPerFrame(bool disableCache) const
{
    constexpr quint64 block = 4096;
    return disableCache ? (format.bytesPerFrame + block - 1) / block * block : format.bytesPerFrame;
}

quint64 PacedRequest::bytesNeeded(bool disableCache) const
{
    const FrameClock clock(format.framesPerSecond, bufferFrames);
    return quint64(streams) * quint64(clock.framesIn(durationSeconds)) * ioBytesPerFrame(disableCache);
}

} // namespace trevlamark
