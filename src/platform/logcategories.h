#pragma once
// The program's logging categories, one per subsystem, and the console's.
// The subsystem categories go to the log file and are switched by the log
// level settings; the console category carries the plain diagnostic lines
// ("Running command: ...") to the stream the front end chose, never to the
// file. QT_LOGGING_RULES (for example "trevlamark.engine.debug=true")
// overrides the settings, as it does for any Qt program.

#include <QLoggingCategory>
#include <QString>

namespace trevlamark {

Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcDiscovery)
Q_DECLARE_LOGGING_CATEGORY(lcMonitor)
Q_DECLARE_LOGGING_CATEGORY(lcEngine)
Q_DECLARE_LOGGING_CATEGORY(lcCli)
Q_DECLARE_LOGGING_CATEGORY(lcUi)
Q_DECLARE_LOGGING_CATEGORY(lcConsole)

// A double in its default printed form, as log and console lines show it: the
// shortest digits that read back the same, always with a decimal point
// ("7.3", "10.0", "1e-05").
QString logNumber(double value);

} // namespace trevlamark
