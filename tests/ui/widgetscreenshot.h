#pragma once
// Saves a widget as PNG in a light and a dark palette when
// TREVLAMARK_SCREENSHOT_DIR is set (scripts/screenshots sets it); otherwise
// does nothing, so the widget tests stay quiet in ordinary runs.

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace trevlamark::testing {

inline QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    palette.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    palette.setColor(QPalette::AlternateBase, QColor(0x35, 0x35, 0x35));
    palette.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
    palette.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    palette.setColor(QPalette::PlaceholderText, QColor(0x99, 0x99, 0x99));
    palette.setColor(QPalette::Highlight, QColor(0x4d, 0xb6, 0xff));
    return palette;
}

inline QPalette lightPalette()
{
    QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    const QPalette palette = fusion->standardPalette();
    delete fusion;
    return palette;
}

inline void saveScreenshots(QWidget *widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("TREVLAMARK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    widget->setAutoFillBackground(true);
    const QPalette original = widget->palette();
    const struct
    {
        const char *suffix;
        QPalette palette;
    } variants[] = {{"light", lightPalette()}, {"dark", darkPalette()}};
    for (const auto &variant : variants) {
        widget->setPalette(variant.palette);
        widget->ensurePolished();
        widget->grab().save(QDir(folder).filePath(name + QLatin1Char('-') + QLatin1String(variant.suffix)
                                                  + QStringLiteral(".png")));
    }
    widget->setPalette(original);
}

} // namespace trevlamark::testing
