#pragma once
// The former logging calls, forwarded to the logging categories while call
// sites still use them; each call site moves to qCInfo(lc<Subsystem>) and
// friends, after which this file goes.

#include "settings/logswitches.h"

#include <QString>

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

    static QString switchKey(LogLevel level);

    void log(LogLevel level, const QString &message);
    QString logFilePath() const;

private:
    LogManager();
};

} // namespace trevlamark
