#pragma once
// The two named colours of the interface: "warm" for writing and uploading,
// "cool" for reading and downloading, each with a light and a dark variant,
// and the red of destructive actions.

#include <QColor>

class QPalette;
class QWidget;

namespace trevlamark {

class ThemeColors
{
public:
    ThemeColors() = delete;

    static QColor warm(bool isDarkPalette);
    static QColor cool(bool isDarkPalette);
    static QColor red(bool isDarkPalette);

    // A palette counts as dark when its window colour is dark.
    static bool isDark(const QPalette &palette);
    static QColor warm(const QWidget *widget);
    static QColor cool(const QWidget *widget);
};

} // namespace trevlamark
