#include "ui/app/appearancestyle.h"

#include "ui/common/themecolors.h"

#include <QPainter>
#include <QStyleOption>

namespace trevlamark {

namespace {
bool isCheckedButton(const QStyleOption *option)
{
    const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
    return button && (button->state & QStyle::State_On);
}
} // namespace

AppearanceStyle::AppearanceStyle()
    : QProxyStyle(QStringLiteral("Fusion"))
{
}

void AppearanceStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                    const QWidget *widget) const
{
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element != PE_IndicatorCheckBox)
        return;
    // Fusion frames the box a shade darker than the window, which a dark
    // window swallows; the secondary text colour stands out on either.
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(option->palette.color(QPalette::PlaceholderText));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5));
    painter->restore();
}

void AppearanceStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                                  const QWidget *widget) const
{
    // Fusion only shades a checked button a little darker, too little to see
    // on a dark palette: it takes the selection colour instead.
    if (isCheckedButton(option) && (element == CE_PushButtonBevel || element == CE_PushButtonLabel)) {
        const bool dark = ThemeColors::isDark(option->palette);
        if (element == CE_PushButtonBevel) {
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(Qt::NoPen);
            painter->setBrush(ThemeColors::buttonFill(option->palette.color(QPalette::Highlight), dark));
            painter->drawRoundedRect(QRectF(option->rect).adjusted(1, 1, -1, -1), 2, 2);
            painter->restore();
            return;
        }
        QStyleOptionButton label(*qstyleoption_cast<const QStyleOptionButton *>(option));
        label.palette.setColor(QPalette::ButtonText, ThemeColors::buttonText(dark));
        QProxyStyle::drawControl(element, &label, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

} // namespace trevlamark
