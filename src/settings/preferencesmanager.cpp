#include "settings/preferencesmanager.h"

#include "settings/logswitches.h"
#include "platform/preferencestore.h"

#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdlib>

namespace trevlamark {

PreferencesManager::PreferencesManager(QObject *parent)
    : QObject(parent)
{
    const QVariant storedMode = PreferenceStore::value(QLatin1String(appearanceModeKey));
    if (storedMode.isValid()) {
        if (const auto mode = appearanceModeFromText(storedMode.toString()))
            m_appearanceMode = *mode;
    }

    for (const QtMsgType type : LogSwitches::types()) {
        const QString key = LogSwitches::key(type);
        // A value that is not a boolean (a damaged file) is replaced like a missing one.
        if (!PreferenceStore::storedBool(key))
            PreferenceStore::setValue(key, type != QtDebugMsg);
    }
    LogSwitches::apply();
    m_logInfoEnabled = PreferenceStore::boolValue(LogSwitches::key(QtInfoMsg));
    m_logWarningEnabled = PreferenceStore::boolValue(LogSwitches::key(QtWarningMsg));
    m_logErrorEnabled = PreferenceStore::boolValue(LogSwitches::key(QtCriticalMsg));
    m_logDebugEnabled = PreferenceStore::boolValue(LogSwitches::key(QtDebugMsg));
    m_teamDatabaseUrl = storedTeamDatabaseUrl();
}

bool PreferencesManager::isDeveloperMode()
{
    return PreferenceStore::boolValue(QLatin1String(developerModeKey));
}

QString PreferencesManager::storedTeamDatabaseUrl()
{
    return PreferenceStore::value(QLatin1String(teamDatabaseUrlKey)).toString().trimmed();
}

QString PreferencesManager::fioServers(const QString &location)
{
    return PreferenceStore::value(QLatin1String(fioServersKey)).toMap().value(location).toString();
}

void PreferencesManager::setFioServers(const QString &location, const QString &value)
{
    QVariantMap byLocation = PreferenceStore::value(QLatin1String(fioServersKey)).toMap();
    if (value.trimmed().isEmpty())
        byLocation.remove(location);
    else
        byLocation.insert(location, value.trimmed());
    PreferenceStore::setValue(QLatin1String(fioServersKey), byLocation);
}

QString PreferencesManager::customMediaFormats()
{
    return PreferenceStore::value(QLatin1String(customMediaFormatsKey)).toString();
}

void PreferencesManager::setCustomMediaFormats(const QString &json)
{
    PreferenceStore::setValue(QLatin1String(customMediaFormatsKey), json);
}

int PreferencesManager::playsHeadroomPercent()
{
    bool ok = false;
    const int percent = PreferenceStore::value(QLatin1String(playsHeadroomKey)).toInt(&ok);
    return ok && percent >= 0 && percent < 100 ? percent : defaultPlaysHeadroomPercent;
}

void PreferencesManager::setPlaysHeadroomPercent(int percent)
{
    PreferenceStore::setValue(QLatin1String(playsHeadroomKey), percent);
}

int PreferencesManager::pacedBufferFrames()
{
    bool ok = false;
    const int frames = PreferenceStore::value(QLatin1String(pacedBufferFramesKey)).toInt(&ok);
    return ok && frames >= 1 ? frames : defaultPacedBufferFrames;
}

void PreferencesManager::setPacedBufferFrames(int frames)
{
    PreferenceStore::setValue(QLatin1String(pacedBufferFramesKey), frames);
}

std::optional<double> PreferencesManager::parseDouble(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (bytes.isEmpty() || std::isspace(static_cast<unsigned char>(bytes.front())))
        return std::nullopt;
    // strtod follows the current C locale; the texts are always "." decimals.
    locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr));
    if (cLocale == locale_t(nullptr))
        return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const double value = strtod_l(bytes.constData(), &end, cLocale);
    freelocale(cLocale);
    // Compared with the length, not a terminator: a text holding a NUL must not pass as its prefix.
    if (end == bytes.constData() || end != bytes.constData() + bytes.size())
        return std::nullopt;
    return value;
}

void PreferencesManager::savePreferences()
{
    PreferenceStore::setValue(QLatin1String(appearanceModeKey), appearanceModeText(m_appearanceMode));
    if (const auto value = parseDouble(m_graphHistoryDurationString))
        setGraphHistoryDuration(*value);
    if (const auto value = parseDouble(m_graphSamplingRateString))
        setGraphSamplingRate(*value);
    if (const auto value = parseDouble(m_graphRefreshRateString))
        setGraphRefreshRate(*value);
    PreferenceStore::setValue(LogSwitches::key(QtInfoMsg), m_logInfoEnabled);
    PreferenceStore::setValue(LogSwitches::key(QtWarningMsg), m_logWarningEnabled);
    PreferenceStore::setValue(LogSwitches::key(QtCriticalMsg), m_logErrorEnabled);
    PreferenceStore::setValue(LogSwitches::key(QtDebugMsg), m_logDebugEnabled);
    PreferenceStore::setValue(QLatin1String(teamDatabaseUrlKey), m_teamDatabaseUrl.trimmed());
    LogSwitches::apply();
    emit saved();
}

#define TREVLAMARK_SETTER(Type, name, member, signal) \
    void PreferencesManager::name(Type value)          \
    {                                                  \
        if (member == value)                           \
            return;                                    \
        member = value;                                \
        emit signal();                                 \
    }

TREVLAMARK_SETTER(AppearanceMode, setAppearanceMode, m_appearanceMode, appearanceModeChanged)
TREVLAMARK_SETTER(bool, setDisableCacheEnabled, m_disableCacheEnabled, disableCacheEnabledChanged)
TREVLAMARK_SETTER(bool, setLogInfoEnabled, m_logInfoEnabled, logInfoEnabledChanged)
TREVLAMARK_SETTER(bool, setLogWarningEnabled, m_logWarningEnabled, logWarningEnabledChanged)
TREVLAMARK_SETTER(bool, setLogErrorEnabled, m_logErrorEnabled, logErrorEnabledChanged)
TREVLAMARK_SETTER(bool, setLogDebugEnabled, m_logDebugEnabled, logDebugEnabledChanged)
TREVLAMARK_SETTER(double, setGraphSamplingRate, m_graphSamplingRate, graphSamplingRateChanged)
TREVLAMARK_SETTER(double, setGraphRefreshRate, m_graphRefreshRate, graphRefreshRateChanged)
TREVLAMARK_SETTER(double, setGraphHistoryDuration, m_graphHistoryDuration, graphHistoryDurationChanged)
TREVLAMARK_SETTER(const QString &, setGraphSamplingRateString, m_graphSamplingRateString, graphSamplingRateStringChanged)
TREVLAMARK_SETTER(const QString &, setGraphRefreshRateString, m_graphRefreshRateString, graphRefreshRateStringChanged)
TREVLAMARK_SETTER(const QString &, setGraphHistoryDurationString, m_graphHistoryDurationString, graphHistoryDurationStringChanged)
TREVLAMARK_SETTER(const QString &, setTeamDatabaseUrl, m_teamDatabaseUrl, teamDatabaseUrlChanged)

#undef TREVLAMARK_SETTER

} // namespace trevlamark
