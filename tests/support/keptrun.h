#pragma once
// Runs put in the history the way the window and the command line keep them,
// for tests that read them back.

#include "history/runstore.h"

#include <QDateTime>
#include <QDebug>

// A run that finished now on host "lab-7" at path, with result and no
// samples. Its id; nothing, with the store's error printed, when the store at
// location could not keep it.
inline std::optional<qint64> keepRun(const trevlamark::DatabaseLocation &location, const QString &path,
                                     const trevlamark::PerformanceTestResult &result)
{
    trevlamark::RunRecord run;
    run.finishedAt = QDateTime::currentDateTimeUtc();
    run.hostName = QStringLiteral("lab-7");
    run.locationPath = path;
    run.result = trevlamark::RunRecord::resultJson(result, {}, {});
    trevlamark::RunStore store(location);
    const std::optional<qint64> id = store.open() ? store.save(run) : std::nullopt;
    if (!id)
        qWarning().noquote() << store.errorText();
    return id;
}

// A search for the most streams of ProRes 422 HD 25 that settled on 3: at 4,
// 37 of 2,000 frames were late. Its steps are kept in the order they ran.
inline trevlamark::PerformanceTestResult searchResult()
{
    trevlamark::PacedResult paced;
    paced.format = QStringLiteral("ProRes 422 HD 25");
    paced.streams = 3;
    paced.searchSteps = {{1, 500, 0, 4.5}, {2, 1000, 0, 6.0}, {4, 2000, 37, 80.2}, {3, 1500, 0, 9.1}};
    trevlamark::PerformanceTestResult result;
    result.success = true;
    result.paced = paced;
    return result;
}
