#include "cli/findmaxcommand.h"

#include "cli/commandoutput.h"
#include "cli/playcommand.h"
#include "engine/maxstreamssearch.h"
#include "engine/playsestimate.h"
#include "history/databaselocation.h"
#include "history/runstore.h"
#include "platform/logsink.h"
#include "platform/volumecapacity.h"
#include "settings/preferencesmanager.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSaveFile>

#include <csignal>

namespace trevlamark {

namespace {

QString count(quint64 value)
{
    return QLocale(QLocale::English).toString(value);
}

void printError(const QString &text)
{
    CommandOutput::writeLine(stderr, QStringLiteral("trevlamark-cli: ") + text);
}

} // namespace

int FindMaxCommand::run(const RunOptions &options)
{
    std::signal(SIGPIPE, SIG_IGN);
    LogSink::setConsoleTarget(options.verbose ? ConsoleTarget::StandardError : ConsoleTarget::Discard);
    const PreferencesManager preferences;
    FindMaxCommand command(options);
    connect(&command, &FindMaxCommand::finished, QCoreApplication::instance(),
        [](int exitStatus) { QCoreApplication::exit(exitStatus); });
    QMetaObject::invokeMethod(&command, &FindMaxCommand::start, Qt::QueuedConnection);
    return QCoreApplication::exec();
}

FindMaxCommand::FindMaxCommand(const RunOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_signalWatcher({SIGINT, SIGTERM, SIGHUP})
{
    connect(&m_signalWatcher, &SignalWatcher::signalReceived, this, &FindMaxCommand::handleSignal);
}

int FindMaxCommand::estimatedStart(const TestRequest &request, const QString &databaseText)
{
    QString problem;
    const std::optional<DatabaseLocation> location = DatabaseLocation::resolve(databaseText, &problem);
    if (!location)
        return 1;
    RunStore store(*location);
    RunQuery query;
    query.locationPath = request.locationPath;
    query.outcome = RunOutcome::Completed;
    query.limit = 20;
    for (const RunRecord &record : store.list(query).value_or(QList<RunRecord>())) {
        const std::optional<RunRecord> full = store.find(record.id);
        const PerformanceTestResult result = full ? full->testResult() : PerformanceTestResult();
        // A paced run's rates are what its streams asked for, not what the storage could give.
        if (!full || result.paced)
            continue;
        const int headroom = PreferencesManager::playsHeadroomPercent();
        const MediaFormat &format = request.paced->format;
        int streams = INT_MAX;
        if (request.writePhaseEnabled)
            streams = std::min(streams, PlaysEstimate::streams(PlaysEstimate::writeRate(result).value_or(0), format, headroom));
        if (request.readPhaseEnabled)
            streams = std::min(streams, PlaysEstimate::streams(PlaysEstimate::readRate(result).value_or(0), format, headroom));
        return std::max(1, streams);
    }
    return 1;
}

void FindMaxCommand::start()
{
    m_start = m_options.request.paced->streams > 0 ? m_options.request.paced->streams
                                                   : estimatedStart(m_options.request, m_options.databaseText);
    if (!m_options.quiet)
        printError(QStringLiteral("searching from %1 streams, %2 s a step").arg(m_start).arg(m_options.request.paced->durationSeconds));
    finish();
}

void FindMaxCommand::runStep(int streams)
{
    TestRequest request = m_options.request;
    request.paced->streams = streams;
    request.interfaceInfo = request.locationPath;
    request.share.mountPath = request.locationPath;
    if (!m_options.quiet)
        printError(QStringLiteral("step %1: %2 streams").arg(m_steps.size() + 1).arg(streams));
    m_run = TestRun::create(request);
    connect(m_run.get(), &TestRun::finished, this, &FindMaxCommand::handleResult);
    connect(m_run.get(), &TestRun::cleanupFinished, this, &FindMaxCommand::handleCleanup);
    m_run->start(request);
}

void FindMaxCommand::handleResult(const PerformanceTestResult &result)
{
    const int streams = m_run->request().paced->streams;
    if (!result.success || !result.paced) {
        m_failure = result.errorMessage.value_or(QStringLiteral("Test failed"));
        return;
    }
    Step step{streams, 0, 0, 0};
    for (const PacedDirection &direction : result.paced->directions) {
        step.frames += direction.total.frames;
        step.lateFrames += direction.total.lateFrames;
        step.p99Ms = std::max(step.p99Ms, direction.total.latencyP99Ms);
    }
    if (m_stopSignal != 0)
        return; // a step cut short says nothing about its count
    m_steps.append(step);
    m_outcomes.insert(streams, step.lateFrames == 0);
    if (!m_options.quiet)
        printError(QStringLiteral("  %1 of %2 frames late").arg(count(step.lateFrames), count(step.frames)));
}

void FindMaxCommand::handleCleanup(const QString &path, bool removed)
{
    if (!removed) {
        printError(QStringLiteral("could not remove the test directory \"%1\"; \"trevlamark-cli sweep\" on its location "
                                  "removes it later").arg(path));
        m_problem = true;
    }
    TestRun::dispose(std::move(m_run));
    finish();
}

void FindMaxCommand::handleSignal(int signalNumber)
{
    if (m_stopSignal != 0) {
        printError(QStringLiteral("still removing the test data, please wait"));
        return;
    }
    m_stopSignal = signalNumber;
    printError(QStringLiteral("stopping the search"));
    if (m_run && m_run->isRunning())
        m_run->stop();
    else if (!m_run)
        finish();
}

void FindMaxCommand::finish()
{
    const std::optional<int> next =
        m_failure || m_stopSignal != 0 ? std::nullopt : MaxStreamsSearch::next(m_outcomes, m_start, PlayCommand::maximumStreams);
    if (next) {
        // Every frame of every stream stays until the step ends.
        TestRequest request = m_options.request;
        request.paced->streams = *next;
        const quint64 needed = request.paced->bytesNeeded(request.disableCache);
        const std::optional<VolumeCapacity> capacity = VolumeCapacity::read(request.locationPath);
        if (!capacity || quint64(std::max<qint64>(0, capacity->availableBytes)) >= needed) {
            runStep(*next);
            return;
        }
        printError(QStringLiteral("the location's free space cannot hold %1 streams for the duration; the search ends here")
                       .arg(*next));
        m_problem = true;
    }
    const QString format = m_options.request.paced->format.name;
    FILE *stream = m_options.jsonPath == QLatin1String("-") ? stderr : stdout;
    CommandOutput::write(stream, table(m_steps) + headline(format, m_steps) + QLatin1Char('\n'));
    if (m_failure)
        printError(*m_failure);
    if (!m_options.jsonPath.isEmpty() && !writeJson())
        m_problem = true;
    emit finished(m_stopSignal != 0 ? 128 + m_stopSignal : (m_failure || m_problem) ? 1 : 0);
}

QString FindMaxCommand::table(const QList<Step> &steps)
{
    QList<Step> sorted = steps;
    std::sort(sorted.begin(), sorted.end(), [](const Step &a, const Step &b) { return a.streams < b.streams; });
    QString text = QStringLiteral("Streams  Frames  Late frames  p99 frame latency\n");
    for (const Step &step : sorted) {
        text += QStringLiteral("%1  %2  %3  %4 ms\n")
                    .arg(step.streams, 7)
                    .arg(count(step.frames), 6)
                    .arg(count(step.lateFrames), 11)
                    .arg(QString::number(step.p99Ms, 'f', 1), 14);
    }
    return text;
}

QString FindMaxCommand::headline(const QString &format, const QList<Step> &steps)
{
    QMap<int, Step> byStreams;
    for (const Step &step : steps)
        byStreams.insert(step.streams, step);
    int plays = 0;
    for (const Step &step : steps) {
        if (step.lateFrames == 0)
            plays = std::max(plays, step.streams);
    }
    const auto failing = std::find_if(byStreams.cbegin(), byStreams.cend(),
        [plays](const Step &step) { return step.streams > plays && step.lateFrames > 0; });
    const QString playsText = plays == 0 ? QStringLiteral("plays no stream of %1").arg(format)
                                         : QStringLiteral("plays %1 %2 of %3")
                                               .arg(plays)
                                               .arg(plays == 1 ? QStringLiteral("stream") : QStringLiteral("streams"), format);
    if (failing == byStreams.cend())
        return playsText;
    return playsText + QStringLiteral("; at %1, %2 of %3 frames were late")
                           .arg(failing->streams)
                           .arg(count(failing->lateFrames), count(failing->frames));
}

bool FindMaxCommand::writeJson() const
{
    QJsonArray steps;
    for (const Step &step : m_steps) {
        steps.append(QJsonObject{{QStringLiteral("streams"), step.streams}, {QStringLiteral("frames"), double(step.frames)},
            {QStringLiteral("lateFrames"), double(step.lateFrames)}, {QStringLiteral("p99FrameLatencyMs"), step.p99Ms}});
    }
    const PacedRequest &paced = *m_options.request.paced;
    const QJsonObject object{{QStringLiteral("format"), paced.format.name},
        {QStringLiteral("bufferFrames"), paced.bufferFrames}, {QStringLiteral("durationSeconds"), paced.durationSeconds},
        {QStringLiteral("streams"), MaxStreamsSearch::answer(m_outcomes)},
        {QStringLiteral("headline"), headline(paced.format.name, m_steps)}, {QStringLiteral("steps"), steps}};
    const QByteArray json = QJsonDocument(QJsonObject{{QStringLiteral("findMax"), object}}).toJson();
    if (m_options.jsonPath == QLatin1String("-"))
        return CommandOutput::write(stdout, QString::fromUtf8(json));
    QSaveFile file(m_options.jsonPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        printError(QStringLiteral("cannot write JSON to \"%1\": %2").arg(m_options.jsonPath, file.errorString()));
        return false;
    }
    return true;
}

} // namespace trevlamark
