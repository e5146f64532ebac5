#pragma once
// The log level switches of the settings ("log_INFO_enabled" and its three
// siblings). They are read once and handed to the log sink, and read again
// only when apply() is called after they change, so writing a log line never
// opens the settings file.

#include <QList>
#include <QString>
#include <QtGlobal>

namespace trevlamark {

class LogSwitches
{
public:
    // The message types that have a switch: debug, info, warning and critical (ERROR).
    static const QList<QtMsgType> &types();
    static QString key(QtMsgType type);
    // Reads the switches from the settings and makes them the log's filter; an
    // absent switch, or one that is not a boolean, is off.
    static void apply();
};

} // namespace trevlamark
