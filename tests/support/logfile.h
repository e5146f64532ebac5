#pragma once
// The log file as a test sees it: the chosen message types switched on through
// the settings, as a user does, an empty file to start from, and its lines read back.

#include "platform/logsink.h"
#include "platform/preferencestore.h"
#include "settings/logswitches.h"

#include <QByteArray>
#include <QFile>
#include <QList>

namespace trevlamark {

class LogFile
{
public:
    // Every switch is written, on for the given types and off for the others.
    static void enable(const QList<QtMsgType> &types = LogSwitches::types())
    {
        for (const QtMsgType type : LogSwitches::types())
            PreferenceStore::setValue(LogSwitches::key(type), types.contains(type));
        LogSwitches::apply();
    }
    static void clear() { QFile::remove(LogSink::filePath()); }
    static QByteArray read()
    {
        QFile file(LogSink::filePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

} // namespace trevlamark
