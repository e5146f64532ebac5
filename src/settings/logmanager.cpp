#include "settings/logmanager.h"

#include "settings/console.h"
#include "platform/platformpaths.h"
#include "platform/preferencestore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace trevlamark {

LogManager &LogManager::shared()
{
    // A function-local static is initialised once even under concurrent first calls.
    static LogManager instance;
    return instance;
}

LogManager::LogManager()
{
    createLogDirectoryIfNeeded();
    rotateLogIfNeeded();
}

QString LogManager::logDirectory() const
{
    return PlatformPaths::logDirectory();
}

QString LogManager::logFilePath() const
{
    return logDirectory() + QLatin1Char('/') + QLatin1String(logFileName);
}

QString LogManager::tag(LogLevel level)
{
    switch (level) {
    case LogLevel::Info: return QStringLiteral("INFO");
    case LogLevel::Warning: return QStringLiteral("WARNING");
    case LogLevel::Error: return QStringLiteral("ERROR");
    case LogLevel::Debug: return QStringLiteral("DEBUG");
    }
    return {};
}

QString LogManager::switchKey(LogLevel level)
{
    return QStringLiteral("log_") + tag(level) + QStringLiteral("_enabled");
}

void LogManager::debug(const QString &message) { shared().log(LogLevel::Debug, message); }
void LogManager::info(const QString &message) { shared().log(LogLevel::Info, message); }
void LogManager::warning(const QString &message) { shared().log(LogLevel::Warning, message); }
void LogManager::error(const QString &message) { shared().log(LogLevel::Error, message); }

void LogManager::log(LogLevel level, const QString &message)
{
    if (!PreferenceStore::boolValue(switchKey(level)))
        return;
    const QString timestamp = QDateTime::currentDateTime().toString(QLatin1String(dateFormat));
    writeToFile(QLatin1Char('[') + timestamp + QStringLiteral("] [") + tag(level) + QStringLiteral("] ") + message);
}

void LogManager::writeToFile(const QString &text)
{
    const QByteArray line = text.toUtf8() + '\n';
    const QByteArray path = QFile::encodeName(logFilePath());
    // O_APPEND makes every write land at the current end, and the whole line goes
    // out in one write call, so lines from concurrent threads never split or mix.
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        Console::print(QStringLiteral("Error writing to log file: ") + QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    const ssize_t written = ::write(fd, line.constData(), size_t(line.size()));
    if (written != line.size())
        Console::print(QStringLiteral("Error writing to log file: ")
                       + QString::fromLocal8Bit(std::strerror(written < 0 ? errno : EIO)));
    ::close(fd);
}

void LogManager::createLogDirectoryIfNeeded()
{
    QDir().mkpath(logDirectory());
}

void LogManager::rotateLogIfNeeded()
{
    const QString path = logFilePath();
    const QFileInfo info(path);
    if (!info.exists())
        return;
    if (quint64(info.size()) <= maxLogSizeBytes)
        return;
    QString stamp = QDateTime::currentDateTime().toString(QLatin1String(dateFormat));
    stamp.replace(QLatin1Char(':'), QLatin1Char('-'));
    const QString newName = info.completeBaseName() + QLatin1Char('_') + stamp + QStringLiteral(".log");
    const QString newPath = info.absolutePath() + QLatin1Char('/') + newName;
    // rename() would silently replace a file rotated within the same second; refuse instead.
    if (QFileInfo::exists(newPath)) {
        Console::print(QStringLiteral("Error rotating log file: \"") + newName
                       + QStringLiteral("\" couldn't be moved because an item with the same name already exists."));
        return;
    }
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(newPath).constData()) != 0) {
        Console::print(QStringLiteral("Error rotating log file: ") + QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    writeToFile(QStringLiteral("Log file rotated from ") + QLatin1String(logFileName) + QStringLiteral(" to ") + newName);
}

} // namespace trevlamark
