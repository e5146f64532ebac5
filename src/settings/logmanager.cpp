#include "settings/logmanager.h"

#include "platform/logcategories.h"
#include "platform/logsink.h"

namespace trevlamark {

namespace {
QtMsgType messageType(LogLevel level)
{
    switch (level) {
    case LogLevel::Info: return QtInfoMsg;
    case LogLevel::Warning: return QtWarningMsg;
    case LogLevel::Error: return QtCriticalMsg;
    case LogLevel::Debug: return QtDebugMsg;
    }
    return QtInfoMsg;
}
} // namespace

LogManager &LogManager::shared()
{
    static LogManager instance;
    return instance;
}

// Callers that set the switches before their first line expect them to hold.
LogManager::LogManager()
{
    LogSwitches::apply();
}

void LogManager::debug(const QString &message) { shared().log(LogLevel::Debug, message); }
void LogManager::info(const QString &message) { shared().log(LogLevel::Info, message); }
void LogManager::warning(const QString &message) { shared().log(LogLevel::Warning, message); }
void LogManager::error(const QString &message) { shared().log(LogLevel::Error, message); }

QString LogManager::switchKey(LogLevel level)
{
    return LogSwitches::key(messageType(level));
}

void LogManager::log(LogLevel level, const QString &message)
{
    switch (level) {
    case LogLevel::Info: qCInfo(lcSettings).noquote() << message; break;
    case LogLevel::Warning: qCWarning(lcSettings).noquote() << message; break;
    case LogLevel::Error: qCCritical(lcSettings).noquote() << message; break;
    case LogLevel::Debug: qCDebug(lcSettings).noquote() << message; break;
    }
}

QString LogManager::logFilePath() const
{
    return LogSink::filePath();
}

} // namespace trevlamark
