#include "ui/testscreen/startstopbutton.h"

#include "ui/gauges/gaugegeometry.h"
#include "ui/common/themecolors.h"

#include <QPainter>

namespace trevlamark {

namespace {

constexpr int verticalPaddingPx = 8;
constexpr int horizontalPaddingPx = 20;

} // namespace

StartStopButton::StartStopButton(QWidget *parent)
    : QAbstractButton(parent)
{
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setCursor(Qt::PointingHandCursor);
    setState(false, false, true, true);
}

void StartStopButton::setState(bool isRunningTest, bool isStoppingTest, bool writePhaseEnabled,
                               bool readPhaseEnabled)
{
    // The panel passes its state every second while the time runs; the same
    // state must not repaint the button.
    if (!text().isEmpty() && m_isRunningTest == isRunningTest && m_isStoppingTest == isStoppingTest
        && m_writePhaseEnabled == writePhaseEnabled && m_readPhaseEnabled == readPhaseEnabled)
        return;
    m_isRunningTest = isRunningTest;
    m_isStoppingTest = isStoppingTest;
    m_writePhaseEnabled = writePhaseEnabled;
    m_readPhaseEnabled = readPhaseEnabled;
    // The size fits the longest label, so a new text needs no new layout.
    setText(GaugeGeometry::startStopText(isRunningTest, isStoppingTest));
    update();
}

QColor StartStopButton::fillColor() const
{
    const bool dark = ThemeColors::isDark(palette());
    QColor colour(Qt::gray);
    switch (GaugeGeometry::startStopColor(m_isRunningTest, m_isStoppingTest, m_writePhaseEnabled,
                                          m_readPhaseEnabled)) {
    case GaugeGeometry::ButtonColor::Warm: colour = ThemeColors::warm(dark); break;
    case GaugeGeometry::ButtonColor::Cool: colour = ThemeColors::cool(dark); break;
    case GaugeGeometry::ButtonColor::Gray: break;
    }
    return ThemeColors::buttonFill(colour, dark);
}

QSize StartStopButton::sizeHint() const
{
    // Wide enough for the longest label so the button keeps its size between states.
    const int textWidth = fontMetrics().horizontalAdvance(QStringLiteral("Stopping"));
    return QSize(textWidth + 2 * horizontalPaddingPx, fontMetrics().height() + 2 * verticalPaddingPx);
}

void StartStopButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Held back (a check under way or refusing): grey, whatever the phases.
    QColor fill = isEnabled() ? fillColor() : ThemeColors::buttonFill(Qt::gray, ThemeColors::isDark(palette()));
    if (isDown())
        fill = fill.darker(115);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
    painter.setPen(ThemeColors::buttonText(ThemeColors::isDark(palette())));
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace trevlamark
