#pragma once
// The former console calls, forwarded to the console logging category while
// call sites still use them; each call site moves to qCInfo(lcConsole) and
// LogSink::setConsoleTarget, after which this file goes.

#include "platform/logsink.h"

#include <QString>

namespace trevlamark {

class Console
{
public:
    using Target = ConsoleTarget;

    static void setTarget(Target target);
    static Target target();
    static void print(const QString &line);
    static QString number(double value);
};

} // namespace trevlamark
