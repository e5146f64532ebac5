#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace trevlamark {

enum class AppearanceMode { Auto, Light, Dark };

// "Auto", "Light" or "Dark": stored under "appearanceMode" and shown in the picker.
QString appearanceModeText(AppearanceMode mode);
// Exact, case-sensitive match of one of the three texts.
std::optional<AppearanceMode> appearanceModeFromText(const QString &text);
QList<AppearanceMode> allAppearanceModes();

} // namespace trevlamark
