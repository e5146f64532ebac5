#include "cli/runcommand.h"

#include "platform/logsink.h"
#include "settings/preferencesmanager.h"
#include "cli/cliarguments.h"
#include "engine/resultformatter.h"

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

bool writeText(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    return std::fflush(stream) == 0 && written == size_t(bytes.size());
}

void printError(const QString &text)
{
    writeText(stderr, QStringLiteral("trevlamark-cli: ") + text + QLatin1Char('\n'));
}

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
        writeText(stdout, cli.helpText());
        return 0;
    case CliArguments::Outcome::Invalid:
        printError(cli.errorText());
        return invalidArgumentsExitStatus;
    case CliArguments::Outcome::Proceed:
        break;
    }
    // A reader that goes away (`| head`) must not kill the run before its test
    // data is removed; the failed write is reported instead.
    std::signal(SIGPIPE, SIG_IGN);
    LogSink::setConsoleTarget(cli.runOptions().verbose ? ConsoleTarget::StandardError : ConsoleTarget::Discard);
    // Seeds the log switches in the preference store, as the application does.
    const PreferencesManager preferences;

    RunCommand command(cli.runOptions());
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
    m_share.mountPath = options.locationPath;
    m_share.shareName = QFileInfo(options.locationPath).fileName();
    m_cleanupTimeout.setSingleShot(true);
    m_cleanupTimeout.setInterval(cleanupTimeoutSeconds * 1000);
    connect(&m_cleanupTimeout, &QTimer::timeout, this, &RunCommand::handleCleanupTimeout);
    connect(&m_signalWatcher, &SignalWatcher::signalReceived, this, &RunCommand::handleSignal);
    connect(&m_manager, &PerformanceTestManager::testDirectoryCleanupFinished, this,
            &RunCommand::handleCleanupFinished);
}

void RunCommand::start()
{
    m_clock.start();
    m_manager.setSamplingRate(m_options.samplingRateSeconds);
    m_manager.startStreamingTest(
        m_share, m_options.chunkSize, m_options.queueDepth, m_options.bytesPerCycle,
        m_options.customBytesPerCycle, m_options.totalCycles, m_options.disableCache, m_options.locationPath,
        m_options.writePhaseEnabled, m_options.readPhaseEnabled,
        [this](double, const QString &message, const QList<StreamResult> &streamResults,
               const QList<TimelineMarker> &, const QString &, int, int) {
            handleProgress(message, streamResults);
        },
        [this](const PerformanceTestResult &result) { handleCompletion(result); });
}

StreamTestOptions RunCommand::streamTestOptions() const
{
    StreamTestOptions options;
    options.chunkSize = m_options.chunkSize;
    options.bytesPerCycle = resolvedBytesPerCycle(m_options.bytesPerCycle, m_options.customBytesPerCycle);
    options.totalCycles = m_options.totalCycles;
    options.disableCache = m_options.disableCache;
    options.queueDepth = m_options.queueDepth;
    return options;
}

void RunCommand::writeStatus(const QString &text)
{
    if (!text.isEmpty())
        writeText(stderr, text);
}

void RunCommand::handleProgress(const QString &message, const QList<StreamResult> &streamResults)
{
    if (m_result || m_stopSignal != 0)
        return;
    writeStatus(m_progress.update(ResultFormatter::progressLine(message, streamResults), m_clock.elapsed()));
}

void RunCommand::handleSignal(int signalNumber)
{
    if (m_stopSignal != 0 || m_result) {
        // Dying now would leave test data behind.
        printError(QStringLiteral("still removing the test data, please wait"));
        return;
    }
    // Between the automatic stop and its result the run is already over.
    if (!m_manager.isRunning())
        return;
    m_stopSignal = signalNumber;
    writeStatus(m_progress.finish());
    if (!m_options.quiet)
        printError(QStringLiteral("stopping the test"));
    m_manager.stopStreamingTest(m_share, m_options.locationPath, false, m_options.locationPath,
                                streamTestOptions(),
                                [this](const PerformanceTestResult &result) { handleCompletion(result); });
}

void RunCommand::handleCompletion(const PerformanceTestResult &result)
{
    if (m_result)
        return;
    m_result = result;
    writeStatus(m_progress.finish());
    writeResult(result);
    if (!result.success)
        printError(result.errorMessage.value_or(QStringLiteral("Test failed")));
    if (!m_options.jsonPath.isEmpty() && !writeJson(result))
        m_problemAfterRun = true;

    // A run that started always has its directory removed afterwards; a failed
    // start has none, unless the engine made it before failing.
    const std::optional<QString> directory = m_manager.currentTestDirectoryPath();
    m_awaitingCleanup = !result.details.isEmpty() || (directory && QFileInfo(*directory).isDir());
    if (m_awaitingCleanup && !m_cleanupFinished)
        m_cleanupTimeout.start();
    finishWhenDone();
}

void RunCommand::writeResult(const PerformanceTestResult &result)
{
    // With "--json -" standard output carries the JSON alone.
    FILE *stream = m_options.jsonPath == QLatin1String("-") ? stderr : stdout;
    if (!writeText(stream, ResultFormatter::resultLines(result).join(QLatin1Char('\n')) + QLatin1Char('\n'))) {
        printError(QStringLiteral("cannot print the result: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        m_problemAfterRun = true;
    }
}

bool RunCommand::writeJson(const PerformanceTestResult &result)
{
    const QByteArray json = QJsonDocument(result.toJson()).toJson(QJsonDocument::Indented);
    if (m_options.jsonPath == QLatin1String("-")) {
        if (writeText(stdout, QString::fromUtf8(json)))
            return true;
        printError(QStringLiteral("cannot write JSON to standard output: %1")
                       .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    QSaveFile file(m_options.jsonPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        printError(QStringLiteral("cannot write JSON to \"%1\": %2").arg(m_options.jsonPath, file.errorString()));
        return false;
    }
    return true;
}

void RunCommand::handleCleanupFinished(const QString &path, bool removed)
{
    m_cleanupFinished = true;
    m_cleanupTimeout.stop();
    if (!removed) {
        printError(QStringLiteral("could not remove the test directory \"%1\"; "
                                  "\"trevlamark-cli sweep\" on its location removes it later")
                       .arg(path));
        m_problemAfterRun = true;
    }
    finishWhenDone();
}

void RunCommand::handleCleanupTimeout()
{
    printError(QStringLiteral("the test directory was not removed within %1 seconds; "
                              "\"trevlamark-cli sweep %2\" removes leftovers")
                   .arg(cleanupTimeoutSeconds)
                   .arg(m_options.locationPath));
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
    if (m_finished || !m_result || (m_awaitingCleanup && !m_cleanupFinished))
        return;
    m_finished = true;
    emit finished(exitStatus());
}

} // namespace trevlamark
