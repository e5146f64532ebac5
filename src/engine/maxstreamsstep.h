#pragma once
// One count tried by a search for the most streams with no late frame: its
// frames, late frames and p99 frame latency over all directions.

#include <QJsonObject>

namespace trevlamark {

struct MaxStreamsStep
{
    int streams = 0;
    quint64 frames = 0;
    quint64 lateFrames = 0;
    double p99Ms = 0;

    QJsonObject toJson() const;
    static MaxStreamsStep fromJson(const QJsonObject &object);
    bool operator==(const MaxStreamsStep &) const = default;
};

} // namespace trevlamark
