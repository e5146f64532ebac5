#include "engine/maxstreamsstep.h"

#include <algorithm>

namespace trevlamark {

QJsonObject MaxStreamsStep::toJson() const
{
    return QJsonObject{{QStringLiteral("streams"), streams}, {QStringLiteral("frames"), double(frames)},
        {QStringLiteral("lateFrames"), double(lateFrames)}, {QStringLiteral("p99FrameLatencyMs"), p99Ms}};
}

MaxStreamsStep MaxStreamsStep::fromJson(const QJsonObject &object)
{
    MaxStreamsStep step;
    step.streams = object.value(QStringLiteral("streams")).toInt();
    step.frames = quint64(std::max(0.0, object.value(QStringLiteral("frames")).toDouble()));
    step.lateFrames = quint64(std::max(0.0, object.value(QStringLiteral("lateFrames")).toDouble()));
    step.p99Ms = object.value(QStringLiteral("p99FrameLatencyMs")).toDouble();
    return step;
}

} // namespace trevlamark
