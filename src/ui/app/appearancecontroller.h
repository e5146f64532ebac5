#pragma once
// Applies the appearance preference: the Fusion style with a light or a dark
// palette; Auto follows the desktop's palette as it was at start-up.

#include "settings/appearancemode.h"

#include <QObject>
#include <QPalette>

namespace trevlamark {

class AppearanceController : public QObject
{
    Q_OBJECT

public:
    explicit AppearanceController(QObject *parent = nullptr);

    void apply(AppearanceMode mode);
    AppearanceMode mode() const { return m_mode; }
    bool isDark() const;

    static QPalette lightPalette();
    static QPalette darkPalette();

private:
    AppearanceMode m_mode = AppearanceMode::Auto;
    bool m_desktopIsDark;
};

} // namespace trevlamark
