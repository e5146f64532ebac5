#include "history/runrecord.h"

#include <QJsonArray>

namespace trevlamark {

namespace {

QJsonValue optionalValue(const std::optional<int> &value)
{
    return value ? QJsonValue(*value) : QJsonValue();
}

} // namespace

QString runOutcomeText(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Completed: return QStringLiteral("completed");
    case RunOutcome::Stopped: return QStringLiteral("stopped");
    case RunOutcome::Failed: return QStringLiteral("failed");
    }
    return {};
}

std::optional<RunOutcome> runOutcomeFromText(const QString &text)
{
    for (const RunOutcome outcome : {RunOutcome::Completed, RunOutcome::Stopped, RunOutcome::Failed}) {
        if (text == runOutcomeText(outcome))
            return outcome;
    }
    return std::nullopt;
}

std::optional<MountSettings> RunRecord::mountSettings() const
{
    const QJsonValue value = result.value(QStringLiteral("mountSettings"));
    return value.isObject() ? MountSettings::fromJson(value.toObject()) : std::nullopt;
}

TestRequest RunRecord::testRequest() const
{
    TestRequest request;
    request.locationPath = locationPath;
    request.chunkSize = throughputTestOptionFromRaw(chunkSizeBytes).value_or(request.chunkSize);
    request.queueDepth = queueDepth;
    request.bytesPerCycle = BytesPerCycleOptions::custom;
    request.customBytesPerCycle = quint64(std::max<qint64>(0, bytesPerCycle));
    request.totalCycles = totalCycles;
    request.disableCache = disableCache;
    request.writePhaseEnabled = writePhaseEnabled;
    request.readPhaseEnabled = readPhaseEnabled;
    request.samplingRateSeconds = samplingRateSeconds;
    return request;
}

QJsonObject RunRecord::resultJson(const PerformanceTestResult &testResult, const QList<StreamResult> &samples,
    const QList<TimelineMarker> &markers)
{
    QJsonArray sampleArray;
    for (const StreamResult &sample : samples) {
        QJsonObject object{
            {QStringLiteral("timestamp"), sample.timestamp.toString(Qt::ISODateWithMs)},
            {QStringLiteral("operation"), sample.operation},
            {QStringLiteral("throughput"), sample.throughput},
            {QStringLiteral("seconds"), sample.seconds},
            {QStringLiteral("phaseId"), sample.phaseId},
        };
        if (sample.wireIn && sample.wireOut) {
            object.insert(QStringLiteral("wireIn"), *sample.wireIn);
            object.insert(QStringLiteral("wireOut"), *sample.wireOut);
        }
        sampleArray.append(object);
    }
    QJsonArray markerArray;
    for (const TimelineMarker &marker : markers) {
        markerArray.append(QJsonObject{
            {QStringLiteral("id"), marker.id.toString(QUuid::WithoutBraces)},
            {QStringLiteral("timestamp"), marker.timestamp.toString(Qt::ISODateWithMs)},
            {QStringLiteral("message"), marker.message},
            {QStringLiteral("type"), marker.type},
        });
    }
    QJsonObject object = testResult.toJson();
    object.insert(QStringLiteral("samples"), sampleArray);
    object.insert(QStringLiteral("timelineMarkers"), markerArray);
    return object;
}

PerformanceTestResult RunRecord::testResult() const
{
    return PerformanceTestResult::fromJson(result);
}

QList<StreamResult> RunRecord::samples() const
{
    QList<StreamResult> samples;
    for (const QJsonValue &value : result.value(QLatin1String("samples")).toArray()) {
        const QJsonObject object = value.toObject();
        samples.append(StreamResult{
            .timestamp = QDateTime::fromString(object.value(QLatin1String("timestamp")).toString(), Qt::ISODateWithMs),
            .operation = object.value(QLatin1String("operation")).toString(),
            .throughput = object.value(QLatin1String("throughput")).toDouble(),
            .seconds = object.value(QLatin1String("seconds")).toDouble(),
            .phaseId = object.value(QLatin1String("phaseId")).toInt(),
            .wireIn = object.value(QLatin1String("wireIn")).isDouble()
                ? std::optional<double>(object.value(QLatin1String("wireIn")).toDouble()) : std::nullopt,
            .wireOut = object.value(QLatin1String("wireOut")).isDouble()
                ? std::optional<double>(object.value(QLatin1String("wireOut")).toDouble()) : std::nullopt,
        });
    }
    return samples;
}

QList<TimelineMarker> RunRecord::timelineMarkers() const
{
    QList<TimelineMarker> markers;
    for (const QJsonValue &value : result.value(QLatin1String("timelineMarkers")).toArray()) {
        const QJsonObject object = value.toObject();
        markers.append(TimelineMarker{
            .id = QUuid::fromString(object.value(QLatin1String("id")).toString()),
            .timestamp = QDateTime::fromString(object.value(QLatin1String("timestamp")).toString(), Qt::ISODateWithMs),
            .message = object.value(QLatin1String("message")).toString(),
            .type = object.value(QLatin1String("type")).toString(),
        });
    }
    return markers;
}

QJsonObject RunRecord::toJson() const
{
    return QJsonObject{
        {QStringLiteral("id"), double(id)},
        {QStringLiteral("finishedAt"), finishedAt.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("hostName"), hostName},
        {QStringLiteral("programVersion"), programVersion},
        {QStringLiteral("kernel"), kernel},
        {QStringLiteral("locationPath"), locationPath},
        {QStringLiteral("fileSystemType"), fileSystemType},
        {QStringLiteral("protocol"), protocol},
        {QStringLiteral("server"), server},
        {QStringLiteral("shareName"), shareName},
        {QStringLiteral("interfaceName"), interfaceName},
        {QStringLiteral("interfaceKind"), interfaceKind},
        {QStringLiteral("linkSpeedMbps"), optionalValue(linkSpeedMbps)},
        {QStringLiteral("mtu"), optionalValue(mtu)},
        {QStringLiteral("chunkSizeBytes"), double(chunkSizeBytes)},
        {QStringLiteral("queueDepth"), queueDepth},
        {QStringLiteral("bytesPerCycle"), double(bytesPerCycle)},
        {QStringLiteral("totalCycles"), totalCycles},
        {QStringLiteral("disableCache"), disableCache},
        {QStringLiteral("writePhaseEnabled"), writePhaseEnabled},
        {QStringLiteral("readPhaseEnabled"), readPhaseEnabled},
        {QStringLiteral("samplingRateSeconds"), samplingRateSeconds},
        {QStringLiteral("outcome"), runOutcomeText(outcome)},
        {QStringLiteral("errorMessage"), errorMessage},
        {QStringLiteral("writeMegabytesPerSecond"), writeMegabytesPerSecond},
        {QStringLiteral("readMegabytesPerSecond"), readMegabytesPerSecond},
        {QStringLiteral("result"), result},
    };
}

namespace {

std::optional<double> measuredSpeed(const RunRecord &record, bool phaseEnabled, double megabytesPerSecond)
{
    if (!phaseEnabled || (record.outcome == RunOutcome::Failed && megabytesPerSecond <= 0))
        return std::nullopt;
    return megabytesPerSecond;
}

} // namespace

std::optional<double> RunRecord::writeSpeed() const
{
    return measuredSpeed(*this, writePhaseEnabled, writeMegabytesPerSecond);
}

std::optional<double> RunRecord::readSpeed() const
{
    return measuredSpeed(*this, readPhaseEnabled, readMegabytesPerSecond);
}

QString RunRecord::finishedAtText() const
{
    return finishedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace trevlamark
