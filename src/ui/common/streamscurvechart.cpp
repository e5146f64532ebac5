#include "ui/common/streamscurvechart.h"

#include "ui/common/themecolors.h"

#include <QPainter>

#include <algorithm>

namespace trevlamark {

StreamsCurveChart::StreamsCurveChart(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("streamsCurveChart"));
    setMinimumHeight(140);
}

void StreamsCurveChart::setSteps(const QList<MaxStreamsStep> &steps)
{
    m_steps = steps;
    std::sort(m_steps.begin(), m_steps.end(),
        [](const MaxStreamsStep &a, const MaxStreamsStep &b) { return a.streams < b.streams; });
    update();
}

void StreamsCurveChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = ThemeColors::isDark(palette());
    const QRectF plot = QRectF(rect()).adjusted(44, 22, -8, -22);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawRect(plot);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(0, plot.top() - 6, 40, 14), Qt::AlignRight, QStringLiteral("100%"));
    painter.drawText(QRectF(0, plot.bottom() - 8, 40, 14), Qt::AlignRight, QStringLiteral("0%"));
    painter.drawText(QRectF(plot.left(), 2, plot.width(), 16), Qt::AlignLeft,
        tr("Late frames and p99 frame latency per stream count"));
    if (m_steps.isEmpty())
        return;
    const double slot = plot.width() / double(m_steps.size());
    for (qsizetype i = 0; i < m_steps.size(); ++i) {
        const MaxStreamsStep &step = m_steps.at(i);
        const double share = step.frames == 0 ? 0 : double(step.lateFrames) / double(step.frames);
        const QRectF column(plot.left() + slot * double(i), plot.top(), slot, plot.height());
        const double height = std::max(2.0, plot.height() * share);
        painter.fillRect(QRectF(column.center().x() - slot * 0.3, plot.bottom() - height, slot * 0.6, height),
            step.lateFrames > 0 ? ThemeColors::red(dark) : ThemeColors::cool(dark));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRectF(column.left(), plot.bottom() + 4, column.width(), 16), Qt::AlignCenter,
            QString::number(step.streams));
        painter.drawText(QRectF(column.left(), plot.bottom() - height - 18, column.width(), 16), Qt::AlignCenter,
            tr("%1 ms").arg(step.p99Ms, 0, 'f', 1));
    }
}

} // namespace trevlamark
