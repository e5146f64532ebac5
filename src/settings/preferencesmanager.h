#pragma once
// The user's settings as an observable object: loaded (and the log switches
// seeded) at creation, written back and announced by savePreferences(). The
// application holds one; every screen and the Settings window use it.

#include "settings/appearancemode.h"

#include <QObject>
#include <QString>
#include <optional>

namespace trevlamark {

class PreferencesManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(trevlamark::AppearanceMode appearanceMode READ appearanceMode WRITE setAppearanceMode NOTIFY appearanceModeChanged)
    Q_PROPERTY(bool disableCacheEnabled READ disableCacheEnabled WRITE setDisableCacheEnabled NOTIFY disableCacheEnabledChanged)
    Q_PROPERTY(bool logInfoEnabled READ logInfoEnabled WRITE setLogInfoEnabled NOTIFY logInfoEnabledChanged)
    Q_PROPERTY(bool logWarningEnabled READ logWarningEnabled WRITE setLogWarningEnabled NOTIFY logWarningEnabledChanged)
    Q_PROPERTY(bool logErrorEnabled READ logErrorEnabled WRITE setLogErrorEnabled NOTIFY logErrorEnabledChanged)
    Q_PROPERTY(bool logDebugEnabled READ logDebugEnabled WRITE setLogDebugEnabled NOTIFY logDebugEnabledChanged)
    Q_PROPERTY(double graphSamplingRate READ graphSamplingRate WRITE setGraphSamplingRate NOTIFY graphSamplingRateChanged)
    Q_PROPERTY(double graphRefreshRate READ graphRefreshRate WRITE setGraphRefreshRate NOTIFY graphRefreshRateChanged)
    Q_PROPERTY(double graphHistoryDuration READ graphHistoryDuration WRITE setGraphHistoryDuration NOTIFY graphHistoryDurationChanged)
    Q_PROPERTY(QString graphSamplingRateString READ graphSamplingRateString WRITE setGraphSamplingRateString NOTIFY graphSamplingRateStringChanged)
    Q_PROPERTY(QString graphRefreshRateString READ graphRefreshRateString WRITE setGraphRefreshRateString NOTIFY graphRefreshRateStringChanged)
    Q_PROPERTY(QString graphHistoryDurationString READ graphHistoryDurationString WRITE setGraphHistoryDurationString NOTIFY graphHistoryDurationStringChanged)
    Q_PROPERTY(QString teamDatabaseUrl READ teamDatabaseUrl WRITE setTeamDatabaseUrl NOTIFY teamDatabaseUrlChanged)

public:
    explicit PreferencesManager(QObject *parent = nullptr);

    // Writes appearance and log switches, converts the three graph texts and
    // emits saved(), even when nothing changed.
    void savePreferences();

    // A whole C-locale floating-point literal (strtod's grammar) or nothing:
    // leading white space, an empty text or trailing characters are refused.
    static std::optional<double> parseDouble(const QString &text);

    AppearanceMode appearanceMode() const { return m_appearanceMode; }
    bool disableCacheEnabled() const { return m_disableCacheEnabled; }
    bool logInfoEnabled() const { return m_logInfoEnabled; }
    bool logWarningEnabled() const { return m_logWarningEnabled; }
    bool logErrorEnabled() const { return m_logErrorEnabled; }
    bool logDebugEnabled() const { return m_logDebugEnabled; }
    double graphSamplingRate() const { return m_graphSamplingRate; }
    double graphRefreshRate() const { return m_graphRefreshRate; }
    double graphHistoryDuration() const { return m_graphHistoryDuration; }
    QString graphSamplingRateString() const { return m_graphSamplingRateString; }
    QString graphRefreshRateString() const { return m_graphRefreshRateString; }
    QString graphHistoryDurationString() const { return m_graphHistoryDurationString; }
    // A postgresql:// URL the run history goes to instead of the local file; empty: the local file.
    QString teamDatabaseUrl() const { return m_teamDatabaseUrl; }

    void setAppearanceMode(AppearanceMode value);
    void setDisableCacheEnabled(bool value);
    void setLogInfoEnabled(bool value);
    void setLogWarningEnabled(bool value);
    void setLogErrorEnabled(bool value);
    void setLogDebugEnabled(bool value);
    void setGraphSamplingRate(double value);
    void setGraphRefreshRate(double value);
    void setGraphHistoryDuration(double value);
    void setGraphSamplingRateString(const QString &value);
    void setGraphRefreshRateString(const QString &value);
    void setGraphHistoryDurationString(const QString &value);
    void setTeamDatabaseUrl(const QString &value);

    static constexpr const char *appearanceModeKey = "appearanceMode";
    static constexpr const char *developerModeKey = "DeveloperMode";
    static constexpr const char *hasLaunchedBeforeKey = "HasLaunchedBefore";
    static constexpr const char *teamDatabaseUrlKey = "TeamDatabaseURL";
    // Developer mode is read wherever it is needed, afresh each time.
    static bool isDeveloperMode();
    // The saved team database, read afresh: the CLI has no manager of its own.
    static QString storedTeamDatabaseUrl();
    // The fio servers the test screen runs its test from ("HOST[:PORT][=PATH],…");
    // empty runs it from this computer. Stored as typed.
    static constexpr const char *fioServersKey = "FioServers";
    // The fio servers typed for a test location, kept per location.
    static QString fioServers(const QString &location);
    static void setFioServers(const QString &location, const QString &value);
    // The user's own media formats as the JSON list the engine reads; empty: none.
    static constexpr const char *customMediaFormatsKey = "CustomMediaFormats";
    static QString customMediaFormats();
    static void setCustomMediaFormats(const QString &json);
    // How much of a measured rate the estimate of streams keeps unused, in percent.
    static constexpr const char *playsHeadroomKey = "PlaysHeadroomPercent";
    static constexpr int defaultPlaysHeadroomPercent = 20;
    static int playsHeadroomPercent();
    static void setPlaysHeadroomPercent(int percent);
    // Frames a player or recorder holds ahead: a frame later than its slot plus these is late.
    static constexpr const char *pacedBufferFramesKey = "PacedBufferFrames";
    static constexpr int defaultPacedBufferFrames = 3;
    static int pacedBufferFrames();
    static void setPacedBufferFrames(int frames);

signals:
    // The edited values were written: the appearance is applied and the
    // screens take the graph settings from here on.
    void saved();
    void appearanceModeChanged();
    void disableCacheEnabledChanged();
    void logInfoEnabledChanged();
    void logWarningEnabledChanged();
    void logErrorEnabledChanged();
    void logDebugEnabledChanged();
    void graphSamplingRateChanged();
    void graphRefreshRateChanged();
    void graphHistoryDurationChanged();
    void graphSamplingRateStringChanged();
    void graphRefreshRateStringChanged();
    void graphHistoryDurationStringChanged();
    void teamDatabaseUrlChanged();

private:
    AppearanceMode m_appearanceMode = AppearanceMode::Auto;
    bool m_disableCacheEnabled = true;
    bool m_logInfoEnabled = true;
    bool m_logWarningEnabled = true;
    bool m_logErrorEnabled = true;
    bool m_logDebugEnabled = false;
    double m_graphSamplingRate = 0.1;
    double m_graphRefreshRate = 0.1;
    double m_graphHistoryDuration = 60.0;
    QString m_graphSamplingRateString = QStringLiteral("0.1");
    QString m_graphRefreshRateString = QStringLiteral("0.1");
    QString m_graphHistoryDurationString = QStringLiteral("60.0");
    QString m_teamDatabaseUrl;
};

} // namespace trevlamark
