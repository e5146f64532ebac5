#include "platform/processidentity.h"

#include <QFile>
#include <QSysInfo>
#include <unistd.h>

namespace trevlamark {

ProcessIdentity ProcessIdentity::current()
{
    ProcessIdentity identity;
    identity.host = QSysInfo::machineHostName();
    identity.bootId = currentBootId();
    identity.processId = qint64(::getpid());
    identity.startTicks = startTicksOf(identity.processId).value_or(0);
    return identity;
}

std::optional<quint64> ProcessIdentity::startTicksOf(qint64 processId)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(processId));
    if (processId <= 0 || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = file.readAll();
    // The command name in parentheses may hold spaces and parentheses itself;
    // the fields after the last ')' start with the state, and the start time is
    // the 20th of them.
    const qsizetype nameEnd = line.lastIndexOf(')');
    if (nameEnd < 0)
        return std::nullopt;
    const QList<QByteArray> fields = line.mid(nameEnd + 1).simplified().split(' ');
    constexpr int startTimeField = 19;
    if (fields.size() <= startTimeField)
        return std::nullopt;
    bool valid = false;
    const quint64 ticks = fields.at(startTimeField).toULongLong(&valid);
    return valid ? std::optional<quint64>(ticks) : std::nullopt;
}

QString ProcessIdentity::currentBootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll().trimmed());
}

bool ProcessIdentity::isRunningHere() const
{
    return sameBootAs(current()) && startTicksOf(processId) == startTicks;
}

} // namespace trevlamark
