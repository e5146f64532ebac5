#pragma once
// The process-wide notifier: stands in for the notification centre that carries
// "AppearanceModeChanged" and "DeveloperSettingsChanged" between screens.

#include "settings/appearancemode.h"

#include <QObject>

namespace trevlamark {

class AppNotifier : public QObject
{
    Q_OBJECT
public:
    static AppNotifier &instance();

signals:
    void appearanceModeChanged(trevlamark::AppearanceMode mode);
    void developerSettingsChanged();

private:
    AppNotifier() = default;
};

} // namespace trevlamark
