#include "ui/app/appearancecontroller.h"

#include "settings/preferencesmanager.h"
#include "ui/app/appearancestyle.h"
#include "ui/common/themecolors.h"

#include <QApplication>

namespace trevlamark {

AppearanceController::AppearanceController(QObject *parent)
    : QObject(parent)
    , m_desktopIsDark(ThemeColors::isDark(QApplication::palette())
                      || qEnvironmentVariable("GTK_THEME").endsWith(QLatin1String(":dark")))
{
    QApplication::setStyle(new AppearanceStyle);
}

bool AppearanceController::isDark() const
{
    switch (m_mode) {
    case AppearanceMode::Light: return false;
    case AppearanceMode::Dark: return true;
    case AppearanceMode::Auto: break;
    }
    return m_desktopIsDark;
}

void AppearanceController::apply(AppearanceMode mode)
{
    m_mode = mode;
    QApplication::setPalette(isDark() ? darkPalette() : lightPalette());
}

void AppearanceController::follow(PreferencesManager *preferences)
{
    apply(preferences->appearanceMode());
    connect(preferences, &PreferencesManager::appearanceModeChanged, this,
            [this, preferences] { apply(preferences->appearanceMode()); });
}

QPalette AppearanceController::lightPalette()
{
    QPalette palette(QColor(0xEC, 0xEC, 0xEC), QColor(0xF6, 0xF6, 0xF6));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xF4, 0xF5, 0xF5));
    palette.setColor(QPalette::WindowText, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::Text, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::ButtonText, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::PlaceholderText, QColor(0x6E, 0x6E, 0x73));
    palette.setColor(QPalette::Highlight, ThemeColors::buttonFill(ThemeColors::cool(false), false));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xF0));
    palette.setColor(QPalette::ToolTipText, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0xA0, 0xA0, 0xA5));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0xA0, 0xA0, 0xA5));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0xA0, 0xA0, 0xA5));
    return palette;
}

QPalette AppearanceController::darkPalette()
{
    QPalette palette(QColor(0x3A, 0x3A, 0x3C), QColor(0x1E, 0x1E, 0x1E));
    palette.setColor(QPalette::Base, QColor(0x28, 0x28, 0x2A));
    palette.setColor(QPalette::AlternateBase, QColor(0x32, 0x32, 0x34));
    palette.setColor(QPalette::WindowText, QColor(0xF2, 0xF2, 0xF7));
    palette.setColor(QPalette::Text, QColor(0xF2, 0xF2, 0xF7));
    palette.setColor(QPalette::ButtonText, QColor(0xF2, 0xF2, 0xF7));
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x98, 0x98, 0x9F));
    palette.setColor(QPalette::Light, QColor(0x50, 0x50, 0x52));
    palette.setColor(QPalette::Midlight, QColor(0x44, 0x44, 0x46));
    palette.setColor(QPalette::Mid, QColor(0x2C, 0x2C, 0x2E));
    palette.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1A));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, ThemeColors::cool(true));
    palette.setColor(QPalette::HighlightedText, Qt::black);
    palette.setColor(QPalette::ToolTipBase, QColor(0x2C, 0x2C, 0x2E));
    palette.setColor(QPalette::ToolTipText, QColor(0xF2, 0xF2, 0xF7));
    palette.setColor(QPalette::Link, ThemeColors::cool(true));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x6E, 0x6E, 0x73));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6E, 0x6E, 0x73));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6E, 0x6E, 0x73));
    return palette;
}

} // namespace trevlamark
