#include "platform/logcategories.h"

#include <charconv>
#include <cmath>

namespace trevlamark {

// The subsystem categories start switched off: nothing reaches the log before
// the level settings are applied, as when no switch is set.
Q_LOGGING_CATEGORY(lcPlatform, "trevlamark.platform", QtFatalMsg)
Q_LOGGING_CATEGORY(lcSettings, "trevlamark.settings", QtFatalMsg)
Q_LOGGING_CATEGORY(lcDiscovery, "trevlamark.discovery", QtFatalMsg)
Q_LOGGING_CATEGORY(lcMonitor, "trevlamark.monitor", QtFatalMsg)
Q_LOGGING_CATEGORY(lcEngine, "trevlamark.engine", QtFatalMsg)
Q_LOGGING_CATEGORY(lcCli, "trevlamark.cli", QtFatalMsg)
Q_LOGGING_CATEGORY(lcUi, "trevlamark.ui", QtFatalMsg)
Q_LOGGING_CATEGORY(lcConsole, "trevlamark.console")

QString logNumber(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, error == std::errc() ? end - buffer : 0);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}

} // namespace trevlamark
