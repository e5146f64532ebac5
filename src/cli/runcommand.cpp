#include "cli/runcommand.h"

#include "platform/logsink.h"
#include "settings/preferencesmanager.h"
#include "cli/cliarguments.h"
#include "cli/commandoutput.h"
#include "cli/formatscommand.h"
#include "discovery/sharemanager.h"
#include "engine/fiorunjob.h"
#include "engine/preruncheck.h"
#include "engine/playsestimate.h"
#include "engine/resultformatter.h"
#include "history/runrecordbuilder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace trevlamark {

namespace {

ProgressReporter::Mode progressMode(const RunOptions &options)
{
    if (options.quiet)
        return ProgressReporter::Mode::Quiet;
    return ::isatty(STDERR_FILENO) ? ProgressReporter::Mode::Terminal : ProgressReporter::Mode::Plain;
}

} // namespace

int RunCommand::execute(const QStringList &arguments)
{
    CliArguments cli;
    switch (cli.parseRun(arguments)) {
    case CliArguments::Outcome::ShowHelp:
        CommandOutput::write(stdout, cli.helpText());
        return 0;
    case CliArguments::Outcome::Invalid:
        CommandOutput::printError(cli.errorText());
        return CommandOutput::invalidArgumentsExitStatus;
    case CliArguments::Outcome::Proceed:
        break;
    }
    if (cli.runOptions().fioJob)
        return CommandOutput::write(stdout, QString::fromUtf8(FioRunJob::text(cli.runOptions().request))) ? 0 : 1;
    return run(cli.runOptions());
}

int RunCommand::run(const RunOptions &options)
{
    // A reader that goes away (`| head`) must not kill the run before its test
    // data is removed; the failed write is reported instead.
    std::signal(SIGPIPE, SIG_IGN);
    LogSink::setConsoleTarget(options.verbose ? ConsoleTarget::StandardError : ConsoleTarget::Discard);
    // Seeds the log switches in the preference store, as the application does.
    const PreferencesManager preferences;

    RunCommand command(options);
    connect(&command, &RunCommand::finished, QCoreApplication::instance(),
            [](int exitStatus) { QCoreApplication::exit(exitStatus); });
    QMetaObject::invokeMethod(&command, &RunCommand::start, Qt::QueuedConnection);
    return QCoreApplication::exec();
}

RunCommand::RunCommand(const RunOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_progress(progressMode(options))
    , m_signalWatcher({SIGINT, SIGTERM, SIGHUP})
{
    m_cleanupTimeout.setSingleShot(true);
    m_cleanupTimeout.setInterval(cleanupTimeoutSeconds * 1000);
    connect(&m_cleanupTimeout, &QTimer::timeout, this, &RunCommand::handleCleanupTimeout);
    connect(&m_signalWatcher, &SignalWatcher::signalReceived, this, &RunCommand::handleSignal);
}

TestRequest RunCommand::requestWithShare(const TestRequest &original)
{
    TestRequest request = original;
    const QString &location = request.locationPath;
    const ShareRoute route = ShareManager().routeFor(location);
    if (route.share) {
        request.share = *route.share;
        request.link = route.link;
    } else {
        request.share.mountPath = location;
        request.share.shareName = QFileInfo(location).fileName();
    }
    return request;
}

void RunCommand::start()
{
    m_clock.start();
    m_request = requestWithShare(m_options.request);
    // fio clients see the location from their own machines; this one cannot
    // check it. A paced run checks its own space for its streams beforehand.
    if (m_request.clients.isEmpty() && !m_request.paced) {
        const CheckReport check = PreRunCheck::run(m_request);
        if (check.isRefused()) {
            // Nothing was written, so nothing is to be removed, and a run that
            // never started is no run to keep.
            m_cleanupFinished = true;
            m_options.saveHistory = false;
            handleCompletion(PerformanceTestResult::failure(QStringLiteral("Refused: ") + check.refusalText()));
            return;
        }
        if (!m_options.quiet) {
            for (const CheckReport::Finding &finding : check.findings) {
                if (finding.severity == CheckReport::Severity::hint)
                    CommandOutput::printError(QStringLiteral("hint: ") + finding.text);
            }
        }
    }
    m_request.developerMode = PreferencesManager::isDeveloperMode();
    m_request.interfaceInfo = m_request.locationPath;
    m_run = TestRun::create(m_request);
    connect(m_run.get(), &TestRun::progressed, this, &RunCommand::handleProgress);
    connect(m_run.get(), &TestRun::finished, this, &RunCommand::handleCompletion);
    connect(m_run.get(), &TestRun::cleanupFinished, this, &RunCommand::handleCleanupFinished);
    m_run->start(m_request);
}

bool RunCommand::testRunning() const
{
    return m_run && m_run->isRunning();
}

void RunCommand::writeStatus(const QString &text)
{
    if (!text.isEmpty())
        CommandOutput::write(stderr, text);
}

void RunCommand::handleProgress(const RunProgress &progress)
{
    if (m_result || m_stopSignal != 0)
        return;
    writeStatus(m_progress.update(ResultFormatter::progressLine(progress.message, m_run->streamResults()), m_clock.elapsed()));
}

void RunCommand::handleSignal(int signalNumber)
{
    if (m_stopSignal != 0 || m_result) {
        // Dying now would leave test data behind.
        CommandOutput::printError(QStringLiteral("still removing the test data, please wait"));
        return;
    }
    // Between the automatic stop and its result the run is already over.
    if (!testRunning())
        return;
    m_stopSignal = signalNumber;
    writeStatus(m_progress.finish());
    if (!m_options.quiet)
        CommandOutput::printError(QStringLiteral("stopping the test"));
    m_run->stop();
}

void RunCommand::handleCompletion(const PerformanceTestResult &result)
{
    if (m_result)
        return;
    m_result = result;
    writeStatus(m_progress.finish());
    writeResult(result);
    if (!result.success)
        CommandOutput::printError(result.errorMessage.value_or(QStringLiteral("Test failed")));
    if (!m_options.jsonPath.isEmpty() && !writeJson(result))
        m_problemAfterRun = true;
    if (m_options.saveHistory)
        saveToHistory(result);

    // Every result is followed by the removal of whatever test data the run made.
    if (!m_cleanupFinished)
        m_cleanupTimeout.start();
    finishWhenDone();
}

void RunCommand::writeResult(const PerformanceTestResult &result)
{
    // With "--json -" standard output carries the JSON alone.
    FILE *stream = m_options.jsonPath == QLatin1String("-") ? stderr : stdout;
    QStringList lines = ResultFormatter::resultLines(result);
    if (m_options.plays && result.success) {
        lines.append(QString());
        lines.append(PlaysEstimate::lines(playsRows(result), PreferencesManager::playsHeadroomPercent()));
    }
    if (!CommandOutput::write(stream, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'))) {
        CommandOutput::printError(QStringLiteral("cannot print the result: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        m_problemAfterRun = true;
    }
}

bool RunCommand::writeJson(const PerformanceTestResult &result)
{
    QJsonObject object = result.toJson();
    if (m_options.plays && result.success)
        object.insert(QStringLiteral("plays"),
            PlaysEstimate::toJson(playsRows(result), PreferencesManager::playsHeadroomPercent()));
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Indented);
    if (m_options.jsonPath == QLatin1String("-")) {
        if (CommandOutput::write(stdout, QString::fromUtf8(json)))
            return true;
        CommandOutput::printError(QStringLiteral("cannot write JSON to standard output: %1")
                       .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    QSaveFile file(m_options.jsonPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        CommandOutput::printError(QStringLiteral("cannot write JSON to \"%1\": %2").arg(m_options.jsonPath, file.errorString()));
        return false;
    }
    return true;
}

QList<PlaysRow> RunCommand::playsRows(const PerformanceTestResult &result) const
{
    // The file was read when the arguments were checked.
    QString problem;
    return PlaysEstimate::rows(result, FormatsCommand::load(m_options.formatFile, &problem).value_or(QList<MediaFormat>()),
        PreferencesManager::playsHeadroomPercent());
}

void RunCommand::saveToHistory(const PerformanceTestResult &result)
{
    if (!CommandOutput::saveRun(m_options.databaseText,
            RunRecordBuilder::build(m_request, result, m_run->streamResults(), m_run->timelineMarkers()), m_options.quiet,
            QStringLiteral("run")))
        m_problemAfterRun = true;
}

void RunCommand::handleCleanupFinished(const QString &path, bool removed)
{
    m_cleanupFinished = true;
    m_cleanupTimeout.stop();
    if (!removed) {
        CommandOutput::printError(QStringLiteral("could not remove the test directory \"%1\"; "
                                  "\"trevlamark-cli sweep\" on its location removes it later")
                       .arg(path));
        m_problemAfterRun = true;
    }
    finishWhenDone();
}

void RunCommand::handleCleanupTimeout()
{
    CommandOutput::printError(QStringLiteral("the test directory was not removed within %1 seconds; "
                              "\"trevlamark-cli sweep %2\" removes leftovers")
                   .arg(cleanupTimeoutSeconds)
                   .arg(m_request.locationPath));
    m_problemAfterRun = true;
    m_cleanupFinished = true;
    finishWhenDone();
}

int RunCommand::exitStatus() const
{
    if (m_stopSignal != 0)
        return 128 + m_stopSignal;
    if (!m_result || !m_result->success || m_problemAfterRun)
        return failureExitStatus;
    return 0;
}

void RunCommand::finishWhenDone()
{
    if (m_finished || !m_result || !m_cleanupFinished)
        return;
    m_finished = true;
    emit finished(exitStatus());
}

} // namespace trevlamark
