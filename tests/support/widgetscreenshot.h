#pragma once
// Saves a widget as PNG in the application's light and dark palettes when
// TREVLAMARK_SCREENSHOT_DIR is set (scripts/screenshots sets it); otherwise
// does nothing, so the widget tests stay quiet in ordinary runs.

#include "ui/app/appearancecontroller.h"
#include "ui/app/appearancestyle.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <QWidget>

namespace trevlamark::testing {

inline void saveScreenshots(QWidget *widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("TREVLAMARK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QApplication::setStyle(new AppearanceStyle);
    widget->setAutoFillBackground(true);
    const QPalette original = widget->palette();
    const struct
    {
        const char *suffix;
        QPalette palette;
    } variants[] = {{"light", AppearanceController::lightPalette()}, {"dark", AppearanceController::darkPalette()}};
    for (const auto &variant : variants) {
        widget->setPalette(variant.palette);
        widget->ensurePolished();
        widget->grab().save(QDir(folder).filePath(name + QLatin1Char('-') + QLatin1String(variant.suffix)
                                                  + QStringLiteral(".png")));
    }
    widget->setPalette(original);
}

} // namespace trevlamark::testing
