#include "ui/common/themecolors.h"

#include <QPalette>
#include <QWidget>

namespace trevlamark {

QColor ThemeColors::warm(bool isDarkPalette)
{
    // A saturated orange; lighter on dark backgrounds so it keeps its contrast.
    return isDarkPalette ? QColor(0xFF, 0x9F, 0x43) : QColor(0xE8, 0x6A, 0x10);
}

QColor ThemeColors::cool(bool isDarkPalette)
{
    return isDarkPalette ? QColor(0x4D, 0xB6, 0xFF) : QColor(0x1E, 0x78, 0xD2);
}

QColor ThemeColors::red(bool isDarkPalette)
{
    // The dark variant is lighter: the light one is barely legible on a dark button.
    return isDarkPalette ? QColor(0xFF, 0x6B, 0x5F) : QColor(0xD7, 0x26, 0x1E);
}

bool ThemeColors::isDark(const QPalette &palette)
{
    return palette.window().color().lightness() < 128;
}

QColor ThemeColors::warm(const QWidget *widget)
{
    return warm(isDark(widget->palette()));
}

QColor ThemeColors::cool(const QWidget *widget)
{
    return cool(isDark(widget->palette()));
}

} // namespace trevlamark
