#include "platform/toolrunner.h"

#include "platform/logcategories.h"
#include "platform/detachedthreads.h"

#include <QProcess>
#include <QStringDecoder>
#include <algorithm>

namespace trevlamark {

namespace {

QString decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    return decoder.hasError() ? QString() : text;
}

struct ToolOutcome
{
    QString output;
    QString error;
    bool success = false;
};

} // namespace

CommandResult ToolRunner::run(const QString &path, const QStringList &arguments, const QString &errorMessage,
                              double timeoutSeconds)
{
    const QString commandLine = path + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    qCInfo(lcConsole).noquote() << QStringLiteral("Running command: ") + commandLine;
    const int timeoutMilliseconds = int(std::max(0.0, timeoutSeconds) * 1000.0);

    // The worker stops a hung tool at the time-out; the caller gives up a little later.
    // A tool that was stopped but whose outcome still came back in that time is
    // reported as it ended (what it wrote, and a failure unless it exited 0);
    // only a caller left without an outcome learns that the run was aborted.
    const std::optional<ToolOutcome> outcome = DetachedThreads::runWithin<ToolOutcome>(
        std::max(0.0, timeoutSeconds) + callerGraceSeconds, [path, arguments, errorMessage, commandLine,
                                                             timeoutMilliseconds] {
            QProcess process;
            process.setProgram(path);
            process.setArguments(arguments);
            process.setStandardInputFile(QProcess::nullDevice());
            process.start();
            if (!process.waitForStarted(-1)) {
                qCInfo(lcConsole).noquote() << errorMessage + QLatin1Char(' ') + process.errorString();
                return ToolOutcome{QString(), process.errorString(), false};
            }
            if (!process.waitForFinished(timeoutMilliseconds) && process.state() != QProcess::NotRunning) {
                qCInfo(lcConsole).noquote() << QStringLiteral("Command timed out: ") + commandLine;
                process.terminate();
                if (!process.waitForFinished(terminateGraceMilliseconds)) {
                    process.kill();
                    process.waitForFinished(-1);
                }
            }
            ToolOutcome result{decodeUtf8(process.readAllStandardOutput()), decodeUtf8(process.readAllStandardError()),
                               process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0};
            if (!result.success)
                qCInfo(lcConsole).noquote() << errorMessage + QLatin1Char(' ') + result.error;
            return result;
        });
    if (!outcome)
        return {false, QStringLiteral("Command execution took too long and was aborted")};
    return {outcome->success, outcome->success ? outcome->output : outcome->error};
}

} // namespace trevlamark
