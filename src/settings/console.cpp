#include "settings/console.h"

#include "platform/logcategories.h"

namespace trevlamark {

void Console::setTarget(Target target)
{
    LogSink::setConsoleTarget(target);
}

Console::Target Console::target()
{
    return LogSink::consoleTarget();
}

void Console::print(const QString &line)
{
    qCInfo(lcConsole).noquote() << line;
}

QString Console::number(double value)
{
    return logNumber(value);
}

} // namespace trevlamark
