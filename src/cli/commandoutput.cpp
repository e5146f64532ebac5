#include "cli/commandoutput.h"

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
    writeLine(stderr, QStringLiteral("trevlamark-cli: ") + text);
    return invalidArgumentsExitStatus;
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
