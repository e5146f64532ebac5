#include "settings/appearancemode.h"

namespace trevlamark {

QString appearanceModeText(AppearanceMode mode)
{
    switch (mode) {
    case AppearanceMode::Auto: return QStringLiteral("Auto");
    case AppearanceMode::Light: return QStringLiteral("Light");
    case AppearanceMode::Dark: return QStringLiteral("Dark");
    }
    return {};
}

std::optional<AppearanceMode> appearanceModeFromText(const QString &text)
{
    for (AppearanceMode mode : allAppearanceModes()) {
        if (appearanceModeText(mode) == text)
            return mode;
    }
    return std::nullopt;
}

QList<AppearanceMode> allAppearanceModes()
{
    return {AppearanceMode::Auto, AppearanceMode::Light, AppearanceMode::Dark};
}

} // namespace trevlamark
