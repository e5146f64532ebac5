#pragma once
// One stored run: where and how it ran, how it ended and its overall speeds as
// plain fields (the columns the history lists, filters and sorts by), and the
// engine's whole result with the throughput samples and timeline markers as
// JSON, so fields the engine adds later are kept without a schema change and
// the run's chart can be drawn again.

#include "discovery/mountsettings.h"
#include "engine/performancetestresult.h"
#include "engine/testrequest.h"
#include "engine/streamresult.h"
#include "engine/timelinemarker.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace trevlamark {

enum class RunOutcome { Completed, Stopped, Failed };
// "completed", "stopped", "failed"
QString runOutcomeText(RunOutcome outcome);
std::optional<RunOutcome> runOutcomeFromText(const QString &text);

struct RunRecord
{
    qint64 id = 0; // 0 until the run is saved
    QDateTime finishedAt; // when the engine delivered the result
    QString hostName;
    QString programVersion;
    QString kernel;

    QString locationPath;
    QString fileSystemType;
    QString protocol;  // "SMB", "NFS", ...; empty for a local folder
    QString server;
    QString shareName;

    QString interfaceName;
    QString interfaceKind; // "wired", "Wi-Fi", "virtual"; empty when unknown
    std::optional<int> linkSpeedMbps;
    std::optional<int> mtu;

    qint64 chunkSizeBytes = 0;
    int queueDepth = 0;
    qint64 bytesPerCycle = 0;
    int totalCycles = 0;
    bool disableCache = true;
    bool writePhaseEnabled = true;
    bool readPhaseEnabled = true;
    double samplingRateSeconds = 0;

    RunOutcome outcome = RunOutcome::Completed;
    QString errorMessage;
    double writeMegabytesPerSecond = 0;
    double readMegabytesPerSecond = 0;

    // PerformanceTestResult::toJson() plus "samples" and "timelineMarkers".
    // Left empty by lists of runs, which never read it.
    QJsonObject result;

    // The engine's result and what the run recorded along the way, as `result` holds them.
    static QJsonObject resultJson(const PerformanceTestResult &testResult, const QList<StreamResult> &samples,
        const QList<TimelineMarker> &markers);
    // Back from `result`: the engine's result, the samples and the markers.
    PerformanceTestResult testResult() const;
    QList<StreamResult> samples() const;
    QList<TimelineMarker> timelineMarkers() const;
    // The settings of the mount the run went to, kept in `result` as "mountSettings".
    std::optional<MountSettings> mountSettings() const;
    // The request the run was made with, as far as the record keeps it: its
    // location and shape, not its share or link.
    TestRequest testRequest() const;

    // A phase's speed in MB/s: none when the phase was off, or when the run
    // failed before it measured anything (no speed, not a speed of zero).
    std::optional<double> writeSpeed() const;
    std::optional<double> readSpeed() const;
    // When it finished, in local time to the minute, as the lists show it.
    QString finishedAtText() const;

    // Every field, keys spelled as the fields; absent optionals are null.
    QJsonObject toJson() const;
};

} // namespace trevlamark
