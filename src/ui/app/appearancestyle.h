#pragma once
// Fusion, with two marks it draws too faintly on a dark palette made plain in
// both appearances: the frame of an unchecked box and the selected button of
// a row of checkable buttons.

#include <QProxyStyle>

namespace trevlamark {

class AppearanceStyle : public QProxyStyle
{
public:
    AppearanceStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
};

} // namespace trevlamark
