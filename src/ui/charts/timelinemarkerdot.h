#pragma once
// One dot on the graph's timeline for an engine event; a click shows its message.

#include "engine/timelinemarker.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QVariantAnimation;

namespace trevlamark {

class TimelineMarkerDot : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TimelineMarkerDot)

public:
    static constexpr double normalDotSize = 8;
    static constexpr double hoveredDotSize = 12;
    static constexpr int animationDurationMs = 200;

    // The tooltip is created in `parent` so it can reach past the dot.
    explicit TimelineMarkerDot(const TimelineMarker &marker, QWidget *parent);
    ~TimelineMarkerDot() override;

    const TimelineMarker &marker() const { return m_marker; }
    double targetDotSize() const;

    // Places the dot's centre, and its tooltip above it.
    void moveCentreTo(const QPointF &centre);

    QSize sizeHint() const override;

signals:
    void tooltipToggled(bool shown);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void animateSize();
    void placeTooltip();

    TimelineMarker m_marker;
    bool m_showTooltip = false;
    bool m_isPressed = false;
    bool m_isHovered = false;
    double m_dotSize = normalDotSize;
    QVariantAnimation *m_sizeAnimation = nullptr;
    QPointer<QLabel> m_tooltip;
};

} // namespace trevlamark
