#include "ui/testscreen/frameratechart.h"

#include "ui/common/themecolors.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace trevlamark {

FrameRateChart::FrameRateChart(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frameRateChart"));
    setMinimumHeight(160);
}

void FrameRateChart::reset(double targetFramesPerSecond, int streams, double durationSeconds)
{
    m_target = targetFramesPerSecond;
    m_duration = durationSeconds;
    m_streams = streams;
    m_lastSeconds = 0;
    m_lastFrames = QList<quint64>(streams, 0);
    m_lastLate = QList<quint64>(streams, 0);
    m_points.clear();
    m_lateMarks.clear();
    update();
}

void FrameRateChart::addSample(double seconds, const QList<quint64> &framesDone, const QList<quint64> &lateFrames)
{
    const double interval = seconds - m_lastSeconds;
    if (interval <= 0 || framesDone.size() != m_streams || lateFrames.size() != m_streams)
        return;
    Point point{seconds, {}};
    for (int stream = 0; stream < m_streams; ++stream) {
        point.framesPerSecond.append(double(framesDone.at(stream) - m_lastFrames.at(stream)) / interval);
        if (lateFrames.at(stream) > m_lastLate.at(stream))
            m_lateMarks.append({seconds, stream});
    }
    m_points.append(point);
    m_lastSeconds = seconds;
    m_lastFrames = framesDone;
    m_lastLate = lateFrames;
    update();
}

void FrameRateChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = ThemeColors::isDark(palette());
    const QColor text = palette().color(QPalette::WindowText);
    const QRectF plot = QRectF(rect()).adjusted(44, 8, -8, -22);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawRect(plot);
    const double top = std::max(1.0, m_target * 1.5);
    const double span = std::max({1.0, m_duration, m_lastSeconds});
    const auto at = [&](double seconds, double fps) {
        return QPointF(plot.left() + plot.width() * seconds / span, plot.bottom() - plot.height() * std::min(fps, top) / top);
    };
    painter.setPen(text);
    painter.drawText(QRectF(0, plot.top() - 6, 40, 14), Qt::AlignRight, QString::number(top, 'f', 0));
    painter.drawText(QRectF(0, plot.bottom() - 8, 40, 14), Qt::AlignRight, QStringLiteral("0"));
    painter.drawText(QRectF(plot.left(), plot.bottom() + 4, plot.width(), 16), Qt::AlignRight,
        tr("%1 s, fps per stream").arg(span, 0, 'f', 0));
    // The format's frame rate: what every stream must hold.
    painter.setPen(QPen(ThemeColors::cool(dark), 1.5, Qt::DashLine));
    painter.drawLine(at(0, m_target), at(span, m_target));
    painter.drawText(QRectF(0, at(0, m_target).y() - 7, 40, 14), Qt::AlignRight, QString::number(m_target, 'g', 4));
    for (int stream = 0; stream < m_streams; ++stream) {
        QPainterPath path;
        for (qsizetype i = 0; i < m_points.size(); ++i) {
            const QPointF point = at(m_points.at(i).seconds, m_points.at(i).framesPerSecond.value(stream));
            i == 0 ? path.moveTo(point) : path.lineTo(point);
        }
        QColor colour = ThemeColors::warm(dark);
        colour.setAlphaF(float(0.45 + 0.55 / double(stream + 1)));
        painter.setPen(QPen(colour, 1.5));
        painter.drawPath(path);
    }
    // A late frame is marked where it happened, at the top of the plot.
    painter.setPen(QPen(ThemeColors::red(dark), 2));
    for (const LateMark &mark : m_lateMarks) {
        const double x = at(mark.seconds, 0).x();
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.top() + 10));
    }
}

} // namespace trevlamark
