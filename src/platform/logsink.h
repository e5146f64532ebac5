#pragma once
// The one message handler of the program. Messages of the trevlamark.*
// categories become time-stamped lines of the rotating log file; the console
// category goes to the stream the front end chose; everything else goes on to
// the handler that was there before (Qt's own, or QtTest's). The log's own
// failures go to the console, never to the caller.

#include <QList>
#include <QString>
#include <QtGlobal>
#include <cstdint>

namespace trevlamark {

// The GUI leaves console lines on standard output; the CLI keeps standard
// output for its results and sends them to standard error with --verbose, or
// drops them.
enum class ConsoleTarget { StandardOutput, StandardError, Discard };

class LogSink
{
public:
    // Rotates an oversized log the first time, and puts the handler in front. Installing again keeps the sink in front of a
    // handler installed later (QtTest installs its own while a test runs).
    static void install();
    // Which message types of the subsystem categories reach the file. The
    // rules are set through the Qt API, so QT_LOGGING_RULES still overrides them.
    static void setEnabledTypes(const QList<QtMsgType> &types);
    static void setConsoleTarget(ConsoleTarget target);
    static ConsoleTarget consoleTarget();

    static QString directory();
    static QString filePath();
    // "DEBUG", "INFO", "WARNING" or "ERROR" (critical and fatal messages).
    static QString tag(QtMsgType type);
    // Moves a log above maxFileSize aside under a time-stamped name; public so
    // tests can drive it.
    static void rotateIfNeeded();

    static constexpr std::uint64_t maxFileSize = 10485760;
    static constexpr const char *fileName = "trevlamark.log";
    static constexpr const char *dateFormat = "yyyy-MM-dd HH:mm:ss";

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);
    // Appends the text and a line feed, without level check or prefix.
    static void appendLine(const QString &text);
    static void printToConsole(const QString &line);
};

} // namespace trevlamark
