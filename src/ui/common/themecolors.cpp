#include "ui/common/themecolors.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

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

QColor ThemeColors::green(bool isDarkPalette)
{
    return isDarkPalette ? QColor(0x4C, 0xD9, 0x64) : QColor(0x1E, 0x8E, 0x3E);
}

QColor ThemeColors::buttonText(bool isDarkPalette)
{
    // The dark appearance's accents are bright: dark text keeps them vivid.
    return isDarkPalette ? QColor(0x1D, 0x1D, 0x1F) : QColor(Qt::white);
}

QColor ThemeColors::buttonFill(const QColor &colour, bool isDarkPalette)
{
    return readableAgainst(colour, buttonText(isDarkPalette));
}

QColor ThemeColors::readableAgainst(const QColor &colour, const QColor &other)
{
    // Blends in small steps, which keeps the hue; the last step, black or
    // white itself, always passes against the other colour's own side.
    const QColor start = colour.toRgb();
    const QColor end = relativeLuminance(other) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    constexpr int steps = 50;
    QColor result = start;
    for (int step = 1; step <= steps && contrastRatio(other, result) < minimumTextContrast; ++step) {
        const double share = double(step) / steps;
        result = QColor::fromRgbF(float(start.redF() + (end.redF() - start.redF()) * share),
                                  float(start.greenF() + (end.greenF() - start.greenF()) * share),
                                  float(start.blueF() + (end.blueF() - start.blueF()) * share));
    }
    return result;
}

QColor ThemeColors::readableText(const QColor &colour, const QPalette &palette)
{
    return readableAgainst(colour, palette.color(QPalette::Window));
}

double ThemeColors::relativeLuminance(const QColor &colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double ThemeColors::contrastRatio(const QColor &first, const QColor &second)
{
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
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
