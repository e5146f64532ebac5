#include "platform/logsink.h"

#include "platform/logcategories.h"
#include "platform/platformpaths.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace trevlamark {

namespace {
std::atomic<ConsoleTarget> g_consoleTarget{ConsoleTarget::StandardOutput};
std::atomic<QtMessageHandler> g_previousHandler{nullptr};
// Set while a message is handed on: when QtTest restores the sink as the
// handler, the handler before the sink is QtTest's, which hands back to the sink.
thread_local bool t_forwarding = false;
constexpr char kCategoryPrefix[] = "trevlamark.";
} // namespace

void LogSink::install()
{
    static const bool rotated = [] {
        rotateIfNeeded();
        return true;
    }();
    Q_UNUSED(rotated)
    const QtMessageHandler previous = qInstallMessageHandler(&LogSink::handle);
    if (previous != &LogSink::handle)
        g_previousHandler.store(previous);
}

void LogSink::setEnabledTypes(const QList<QtMsgType> &types)
{
    static const std::pair<QtMsgType, const char *> kRuleNames[] = {
        {QtDebugMsg, "debug"}, {QtInfoMsg, "info"}, {QtWarningMsg, "warning"}, {QtCriticalMsg, "critical"}};
    QString rules;
    for (const auto &[type, name] : kRuleNames) {
        rules += QStringLiteral("trevlamark.*.%1=%2\n")
                     .arg(QLatin1String(name), types.contains(type) ? QStringLiteral("true") : QStringLiteral("false"));
    }
    rules += QStringLiteral("trevlamark.console=true\n");
    QLoggingCategory::setFilterRules(rules);
    install();
}

void LogSink::setConsoleTarget(ConsoleTarget target)
{
    g_consoleTarget.store(target);
    install();
}

ConsoleTarget LogSink::consoleTarget()
{
    return g_consoleTarget.load();
}

QString LogSink::directory()
{
    return PlatformPaths::logDirectory();
}

QString LogSink::filePath()
{
    return directory() + QLatin1Char('/') + QLatin1String(fileName);
}

QString LogSink::tag(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return QStringLiteral("DEBUG");
    case QtInfoMsg: return QStringLiteral("INFO");
    case QtWarningMsg: return QStringLiteral("WARNING");
    case QtCriticalMsg:
    case QtFatalMsg: return QStringLiteral("ERROR");
    }
    return {};
}

void LogSink::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const char *category = context.category ? context.category : "";
    if (std::strcmp(category, lcConsole().categoryName()) == 0) {
        printToConsole(message);
        return;
    }
    if (std::strncmp(category, kCategoryPrefix, sizeof kCategoryPrefix - 1) == 0) {
        const QString timestamp = QDateTime::currentDateTime().toString(QLatin1String(dateFormat));
        appendLine(QLatin1Char('[') + timestamp + QStringLiteral("] [") + tag(type) + QStringLiteral("] ") + message);
        return;
    }
    const QtMessageHandler previous = g_previousHandler.load();
    if (t_forwarding || !previous) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, message)));
        return;
    }
    t_forwarding = true;
    previous(type, context, message);
    t_forwarding = false;
}

void LogSink::appendLine(const QString &text)
{
    const QByteArray line = text.toUtf8() + '\n';
    const QByteArray path = QFile::encodeName(filePath());
    // O_APPEND makes every write land at the current end, and the whole line goes
    // out in one write call, so lines from concurrent threads never split or mix.
    // Opening per line lets a removed file be created afresh; the folder is
    // made only when there is a line to keep.
    int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && errno == ENOENT && QDir().mkpath(directory()))
        fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        printToConsole(QStringLiteral("Error writing to log file: ") + QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    const ssize_t written = ::write(fd, line.constData(), size_t(line.size()));
    if (written != line.size())
        printToConsole(QStringLiteral("Error writing to log file: ")
                       + QString::fromLocal8Bit(std::strerror(written < 0 ? errno : EIO)));
    ::close(fd);
}

void LogSink::printToConsole(const QString &line)
{
    const ConsoleTarget target = g_consoleTarget.load();
    if (target == ConsoleTarget::Discard)
        return;
    // One write call per line, so lines printed by several threads never interleave.
    const QByteArray bytes = line.toUtf8() + '\n';
    const int fd = target == ConsoleTarget::StandardError ? STDERR_FILENO : STDOUT_FILENO;
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written <= 0)
            return;
        data += written;
        left -= written;
    }
}

void LogSink::rotateIfNeeded()
{
    const QString path = filePath();
    const QFileInfo info(path);
    if (!info.exists())
        return;
    if (quint64(info.size()) <= maxFileSize)
        return;
    QString stamp = QDateTime::currentDateTime().toString(QLatin1String(dateFormat));
    stamp.replace(QLatin1Char(':'), QLatin1Char('-'));
    const QString newName = info.completeBaseName() + QLatin1Char('_') + stamp + QStringLiteral(".log");
    const QString newPath = info.absolutePath() + QLatin1Char('/') + newName;
    // rename() would silently replace a file rotated within the same second; refuse instead.
    if (QFileInfo::exists(newPath)) {
        printToConsole(QStringLiteral("Error rotating log file: \"") + newName
                       + QStringLiteral("\" couldn't be moved because an item with the same name already exists."));
        return;
    }
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(newPath).constData()) != 0) {
        printToConsole(QStringLiteral("Error rotating log file: ") + QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    appendLine(QStringLiteral("Log file rotated from ") + QLatin1String(fileName) + QStringLiteral(" to ") + newName);
}

} // namespace trevlamark
