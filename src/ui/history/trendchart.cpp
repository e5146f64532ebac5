#include "ui/history/trendchart.h"

#include "ui/common/themecolors.h"

#include <QHelpEvent>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace trevlamark {

namespace {
constexpr int gridLines = 4;
constexpr int leftMargin = 56;
constexpr int rightMargin = 16;
constexpr int topMargin = 28;
constexpr int bottomMargin = 28;
// Room each date label needs along the axis.
constexpr int tickSpacing = 110;
// How near the pointer must come to a dot for its tooltip.
constexpr double hoverRadius = 10;
constexpr auto dayFormat = "yyyy-MM-dd";
constexpr auto timeFormat = "MM-dd HH:mm";
} // namespace

TrendChart::TrendChart(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("trendChart"));
}

void TrendChart::setPoints(const QList<Point> &points)
{
    m_points = points;
    std::stable_sort(m_points.begin(), m_points.end(),
                     [](const Point &a, const Point &b) { return a.finishedAt < b.finishedAt; });
    update();
}

double TrendChart::scaleMaximum(const QList<Point> &points)
{
    double fastest = 0;
    for (const Point &point : points)
        fastest = std::max({fastest, point.writeMegabytesPerSecond, point.readMegabytesPerSecond});
    if (fastest <= 0)
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(fastest)));
    for (const double step : {1.0, 2.0, 5.0, 10.0}) {
        if (fastest <= step * power)
            return step * power;
    }
    return 10 * power;
}

QSize TrendChart::sizeHint() const
{
    return {560, 260};
}

QSize TrendChart::minimumSizeHint() const
{
    return {240, 140};
}

QRectF TrendChart::plotArea() const
{
    return QRectF(leftMargin, topMargin, width() - leftMargin - rightMargin, height() - topMargin - bottomMargin);
}

double TrendChart::xFor(const Point &point) const
{
    const QRectF plot = plotArea();
    if (m_points.size() < 2)
        return plot.center().x();
    const qint64 first = m_points.constFirst().finishedAt.toMSecsSinceEpoch();
    const qint64 span = std::max<qint64>(1, m_points.constLast().finishedAt.toMSecsSinceEpoch() - first);
    return plot.left() + plot.width() * double(point.finishedAt.toMSecsSinceEpoch() - first) / double(span);
}

double TrendChart::yFor(double megabytesPerSecond) const
{
    const QRectF plot = plotArea();
    return plot.bottom() - plot.height() * megabytesPerSecond / scaleMaximum(m_points);
}

QString TrendChart::toolTipAt(const QPointF &position) const
{
    const Point *nearest = nullptr;
    double nearestDistance = hoverRadius;
    for (const Point &point : m_points) {
        for (const double value : {point.writeMegabytesPerSecond, point.readMegabytesPerSecond}) {
            const double distance = std::hypot(xFor(point) - position.x(), yFor(value) - position.y());
            if (distance <= nearestDistance) {
                nearestDistance = distance;
                nearest = &point;
            }
        }
    }
    if (!nearest)
        return {};
    return QStringLiteral("%1\nWrite %2 MB/s\nRead %3 MB/s")
        .arg(nearest->finishedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")))
        .arg(nearest->writeMegabytesPerSecond, 0, 'f', 2)
        .arg(nearest->readMegabytesPerSecond, 0, 'f', 2);
}

bool TrendChart::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QString text = toolTipAt(help->pos());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, this);
    return true;
}

void TrendChart::drawDateTicks(QPainter &painter, const QRectF &plot) const
{
    constexpr qint64 hour = 3600 * 1000LL;
    constexpr qint64 day = 24 * hour;
    const QDateTime first = m_points.constFirst().finishedAt.toLocalTime();
    const QDateTime last = m_points.constLast().finishedAt.toLocalTime();
    const qint64 span = first.msecsTo(last);
    // The shortest whole step that leaves each label its room; ticks sit on
    // whole hours or local midnights, so they read as round times.
    const double fits = std::max(1.0, plot.width() / tickSpacing);
    qint64 step = 0;
    for (const qint64 candidate : {hour, 2 * hour, 3 * hour, 6 * hour, 12 * hour, day, 2 * day, 7 * day, 14 * day,
                                   30 * day, 91 * day, 365 * day}) {
        step = candidate;
        if (double(span) / double(candidate) <= fits)
            break;
    }
    const QString format = QString::fromLatin1(step < day ? timeFormat : dayFormat);
    QDateTime at = first.date().startOfDay();
    QList<QDateTime> ticks;
    for (; at <= last || ticks.isEmpty(); at = at.addMSecs(step)) {
        if (at >= first || m_points.size() < 2)
            ticks.append(m_points.size() < 2 ? first : at);
    }
    QColor tick = palette().color(QPalette::WindowText);
    tick.setAlphaF(0.4f);
    for (const QDateTime &time : std::as_const(ticks)) {
        const double x = xFor(Point{time, 0, 0});
        painter.setPen(tick);
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
        // Labels centre on their tick but keep inside the widget.
        const double left = std::clamp(x - tickSpacing / 2.0, 0.0, width() - double(tickSpacing));
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(QRectF(left, plot.bottom() + 6, tickSpacing, bottomMargin - 6), Qt::AlignHCenter | Qt::AlignTop,
                         time.toString(format));
    }
}

void TrendChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colours = palette();
    const bool dark = ThemeColors::isDark(colours);
    const QRectF plot = plotArea();
    const double maximum = scaleMaximum(m_points);
    const QLocale locale;

    QColor grid = colours.color(QPalette::WindowText);
    grid.setAlphaF(0.15f);
    for (int line = 0; line <= gridLines; ++line) {
        const double y = plot.bottom() - plot.height() * line / gridLines;
        painter.setPen(grid);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(colours.color(QPalette::PlaceholderText));
        painter.drawText(QRectF(0, y - 8, leftMargin - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                         locale.toString(maximum * line / gridLines, 'g', 4));
    }
    painter.drawText(QRectF(0, 0, leftMargin + 60, topMargin - 8), Qt::AlignLeft | Qt::AlignBottom,
                     QStringLiteral("MB/s"));

    if (m_points.isEmpty()) {
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("No runs at this location"));
        return;
    }
    drawDateTicks(painter, plot);

    const struct
    {
        QString label;
        QColor colour;
        double Point::*value;
    } series[] = {{QStringLiteral("Write"), ThemeColors::warm(dark), &Point::writeMegabytesPerSecond},
                  {QStringLiteral("Read"), ThemeColors::cool(dark), &Point::readMegabytesPerSecond}};
    for (const auto &line : series) {
        QPainterPath path;
        for (const Point &point : std::as_const(m_points)) {
            const QPointF at(xFor(point), yFor(point.*line.value));
            if (path.elementCount() == 0)
                path.moveTo(at);
            else
                path.lineTo(at);
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(line.colour, 2));
        painter.drawPath(path);
        painter.setBrush(line.colour);
        for (int i = 0; i < path.elementCount(); ++i)
            painter.drawEllipse(QPointF(path.elementAt(i)), 3, 3);
    }
    // The legend fills from the right, so Write ends up first.
    double legendRight = plot.right();
    for (const auto &line : {series[1], series[0]}) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(line.colour);
        const double textWidth = painter.fontMetrics().horizontalAdvance(line.label);
        painter.drawEllipse(QPointF(legendRight - textWidth - 10, topMargin / 2.0), 4, 4);
        painter.setPen(colours.color(QPalette::WindowText));
        painter.drawText(QRectF(legendRight - textWidth, 0, textWidth, topMargin), Qt::AlignVCenter, line.label);
        legendRight -= textWidth + 28;
    }
}

} // namespace trevlamark
