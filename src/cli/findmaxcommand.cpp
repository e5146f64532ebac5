#include "cli/findmaxcommand.h"

#include "cli/commandoutput.h"
#include "cli/playcommand.h"
#include "engine/playsestimate.h"
#include "history/databaselocation.h"
#include "history/runrecordbuilder.h"
#include "history/runstore.h"
#include "platform/logsink.h"
#include "platform/volumecapacity.h"
#include "settings/preferencesmanager.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSaveFile>

#include <climits>
#include <csignal>

namespace trevlamark {

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

QString FindMaxCommand::spaceProblem(const TestRequest &request)
{
    // Every frame of every stream stays until the step ends; each fio client
    // writes all the streams into the same location.
    const quint64 needed = request.paced->bytesNeeded(request.disableCache)
        * quint64(std::max<qsizetype>(1, request.clients.size()));
    const std::optional<VolumeCapacity> capacity = VolumeCapacity::read(request.locationPath);
    if (!capacity || quint64(std::max<qint64>(0, capacity->availableBytes)) >= needed)
        return {};
    // Streams are counted per client, as in the search's table and headline.
    const QString clients = request.clients.size() > 1
        ? QStringLiteral(" from each of %1 clients").arg(request.clients.size()) : QString();
    return QStringLiteral("the location's free space cannot hold %1 streams%2 for the duration (%3 needed)")
        .arg(request.paced->streams)
        .arg(clients, QLocale::c().formattedDataSize(qint64(needed), 2, QLocale::DataSizeIecFormat));
}

void FindMaxCommand::start()
{
    const TestRequest &request = m_options.request;
    const int start = request.paced->streams > 0 ? request.paced->streams : estimatedStart(request, m_options.databaseText);
    if (!m_options.quiet)
        CommandOutput::printError(QStringLiteral("searching from %1 %2, %3 s a step")
                       .arg(start)
                       .arg(start == 1 ? QStringLiteral("stream") : QStringLiteral("streams")).arg(request.paced->durationSeconds));
    TestRequest stepRequest = request;
    stepRequest.interfaceInfo = request.locationPath;
    stepRequest.share.mountPath = request.locationPath;
    m_finder = std::make_unique<MaxStreamsFinder>(stepRequest, start, PlayCommand::maximumStreams, &FindMaxCommand::spaceProblem);
    if (!m_options.quiet) {
        connect(m_finder.get(), &MaxStreamsFinder::stepStarted, this,
            [this](int streams) {
                CommandOutput::printError(QStringLiteral("step %1: %2 %3")
                               .arg(m_finder->steps().size() + 1)
                               .arg(streams)
                               .arg(streams == 1 ? QStringLiteral("stream") : QStringLiteral("streams")));
            });
        connect(m_finder.get(), &MaxStreamsFinder::stepFinished, this, [](const MaxStreamsFinder::Step &step) {
            CommandOutput::printError(QStringLiteral("  %1 of %2 frames late")
                           .arg(QLocale(QLocale::English).toString(step.lateFrames), QLocale(QLocale::English).toString(step.frames)));
        });
    }
    connect(m_finder.get(), &MaxStreamsFinder::leftBehind, this, [this](const QString &path) {
        CommandOutput::printError(QStringLiteral("could not remove the test directory \"%1\"; \"trevlamark-cli sweep\" on its location "
                                  "removes it later").arg(path));
        m_problem = true;
    });
    connect(m_finder.get(), &MaxStreamsFinder::finished, this, &FindMaxCommand::finish);
    m_finder->start();
}

void FindMaxCommand::handleSignal(int signalNumber)
{
    if (m_stopSignal != 0) {
        CommandOutput::printError(QStringLiteral("still removing the test data, please wait"));
        return;
    }
    m_stopSignal = signalNumber;
    CommandOutput::printError(QStringLiteral("stopping the search"));
    if (m_finder)
        m_finder->stop();
}

void FindMaxCommand::finish()
{
    const QString format = m_options.request.paced->format.name;
    FILE *stream = m_options.jsonPath == QLatin1String("-") ? stderr : stdout;
    CommandOutput::write(stream, MaxStreamsFinder::table(m_finder->steps())
            + MaxStreamsFinder::headline(format, m_finder->steps()) + QLatin1Char('\n'));
    if (m_finder->problem())
        CommandOutput::printError(*m_finder->problem());
    if (!m_options.jsonPath.isEmpty() && !writeJson())
        m_problem = true;
    if (m_options.saveHistory)
        saveToHistory();
    emit finished(m_stopSignal != 0 ? 128 + m_stopSignal : (m_finder->problem() || m_problem) ? 1 : 0);
}

void FindMaxCommand::saveToHistory()
{
    const std::optional<PerformanceTestResult> result = m_finder->result();
    if (!result)
        return;
    // Kept as the run of the answer (or of the fewest streams tried), with every step.
    TestRequest request = m_options.request;
    request.paced->streams = result->paced->streams;
    if (!CommandOutput::saveRun(m_options.databaseText, RunRecordBuilder::build(request, *result, {}, {}),
            m_options.quiet, QStringLiteral("search")))
        m_problem = true;
}

bool FindMaxCommand::writeJson() const
{
    QJsonArray steps;
    for (const MaxStreamsStep &step : m_finder->steps())
        steps.append(step.toJson());
    const PacedRequest &paced = *m_options.request.paced;
    const QJsonObject object{{QStringLiteral("format"), paced.format.name},
        {QStringLiteral("bufferFrames"), paced.bufferFrames}, {QStringLiteral("durationSeconds"), paced.durationSeconds},
        {QStringLiteral("streams"), m_finder->answer()},
        {QStringLiteral("headline"), MaxStreamsFinder::headline(paced.format.name, m_finder->steps())},
        {QStringLiteral("steps"), steps}};
    const QByteArray json = QJsonDocument(QJsonObject{{QStringLiteral("findMax"), object}}).toJson();
    if (m_options.jsonPath == QLatin1String("-"))
        return CommandOutput::write(stdout, QString::fromUtf8(json));
    QSaveFile file(m_options.jsonPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        CommandOutput::printError(QStringLiteral("cannot write JSON to \"%1\": %2").arg(m_options.jsonPath, file.errorString()));
        return false;
    }
    return true;
}

} // namespace trevlamark
