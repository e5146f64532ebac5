#pragma once
// The two named colours of the interface: "warm" for writing and uploading,
// "cool" for reading and downloading, each with a light and a dark variant,
// and the red of destructive actions; and the filled buttons made of them,
// whose text must stay readable (the WCAG contrast ratio, at least 4.5:1).

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
    // For a change for the better, beside red for one for the worse.
    static QColor green(bool isDarkPalette);

    // Text on a filled button: white in the light appearance, near black in the dark one.
    static QColor buttonText(bool isDarkPalette);
    // The colour as a button's fill: darkened (light) or lightened (dark)
    // until buttonText on it reaches minimumTextContrast.
    static QColor buttonFill(const QColor &colour, bool isDarkPalette);
    // The colour moved away from the other one (towards black from a light
    // one, towards white from a dark one) until the two reach minimumTextContrast.
    static QColor readableAgainst(const QColor &colour, const QColor &other);
    // The colour as text on the palette's window: the warm and cool accents
    // are too light for small text in the light appearance.
    static QColor readableText(const QColor &colour, const QPalette &palette);
    // The WCAG 2 relative luminance (0 black, 1 white) and contrast ratio (1 to 21).
    static double relativeLuminance(const QColor &colour);
    static double contrastRatio(const QColor &first, const QColor &second);
    static constexpr double minimumTextContrast = 4.5;

    // A palette counts as dark when its window colour is dark.
    static bool isDark(const QPalette &palette);
    static QColor warm(const QWidget *widget);
    static QColor cool(const QWidget *widget);
};

} // namespace trevlamark
