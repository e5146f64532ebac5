#pragma once
// Appends time-stamped lines to the rotating log file. Each of the four levels
// is switched by a preference read afresh on every call; the log's own failures
// go to the console, never to the caller.

#include <QString>
#include <cstdint>

namespace trevlamark {

enum class LogLevel { Info, Warning, Error, Debug };

class LogManager
{
public:
    static LogManager &shared();

    static void debug(const QString &message);
    static void info(const QString &message);
    static void warning(const QString &message);
    static void error(const QString &message);

    static QString tag(LogLevel level);
    static QString switchKey(LogLevel level);

    void log(LogLevel level, const QString &message);
    // Appends the text and a line feed, without level check or prefix.
    void writeToFile(const QString &text);

    QString logFilePath() const;
    QString logDirectory() const;
    // Runs once when the shared instance is created; public so tests can drive it.
    void rotateLogIfNeeded();

    static constexpr std::uint64_t maxLogSizeBytes = 10485760;
    static constexpr const char *logFileName = "trevlamark.log";
    static constexpr const char *dateFormat = "yyyy-MM-dd HH:mm:ss";

private:
    LogManager();
    void createLogDirectoryIfNeeded();
};

} // namespace trevlamark
