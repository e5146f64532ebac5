#include "ui/history/trendchart.h"

#include "ui/common/themecolors.h"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace trevlamark {

namespace {
constexpr int gridLines = 4;
constexpr int leftMargin = 56;
constexpr int rightMargin = 16;
constexpr int topMargin = 28;
constexpr int bottomMargin = 28;
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

void TrendChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colours = palette();
    const bool dark = ThemeColors::isDark(colours);
    const QRectF plot(leftMargin, topMargin, width() - leftMargin - rightMargin,
                      height() - topMargin - bottomMargin);
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
    const qint64 first = m_points.constFirst().finishedAt.toMSecsSinceEpoch();
    const qint64 span = std::max<qint64>(1, m_points.constLast().finishedAt.toMSecsSinceEpoch() - first);
    const auto xFor = [&](const Point &point) {
        if (m_points.size() == 1)
            return plot.center().x();
        return plot.left() + plot.width() * double(point.finishedAt.toMSecsSinceEpoch() - first) / double(span);
    };
    const auto yFor = [&](double value) { return plot.bottom() - plot.height() * value / maximum; };

    painter.setPen(colours.color(QPalette::PlaceholderText));
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    painter.drawText(QRectF(plot.left(), plot.bottom() + 4, plot.width() / 2, bottomMargin - 4),
                     Qt::AlignLeft | Qt::AlignTop, m_points.constFirst().finishedAt.toLocalTime().toString(dateFormat));
    if (m_points.size() > 1) {
        painter.drawText(QRectF(plot.center().x(), plot.bottom() + 4, plot.width() / 2, bottomMargin - 4),
                         Qt::AlignRight | Qt::AlignTop,
                         m_points.constLast().finishedAt.toLocalTime().toString(dateFormat));
    }

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
