#pragma once
// Output helpers shared by the commands: text to a stream, flushed at once,
// and the one-line refusal of bad arguments.

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <cstdio>

namespace trevlamark {

class CommandOutput
{
public:
    // True when all of it was written and flushed.
    static bool write(FILE *stream, const QString &text);
    static bool writeLine(FILE *stream, const QString &text);
    // Prints "trevlamark-cli: <text>" to standard error; returns the exit status for bad arguments.
    static int refuse(const QString &text);
    // Parses a subcommand's arguments; the subcommand's own name is dropped from
    // the positional arguments. False, with the exit status set, when help was shown or
    // the arguments were refused.
    static bool parse(QCommandLineParser &parser, const QStringList &arguments, const QString &command, int *exitStatus);
    // Sends discovery's diagnostic lines to standard error with --verbose, otherwise nowhere.
    static void routeDiagnostics(bool verbose);
    static QString positionalAfter(const QCommandLineParser &parser, const QString &command, qsizetype index);
    static qsizetype positionalCount(const QCommandLineParser &parser, const QString &command);

    static constexpr int invalidArgumentsExitStatus = 2;
};

} // namespace trevlamark
