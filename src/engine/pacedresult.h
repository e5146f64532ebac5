#pragma once
// What a paced run of media streams found: per direction (capture, playback)
// the figures of every stream and of all together, and the verdict in words.

#include "engine/maxstreamsstep.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace trevlamark {

struct PacedRequest;

struct PacedFigures
{
    quint64 frames = 0;
    quint64 lateFrames = 0;
    // How long after its slot began the latest frame was complete.
    double worstLatenessMs = 0;
    // Each frame's own I/O time, issue to completion.
    double latencyP50Ms = 0;
    double latencyP99Ms = 0;
    double latencyP999Ms = 0;
    double latencyMaxMs = 0;
    double framesPerSecond = 0;
    double megabytesPerSecond = 0; // 1 MB = 1,048,576 bytes
    // The fio server that ran the stream, or whose streams these are; empty
    // for streams run from this computer.
    QString client;

    QJsonObject toJson() const;
    static PacedFigures fromJson(const QJsonObject &object);
    bool operator==(const PacedFigures &) const = default;
};

struct PacedDirection
{
    bool capture = true; // false: playback
    PacedFigures total;
    QList<PacedFigures> streams;
    // Per fio server all its streams together, when the run came from several.
    QList<PacedFigures> clients;

    QString name() const { return capture ? QStringLiteral("capture") : QStringLiteral("playback"); }
    QJsonObject toJson() const;
    static PacedDirection fromJson(const QJsonObject &object);
    bool operator==(const PacedDirection &) const = default;
};

struct PacedResult
{
    QString format;
    double framesPerSecond = 0;
    quint64 bytesPerFrame = 0;
    int streams = 0;
    int bufferFrames = 0;
    double bufferMs = 0;
    double durationSeconds = 0;
    QList<PacedDirection> directions;
    // When this run is the answer of a search for the most streams: every
    // count the search tried, in the order tried. Empty for a single run.
    QList<MaxStreamsStep> searchSteps;

    // What the request asked for, with no direction run yet.
    static PacedResult describing(const PacedRequest &request);
    // "3 streams of ProRes 422 HQ UHD 29.97, capture: 0 of 5,394 frames late, worst 21 ms (buffer 100 ms)"
    QString verdict(const PacedDirection &direction) const;
    // Per direction the verdict, the totals and one line per stream.
    QStringList lines() const;
    quint64 lateFrames() const;
    QJsonObject toJson() const;
    static std::optional<PacedResult> fromJson(const QJsonValue &value);
    bool operator==(const PacedResult &) const = default;
};

} // namespace trevlamark
