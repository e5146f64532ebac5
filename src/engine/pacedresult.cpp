#include "engine/pacedresult.h"

#include "engine/frameclock.h"
#include "engine/testrequest.h"

#include <QJsonArray>
#include <QLocale>

#include <algorithm>
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
    QJsonObject object{{QStringLiteral("frames"), double(frames)}, {QStringLiteral("lateFrames"), double(lateFrames)},
        {QStringLiteral("worstLatenessMs"), worstLatenessMs}, {QStringLiteral("latencyP50Ms"), latencyP50Ms},
        {QStringLiteral("latencyP99Ms"), latencyP99Ms}, {QStringLiteral("latencyP999Ms"), latencyP999Ms},
        {QStringLiteral("latencyMaxMs"), latencyMaxMs}, {QStringLiteral("framesPerSecond"), framesPerSecond},
        {QStringLiteral("megabytesPerSecond"), megabytesPerSecond}};
    if (!client.isEmpty())
        object.insert(QStringLiteral("client"), client);
    return object;
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
    figures.client = object.value(QStringLiteral("client")).toString();
    return figures;
}

QJsonObject PacedDirection::toJson() const
{
    QJsonArray list;
    for (const PacedFigures &stream : streams)
        list.append(stream.toJson());
    QJsonObject object{{QStringLiteral("direction"), name()}, {QStringLiteral("total"), total.toJson()},
        {QStringLiteral("streams"), list}};
    if (!clients.isEmpty()) {
        QJsonArray perClient;
        for (const PacedFigures &client : clients)
            perClient.append(client.toJson());
        object.insert(QStringLiteral("clients"), perClient);
    }
    return object;
}

PacedDirection PacedDirection::fromJson(const QJsonObject &object)
{
    PacedDirection direction;
    direction.capture = object.value(QStringLiteral("direction")).toString() != QLatin1String("playback");
    direction.total = PacedFigures::fromJson(object.value(QStringLiteral("total")).toObject());
    for (const QJsonValue &stream : object.value(QStringLiteral("streams")).toArray())
        direction.streams.append(PacedFigures::fromJson(stream.toObject()));
    for (const QJsonValue &client : object.value(QStringLiteral("clients")).toArray())
        direction.clients.append(PacedFigures::fromJson(client.toObject()));
    return direction;
}

PacedResult PacedResult::describing(const PacedRequest &request)
{
    PacedResult paced;
    paced.format = request.format.name;
    paced.framesPerSecond = request.format.framesPerSecond;
    paced.bytesPerFrame = request.format.bytesPerFrame;
    paced.streams = request.streams;
    paced.bufferFrames = request.bufferFrames;
    paced.bufferMs = double(FrameClock(request.format.framesPerSecond, request.bufferFrames).bufferNanoseconds()) / 1e6;
    paced.durationSeconds = request.durationSeconds;
    return paced;
}

QString PacedResult::verdict(const PacedDirection &direction) const
{
    // From many clients each runs the streams: the verdict counts them all.
    const qsizetype clients = direction.clients.size();
    const qsizetype all = streams * std::max<qsizetype>(1, clients);
    const QString perClient = clients > 1 ? QStringLiteral(" (%1 on each of %2 clients)").arg(streams).arg(clients) : QString();
    return QStringLiteral("%1 %2 of %3%4, %5: %6 of %7 frames late, worst %8 ms (buffer %9 ms)")
        .arg(all)
        .arg(all == 1 ? QStringLiteral("stream") : QStringLiteral("streams"), format, perClient, direction.name(),
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
        for (const PacedFigures &client : direction.clients)
            lines.append(QStringLiteral("  Client %1: ").arg(client.client) + figuresText(client));
        for (qsizetype i = 0; i < direction.streams.size(); ++i) {
            const PacedFigures &stream = direction.streams.at(i);
            // Streams count from 1 on each client.
            const qsizetype number = stream.client.isEmpty() || direction.clients.isEmpty()
                ? i + 1
                : i % std::max<qsizetype>(1, direction.streams.size() / direction.clients.size()) + 1;
            const QString where = stream.client.isEmpty() ? QString() : QStringLiteral(" on ") + stream.client;
            lines.append(QStringLiteral("  Stream %1%2: ").arg(number).arg(where) + figuresText(stream));
        }
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
    QJsonObject object{{QStringLiteral("format"), format}, {QStringLiteral("framesPerSecond"), framesPerSecond},
        {QStringLiteral("bytesPerFrame"), double(bytesPerFrame)}, {QStringLiteral("streams"), streams},
        {QStringLiteral("bufferFrames"), bufferFrames}, {QStringLiteral("bufferMs"), bufferMs},
        {QStringLiteral("durationSeconds"), durationSeconds}, {QStringLiteral("directions"), list}};
    if (!searchSteps.isEmpty()) {
        QJsonArray steps;
        for (const MaxStreamsStep &step : searchSteps)
            steps.append(step.toJson());
        object.insert(QStringLiteral("findMaxSteps"), steps);
    }
    return object;
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
    for (const QJsonValue &step : object.value(QStringLiteral("findMaxSteps")).toArray())
        result.searchSteps.append(MaxStreamsStep::fromJson(step.toObject()));
    return result;
}

} // namespace trevlamark
