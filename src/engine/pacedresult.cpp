#include "engine/pacedresult.h"

#include <QJsonArray>
#include <QLocale>

#include <cmath>

namespace trevlamark {

namespace {

QString count(quint64 value)
{
    return QLocale(QLocale::English).toString(value);
}

QString figuresText(const PacedFigures &figures)
{
    return QStringLiteral("%1 of %2 frames late, worst %3 ms; frame latency p50 %4 ms, p99 %5 ms, p99.9 %6 ms, "
                          "max %7 ms; %8 fps, %9 MB/s")
        .arg(count(figures.lateFrames), count(figures.frames))
        .arg(figures.worstLatenessMs, 0, 'f', 1)
        .arg(figures.latencyP50Ms, 0, 'f', 2)
        .arg(figures.latencyP99Ms, 0, 'f', 2)
        .arg(figures.latencyP999Ms, 0, 'f', 2)
        .arg(figures.latencyMaxMs, 0, 'f', 2)
        .arg(figures.framesPerSecond, 0, 'f', 2)
        .arg(figures.megabytesPerSecond, 0, 'f', 2);
}

} // namespace

QJsonObject PacedFigures::toJson() const
{
    return QJsonObject{{QStringLiteral("frames"), double(frames)}, {QStringLiteral("lateFrames"), double(lateFrames)},
        {QStringLiteral("worstLatenessMs"), worstLatenessMs}, {QStringLiteral("latencyP50Ms"), latencyP50Ms},
        {QStringLiteral("latencyP99Ms"), latencyP99Ms}, {QStringLiteral("latencyP999Ms"), latencyP999Ms},
        {QStringLiteral("latencyMaxMs"), latencyMaxMs}, {QStringLiteral("framesPerSecond"), framesPerSecond},
        {QStringLiteral("megabytesPerSecond"), megabytesPerSecond}};
}

PacedFigures PacedFigures::fromJson(const QJsonObject &object)
{
    PacedFigures figures;
    figures.frames = quint64(object.value(QStringLiteral("frames")).toDouble());
    figures.lateFrames = quint64(object.value(QStringLiteral("lateFrames")).toDouble());
    figures.worstLatenessMs = object.value(QStringLiteral("worstLatenessMs")).toDouble();
    figures.latencyP50Ms = object.value(QStringLiteral("latencyP50Ms")).toDouble();
    figures.latencyP99Ms = object.value(QStringLiteral("latencyP99Ms")).toDouble();
    figures.latencyP999Ms = object.value(QStringLiteral("latencyP999Ms")).toDouble();
    figures.latencyMaxMs = object.value(QStringLiteral("latencyMaxMs")).toDouble();
    figures.framesPerSecond = object.value(QStringLiteral("framesPerSecond")).toDouble();
    figures.megabytesPerSecond = object.value(QStringLiteral("megabytesPerSecond")).toDouble();
    return figures;
}

QJsonObject PacedDirection::toJson() const
{
    QJsonArray list;
    for (const PacedFigures &stream : streams)
        list.append(stream.toJson());
    return QJsonObject{{QStringLiteral("direction"), name()}, {QStringLiteral("total"), total.toJson()},
        {QStringLiteral("streams"), list}};
}

PacedDirection PacedDirection::fromJson(const QJsonObject &object)
{
    PacedDirection direction;
    direction.capture = object.value(QStringLiteral("direction")).toString() != QLatin1String("playback");
    direction.total = PacedFigures::fromJson(object.value(QStringLiteral("total")).toObject());
    for (const QJsonValue &stream : object.value(QStringLiteral("streams")).toArray())
        direction.streams.append(PacedFigures::fromJson(stream.toObject()));
    return direction;
}

QString PacedResult::verdict(const PacedDirection &direction) const
{
    return QStringLiteral("%1 %2 of %3, %4: %5 of %6 frames late, worst %7 ms (buffer %8 ms)")
        .arg(streams)
        .arg(streams == 1 ? QStringLiteral("stream") : QStringLiteral("streams"), format, direction.name(),
            count(direction.total.lateFrames), count(direction.total.frames))
        .arg(std::llround(direction.total.worstLatenessMs))
        .arg(std::llround(bufferMs));
}

QStringList PacedResult::lines() const
{
    QStringList lines;
    for (const PacedDirection &direction : directions) {
        lines.append(verdict(direction));
        lines.append(QStringLiteral("  All streams: ") + figuresText(direction.total));
        for (qsizetype i = 0; i < direction.streams.size(); ++i)
            lines.append(QStringLiteral("  Stream %1: ").arg(i + 1) + figuresText(direction.streams.at(i)));
    }
    lines.append(QStringLiteral("Paced: %1 fps, %2 bytes per frame, buffer %3 frames (%4 ms), %5 s")
                     .arg(framesPerSecond, 0, 'g', 6)
                     .arg(bytesPerFrame)
                     .arg(bufferFrames)
                     .arg(bufferMs, 0, 'f', 1)
                     .arg(durationSeconds, 0, 'g', 6));
    return lines;
}

quint64 PacedResult::lateFrames() const
{
    quint64 late = 0;
    for (const PacedDirection &direction : directions)
        late += direction.total.lateFrames;
    return late;
}

QJsonObject PacedResult::toJson() const
{
    QJsonArray list;
    for (const PacedDirection &direction : directions)
        list.append(direction.toJson());
    return QJsonObject{{QStringLiteral("format"), format}, {QStringLiteral("framesPerSecond"), framesPerSecond},
        {QStringLiteral("bytesPerFrame"), double(bytesPerFrame)}, {QStringLiteral("streams"), streams},
        {QStringLiteral("bufferFrames"), bufferFrames}, {QStringLiteral("bufferMs"), bufferMs},
        {QStringLiteral("durationSeconds"), durationSeconds}, {QStringLiteral("directions"), list}};
}

std::optional<PacedResult> PacedResult::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    PacedResult result;
    result.format = object.value(QStringLiteral("format")).toString();
    result.framesPerSecond = object.value(QStringLiteral("framesPerSecond")).toDouble();
    result.bytesPerFrame = quint64(object.value(QStringLiteral("bytesPerFrame")).toDouble());
    result.streams = object.value(QStringLiteral("streams")).toInt();
    result.bufferFrames = object.value(QStringLiteral("bufferFrames")).toInt();
    result.bufferMs = object.value(QStringLiteral("bufferMs")).toDouble();
    result.durationSeconds = object.value(QStringLiteral("durationSeconds")).toDouble();
    for (const QJsonValue &direction : object.value(QStringLiteral("directions")).toArray())
        result.directions.append(PacedDirection::fromJson(direction.toObject()));
    return result;
}

} // namespace trevlamark
