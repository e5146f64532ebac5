#include "cli/commandoutput.h"

#include "history/databaselocation.h"
#include "history/runstore.h"
#include "platform/logsink.h"

namespace trevlamark {

bool CommandOutput::write(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    return std::fflush(stream) == 0 && written == size_t(bytes.size());
}

bool CommandOutput::writeLine(FILE *stream, const QString &text)
{
    return write(stream, text + QLatin1Char('\n'));
}

int CommandOutput::refuse(const QString &text)
{
    printError(text);
    return invalidArgumentsExitStatus;
}

void CommandOutput::printError(const QString &text)
{
    writeLine(stderr, QStringLiteral("trevlamark-cli: ") + text);
}

bool CommandOutput::saveRun(const QString &databaseText, const RunRecord &record, bool quiet, const QString &what)
{
    QString problem;
    const std::optional<DatabaseLocation> location = DatabaseLocation::resolve(databaseText, &problem);
    if (!location) {
        printError(QStringLiteral("the %1 was not saved: %2").arg(what, problem));
        return false;
    }
    RunStore store(*location);
    const std::optional<qint64> id = store.save(record);
    if (!store.notice().isEmpty())
        printError(store.notice());
    if (!id) {
        printError(QStringLiteral("the %1 was not saved: %2").arg(what, store.errorText()));
        return false;
    }
    if (!quiet)
        printError(QStringLiteral("saved as run %1 (\"trevlamark-cli history show %1\")").arg(*id));
    return true;
}

bool CommandOutput::parse(QCommandLineParser &parser, const QStringList &arguments, const QString &command,
                          int *exitStatus)
{
    const QCommandLineOption helpOption = parser.addHelpOption();
    if (!parser.parse(arguments)) {
        *exitStatus = refuse(parser.errorText() + QStringLiteral(" See trevlamark-cli %1 --help.").arg(command));
        return false;
    }
    // Qt adds --help-all beside --help; both only show the help.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        writeLine(stdout, parser.helpText());
        *exitStatus = 0;
        return false;
    }
    return true;
}

void CommandOutput::routeDiagnostics(bool verbose)
{
    LogSink::setConsoleTarget(verbose ? ConsoleTarget::StandardError : ConsoleTarget::Discard);
}

qsizetype CommandOutput::positionalCount(const QCommandLineParser &parser, const QString &command)
{
    const QStringList positional = parser.positionalArguments();
    const bool named = !positional.isEmpty() && positional.constFirst() == command;
    return positional.size() - (named ? 1 : 0);
}

QString CommandOutput::positionalAfter(const QCommandLineParser &parser, const QString &command, qsizetype index)
{
    const QStringList positional = parser.positionalArguments();
    const bool named = !positional.isEmpty() && positional.constFirst() == command;
    return positional.value(index + (named ? 1 : 0));
}

} // namespace trevlamark
