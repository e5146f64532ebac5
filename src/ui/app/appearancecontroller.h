#pragma once
// Applies the appearance preference: our adjusted Fusion style with a light or
// a dark palette; Auto follows the desktop's palette as it was at start-up. A
// choice in the Settings window shows at once, before it is saved.

#include "settings/appearancemode.h"

#include <QObject>
#include <QPalette>

namespace trevlamark {

class PreferencesManager;

class AppearanceController : public QObject
{
    Q_OBJECT

public:
    explicit AppearanceController(QObject *parent = nullptr);

    void apply(AppearanceMode mode);
    // Applies the preferences' mode now and whenever it changes.
    void follow(PreferencesManager *preferences);
    AppearanceMode mode() const { return m_mode; }
    bool isDark() const;

    static QPalette lightPalette();
    static QPalette darkPalette();

private:
    AppearanceMode m_mode = AppearanceMode::Auto;
    bool m_desktopIsDark;
};

} // namespace trevlamark
