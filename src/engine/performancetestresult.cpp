#include "engine/performancetestresult.h"

#include <QJsonArray>
#include <algorithm>

namespace trevlamark {

QString rawValue(PerformanceTestType type)
{
    switch (type) {
    case PerformanceTestType::throughputTest: return QStringLiteral("Throughput Test");
    }
    return {};
}

QJsonObject OperationLatency::toJson() const
{
    return QJsonObject{
        {QStringLiteral("p50"), p50},
        {QStringLiteral("p90"), p90},
        {QStringLiteral("p99"), p99},
        {QStringLiteral("p99_9"), p999},
        {QStringLiteral("max"), max},
    };
}

QJsonObject PhaseResult::toJson() const
{
    QJsonObject object{
        {QStringLiteral("throughput"), throughput},
        // JSON numbers are doubles; byte counts up to 2^53 stay exact.
        {QStringLiteral("bytes"), double(bytes)},
        {QStringLiteral("duration"), duration},
        {QStringLiteral("latencyIOToSync"), latencyIOToSync},
        {QStringLiteral("latencySyncToClose"), latencySyncToClose},
        {QStringLiteral("latencyTotal"), latencyTotal},
        {QStringLiteral("operations"), double(operations)},
        {QStringLiteral("operationsPerSecond"), operationsPerSecond},
        {QStringLiteral("operationLatency"), operationLatency.toJson()},
        {QStringLiteral("directIORefused"), directIORefused},
        {QStringLiteral("fasterThanLink"), fasterThanLink},
    };
    if (linkShare)
        object.insert(QStringLiteral("linkShare"), *linkShare);
    if (wireBytes) {
        object.insert(QStringLiteral("wireBytes"), double(*wireBytes));
        if (bytes > 0)
            object.insert(QStringLiteral("wireRatio"), double(*wireBytes) / double(bytes));
    }
    if (wireBefore)
        object.insert(QStringLiteral("wireBefore"), wireBefore->toJson());
    return object;
}

QJsonObject WireTraffic::toJson() const
{
    return QJsonObject{{QStringLiteral("seconds"), seconds}, {QStringLiteral("bytesIn"), double(bytesIn)},
        {QStringLiteral("bytesOut"), double(bytesOut)}};
}

std::optional<WireTraffic> WireTraffic::fromJson(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    if (!value.isObject() || !object.value(QLatin1String("seconds")).isDouble())
        return std::nullopt;
    return WireTraffic{object.value(QLatin1String("seconds")).toDouble(),
        quint64(std::max(0.0, object.value(QLatin1String("bytesIn")).toDouble())),
        quint64(std::max(0.0, object.value(QLatin1String("bytesOut")).toDouble()))};
}

QJsonObject CycleResult::toJson() const
{
    QJsonObject object{{QStringLiteral("cycleNumber"), cycleNumber}};
    if (writePhase)
        object.insert(QStringLiteral("writePhase"), writePhase->toJson());
    if (readPhase)
        object.insert(QStringLiteral("readPhase"), readPhase->toJson());
    return object;
}

namespace {

QJsonObject numbersToJson(const QMap<QString, double> &numbers)
{
    QJsonObject object;
    for (auto it = numbers.cbegin(); it != numbers.cend(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

QMap<QString, double> numbersFromJson(const QJsonValue &value)
{
    QMap<QString, double> numbers;
    const QJsonObject object = value.toObject();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it)
        numbers.insert(it.key(), it.value().toDouble());
    return numbers;
}

QList<CycleResult> cyclesFromJson(const QJsonValue &value)
{
    QList<CycleResult> cycles;
    for (const QJsonValue &cycle : value.toArray())
        cycles.append(CycleResult::fromJson(cycle.toObject()));
    return cycles;
}

} // namespace

OperationLatency OperationLatency::fromJson(const QJsonObject &object)
{
    return OperationLatency{
        .p50 = object.value(QLatin1String("p50")).toDouble(),
        .p90 = object.value(QLatin1String("p90")).toDouble(),
        .p99 = object.value(QLatin1String("p99")).toDouble(),
        .p999 = object.value(QLatin1String("p99_9")).toDouble(),
        .max = object.value(QLatin1String("max")).toDouble(),
    };
}

std::optional<PhaseResult> PhaseResult::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    PhaseResult phase;
    phase.throughput = object.value(QLatin1String("throughput")).toDouble();
    phase.bytes = quint64(object.value(QLatin1String("bytes")).toDouble());
    phase.duration = object.value(QLatin1String("duration")).toDouble();
    phase.latencyIOToSync = object.value(QLatin1String("latencyIOToSync")).toDouble();
    phase.latencySyncToClose = object.value(QLatin1String("latencySyncToClose")).toDouble();
    phase.latencyTotal = object.value(QLatin1String("latencyTotal")).toDouble();
    phase.operations = quint64(object.value(QLatin1String("operations")).toDouble());
    phase.operationsPerSecond = object.value(QLatin1String("operationsPerSecond")).toDouble();
    phase.operationLatency = OperationLatency::fromJson(object.value(QLatin1String("operationLatency")).toObject());
    phase.directIORefused = object.value(QLatin1String("directIORefused")).toBool();
    if (object.contains(QLatin1String("linkShare")))
        phase.linkShare = object.value(QLatin1String("linkShare")).toDouble();
    phase.fasterThanLink = object.value(QLatin1String("fasterThanLink")).toBool();
    if (object.value(QLatin1String("wireBytes")).isDouble())
        phase.wireBytes = quint64(std::max(0.0, object.value(QLatin1String("wireBytes")).toDouble()));
    phase.wireBefore = WireTraffic::fromJson(object.value(QLatin1String("wireBefore")));
    return phase;
}

CycleResult CycleResult::fromJson(const QJsonObject &object)
{
    return CycleResult{
        .cycleNumber = object.value(QLatin1String("cycleNumber")).toInt(),
        .writePhase = PhaseResult::fromJson(object.value(QLatin1String("writePhase"))),
        .readPhase = PhaseResult::fromJson(object.value(QLatin1String("readPhase"))),
    };
}

ClientResult ClientResult::fromJson(const QJsonObject &object)
{
    return ClientResult{
        .client = object.value(QLatin1String("client")).toString(),
        .metrics = numbersFromJson(object.value(QLatin1String("metrics"))),
        .cycleResults = cyclesFromJson(object.value(QLatin1String("cycleResults"))),
    };
}

PerformanceTestResult PerformanceTestResult::fromJson(const QJsonObject &object)
{
    PerformanceTestResult result;
    result.timestamp = QDateTime::fromString(object.value(QLatin1String("timestamp")).toString(), Qt::ISODateWithMs);
    result.metrics = numbersFromJson(object.value(QLatin1String("metrics")));
    const QJsonObject details = object.value(QLatin1String("details")).toObject();
    for (auto it = details.constBegin(); it != details.constEnd(); ++it)
        result.details.insert(it.key(), it.value().toString());
    result.success = object.value(QLatin1String("success")).toBool();
    result.isAutoStop = object.value(QLatin1String("isAutoStop")).toBool();
    if (const QJsonValue error = object.value(QLatin1String("errorMessage")); error.isString())
        result.errorMessage = error.toString();
    result.cycleResults = cyclesFromJson(object.value(QLatin1String("cycleResults")));
    for (const QJsonValue &client : object.value(QLatin1String("clientResults")).toArray())
        result.clientResults.append(ClientResult::fromJson(client.toObject()));
    result.paced = PacedResult::fromJson(object.value(QLatin1String("paced")));
    return result;
}

PerformanceTestResult PerformanceTestResult::failure(const QString &message)
{
    PerformanceTestResult result;
    result.timestamp = QDateTime::currentDateTime();
    result.success = false;
    result.errorMessage = message;
    result.isAutoStop = false;
    return result;
}

QJsonObject ClientResult::toJson() const
{
    QJsonArray cycles;
    for (const CycleResult &cycle : cycleResults)
        cycles.append(cycle.toJson());
    return QJsonObject{
        {QStringLiteral("client"), client},
        {QStringLiteral("metrics"), numbersToJson(metrics)},
        {QStringLiteral("cycleResults"), cycles},
    };
}

QJsonObject PerformanceTestResult::toJson() const
{
    QJsonObject detailsObject;
    for (auto it = details.cbegin(); it != details.cend(); ++it)
        detailsObject.insert(it.key(), it.value());
    QJsonArray cycles;
    for (const CycleResult &cycle : cycleResults)
        cycles.append(cycle.toJson());

    QJsonObject object{
        {QStringLiteral("testType"), rawValue(testType)},
        {QStringLiteral("timestamp"), timestamp.toString(Qt::ISODateWithMs)},
        {QStringLiteral("metrics"), numbersToJson(metrics)},
        {QStringLiteral("details"), detailsObject},
        {QStringLiteral("success"), success},
        {QStringLiteral("isAutoStop"), isAutoStop},
        {QStringLiteral("cycleResults"), cycles},
    };
    if (!clientResults.isEmpty()) {
        QJsonArray clients;
        for (const ClientResult &client : clientResults)
            clients.append(client.toJson());
        object.insert(QStringLiteral("clientResults"), clients);
    }
    if (paced)
        object.insert(QStringLiteral("paced"), paced->toJson());
    object.insert(QStringLiteral("errorMessage"), errorMessage ? QJsonValue(*errorMessage) : QJsonValue());
    return object;
}

} // namespace trevlamark
