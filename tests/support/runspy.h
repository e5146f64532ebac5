#pragma once
// A test run with what its signals delivered, for the engine's tests.

#include "engine/localtestrun.h"
#include "engine/testrun.h"

#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>

namespace trevlamark {

struct RunSpy
{
    std::unique_ptr<TestRun> run;
    QSignalSpy cleanup;
    std::optional<PerformanceTestResult> result;
    int completions = 0;
    QList<RunProgress> progress;
    QStringList messages;
    QString directory; // a local run's test directory, known from its first progress

    // `onProgress` runs with each progress, on the main thread, before the run goes on.
    explicit RunSpy(std::unique_ptr<TestRun> testRun, std::function<void(const RunProgress &)> onProgress = {})
        : run(std::move(testRun))
        , cleanup(run.get(), &TestRun::cleanupFinished)
    {
        QObject::connect(run.get(), &TestRun::progressed, run.get(), [this, onProgress](const RunProgress &value) {
            if (const auto *local = qobject_cast<const LocalTestRun *>(run.get()); local && directory.isEmpty())
                directory = local->currentTestDirectoryPath().value_or(QString());
            progress.append(value);
            messages.append(value.message);
            if (onProgress)
                onProgress(value);
        });
        QObject::connect(run.get(), &TestRun::finished, run.get(), [this](const PerformanceTestResult &value) {
            result = value;
            ++completions;
        });
    }
    // Starts the kind of run the request asks for.
    explicit RunSpy(const TestRequest &request, std::function<void(const RunProgress &)> onProgress = {})
        : RunSpy(TestRun::create(request), std::move(onProgress))
    {
        run->start(request);
    }

    bool finished(int timeoutMs = 60000) { return QTest::qWaitFor([this] { return completions == 1; }, timeoutMs); }
    bool cleaned(int timeoutMs = 60000) { return QTest::qWaitFor([this] { return cleanup.count() == 1; }, timeoutMs); }
    bool removed(int timeoutMs = 60000) { return cleaned(timeoutMs) && cleanup.at(0).at(1).toBool(); }
    bool moving(int timeoutMs = 30000)
    {
        return QTest::qWaitFor([this] { return !run->streamResults().isEmpty() && !progress.isEmpty(); }, timeoutMs);
    }
    QString detail(const char *key) const { return result->details.value(QLatin1String(key)); }
};

} // namespace trevlamark
