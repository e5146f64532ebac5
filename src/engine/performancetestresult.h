#pragma once
// What one streaming run produces: per-phase figures, per-cycle results and the
// final result record handed to the completion handler.

#include "engine/pacedresult.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

namespace trevlamark {

enum class PerformanceTestType { throughputTest };
// "Throughput Test"
QString rawValue(PerformanceTestType type);

// Operation latencies of a phase in milliseconds: one operation is one chunk
// written, or one chunk read.
struct OperationLatency
{
    double p50 = 0;
    double p90 = 0;
    double p99 = 0;
    double p999 = 0;
    double max = 0;

    QJsonObject toJson() const;
    static OperationLatency fromJson(const QJsonObject &object);
    bool operator==(const OperationLatency &) const = default;
};

// The traffic of the interface that carries the share in the moment before a
// phase opened its files: other users of the link compete with the phase.
struct WireTraffic
{
    double seconds = 0;
    quint64 bytesIn = 0;
    quint64 bytesOut = 0;

    QJsonObject toJson() const;
    static std::optional<WireTraffic> fromJson(const QJsonValue &value);
    bool operator==(const WireTraffic &) const = default;
};

struct PhaseResult
{
    double throughput = 0;          // MB/s (1 MB = 1,048,576 bytes)
    quint64 bytes = 0;              // bytes actually transferred
    double duration = 0;            // seconds, phase start to end of synchronisation
    double latencyIOToSync = 0;     // milliseconds
    double latencySyncToClose = 0;  // milliseconds
    double latencyTotal = 0;        // milliseconds
    quint64 operations = 0;         // chunk transfers
    double operationsPerSecond = 0; // operations ÷ duration
    OperationLatency operationLatency;
    // Cache bypass was asked for and the file system refused it: the phase ran
    // through the page cache.
    bool directIORefused = false;
    // Throughput ÷ the usable rate of the link that carries the share; absent
    // when the link speed is not known.
    std::optional<double> linkShare;
    // More than 5 % above the usable link rate: a cache answered, not the storage.
    bool fasterThanLink = false;
    // Bytes the interface that carries the share sent (write) or received
    // (read) from the phase's open to its close; absent for a local folder.
    std::optional<quint64> wireBytes;
    std::optional<WireTraffic> wireBefore;

    QJsonObject toJson() const;
    // Nothing for a value that is not an object (a phase that did not run).
    static std::optional<PhaseResult> fromJson(const QJsonValue &value);
    bool operator==(const PhaseResult &) const = default;
};

struct CycleResult
{
    int cycleNumber = 0;
    std::optional<PhaseResult> writePhase;
    std::optional<PhaseResult> readPhase;

    QJsonObject toJson() const;
    static CycleResult fromJson(const QJsonObject &object);
    bool operator==(const CycleResult &) const = default;
};

// One client's own figures in a run from many clients.
struct ClientResult
{
    QString client; // "host:port"
    QMap<QString, double> metrics; // writeSpeed, readSpeed
    QList<CycleResult> cycleResults;

    QJsonObject toJson() const;
    static ClientResult fromJson(const QJsonObject &object);
    bool operator==(const ClientResult &) const = default;
};

struct PerformanceTestResult
{
    PerformanceTestType testType = PerformanceTestType::throughputTest;
    QDateTime timestamp;
    QMap<QString, double> metrics;
    QMap<QString, QString> details;
    bool success = false;
    std::optional<QString> errorMessage;
    bool isAutoStop = false;
    QList<CycleResult> cycleResults;
    // Empty unless the run came from many clients; the figures above are then their aggregate.
    QList<ClientResult> clientResults;
    // The frames of a paced run of media streams; absent for a streaming test.
    std::optional<PacedResult> paced;

    // A start that failed: empty metrics and details, no cycles.
    static PerformanceTestResult failure(const QString &message);
    // Field names as in the record; the timestamp in ISO 8601.
    QJsonObject toJson() const;
    // The result back from toJson's record, as a stored run keeps it; other keys are ignored.
    static PerformanceTestResult fromJson(const QJsonObject &object);
    bool operator==(const PerformanceTestResult &) const = default;
};

// MB/s from a byte count and seconds; 1 MB = 1,048,576 bytes.
constexpr double bytesToMegabytes = 9.5367431640625e-07;

} // namespace trevlamark
