#include "engine/performancetestresult.h"

#include <QJsonArray>

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
    return object;
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
    QJsonObject metricsObject;
    for (auto it = metrics.cbegin(); it != metrics.cend(); ++it)
        metricsObject.insert(it.key(), it.value());
    QJsonArray cycles;
    for (const CycleResult &cycle : cycleResults)
        cycles.append(cycle.toJson());
    return QJsonObject{
        {QStringLiteral("client"), client},
        {QStringLiteral("metrics"), metricsObject},
        {QStringLiteral("cycleResults"), cycles},
    };
}

QJsonObject PerformanceTestResult::toJson() const
{
    QJsonObject metricsObject;
    for (auto it = metrics.cbegin(); it != metrics.cend(); ++it)
        metricsObject.insert(it.key(), it.value());
    QJsonObject detailsObject;
    for (auto it = details.cbegin(); it != details.cend(); ++it)
        detailsObject.insert(it.key(), it.value());
    QJsonArray cycles;
    for (const CycleResult &cycle : cycleResults)
        cycles.append(cycle.toJson());

    QJsonObject object{
        {QStringLiteral("testType"), rawValue(testType)},
        {QStringLiteral("timestamp"), timestamp.toString(Qt::ISODateWithMs)},
        {QStringLiteral("metrics"), metricsObject},
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
    object.insert(QStringLiteral("errorMessage"), errorMessage ? QJsonValue(*errorMessage) : QJsonValue());
    return object;
}

} // namespace trevlamark
