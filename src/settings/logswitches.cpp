#include "settings/logswitches.h"

#include "platform/logsink.h"
#include "platform/preferencestore.h"

namespace trevlamark {

const QList<QtMsgType> &LogSwitches::types()
{
    static const QList<QtMsgType> all = {QtInfoMsg, QtWarningMsg, QtCriticalMsg, QtDebugMsg};
    return all;
}

QString LogSwitches::key(QtMsgType type)
{
    return QStringLiteral("log_") + LogSink::tag(type) + QStringLiteral("_enabled");
}

void LogSwitches::apply()
{
    QList<QtMsgType> enabled;
    for (const QtMsgType type : types()) {
        if (PreferenceStore::boolValue(key(type)))
            enabled.append(type);
    }
    LogSink::setEnabledTypes(enabled);
}

} // namespace trevlamark
