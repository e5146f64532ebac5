#pragma once
// Output helpers shared by the commands: text to a stream, flushed at once,
// the one-line refusal of bad arguments, and a run kept in the history with
// what the user is told about it.

#include "history/runrecord.h"

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
    // Prints "trevlamark-cli: <text>" to standard error.
    static void printError(const QString &text);
    // Saves the record in the history the user chose, saying where it went
    // (unless quiet) or why `what` ("run", "search") was not saved; false then.
    static bool saveRun(const QString &databaseText, const RunRecord &record, bool quiet, const QString &what);
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
