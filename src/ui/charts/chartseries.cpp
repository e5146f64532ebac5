#include "ui/charts/chartseries.h"

#include "ui/charts/columnreducer.h"

#include <algorithm>
#include <cmath>

namespace trevlamark {

void ChartSeries::setPoints(const QList<TestData> &points, int &window)
{
    const bool extends = m_count > 0 && points.size() >= m_count && points.first() == m_first
                         && points.at(m_count - 1) == m_last;
    if (!extends) {
        rebuild(points, window);
        return;
    }
    for (qsizetype i = m_count; i < points.size(); ++i) {
        // A point older than its phase's newest cannot be added at the end: sort them all.
        if (!append(points.at(i), window)) {
            rebuild(points, window);
            return;
        }
    }
    m_count = points.size();
    m_last = points.last();
    followWindow(window);
}

void ChartSeries::followWindow(int &window)
{
    while (m_window != window)
        resmooth(window);
}

std::optional<QDateTime> ChartSeries::newestTime() const
{
    if (isEmpty())
        return std::nullopt;
    return m_newestTime;
}

void ChartSeries::clear()
{
    m_phases.clear();
    m_count = 0;
    m_first = m_last = TestData();
    m_newestTime = QDateTime();
    m_maximum = 0;
}

void ChartSeries::rebuild(const QList<TestData> &points, int &window)
{
    clear();
    m_window = window;
    if (points.isEmpty())
        return;
    QList<TestData> sorted = points;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TestData &a, const TestData &b) { return a.timestamp < b.timestamp; });
    for (const TestData &point : std::as_const(sorted))
        append(point, window);
    m_count = points.size();
    m_first = points.first();
    m_last = points.last();
    followWindow(window);
}

bool ChartSeries::append(const TestData &point, int &window)
{
    Phase &phase = m_phases[{point.operation == QLatin1String("write"), point.phaseId}];
    const qint64 time = point.timestamp.toMSecsSinceEpoch();
    if (!phase.times.empty() && time < phase.times.back())
        return false;
    phase.times.push_back(time);
    phase.raw.push_back(point.throughput);
    smoothAt(phase, phase.raw.size() - 1, window);
    if (!m_newestTime.isValid() || point.timestamp > m_newestTime)
        m_newestTime = point.timestamp;
    return true;
}

// The trailing mean of the last `window` raw points, one point at a time.
void ChartSeries::smoothAt(Phase &phase, std::size_t index, int &window)
{
    const double value = phase.raw[index];
    bool firstData = false;
    if (value > 0 && !phase.dataSeen) {
        // Every earlier point of the phase is still waiting for data.
        const auto zeros = std::count(phase.raw.cbegin(), phase.raw.cbegin() + static_cast<std::ptrdiff_t>(index), 0.0);
        if (zeros > 0)
            window = std::max(window, static_cast<int>(zeros) + 1);
        phase.dataSeen = true;
        firstData = true;
    }
    const std::size_t width = static_cast<std::size_t>(std::max(1, window));
    const std::size_t first = index + 1 >= width ? index + 1 - width : 0;
    double sum = 0;
    for (std::size_t j = first; j <= index; ++j)
        sum += phase.raw[j];
    const double average = sum / static_cast<double>(index - first + 1);
    phase.smoothed.push_back(average);
    // Leading empty samples are drawn at the first real level.
    if (firstData)
        std::fill(phase.smoothed.begin(), phase.smoothed.end() - 1, average);
    m_maximum = std::max(m_maximum, average);
}

void ChartSeries::resmooth(int &window)
{
    m_window = window;
    m_maximum = 0;
    for (auto &[key, phase] : m_phases) {
        phase.smoothed.clear();
        phase.dataSeen = false;
        for (std::size_t i = 0; i < phase.raw.size(); ++i)
            smoothAt(phase, i, window);
    }
}

QPainterPath ChartSeries::areas(ChartGeometry::Half half, const ChartGeometry::Frame &frame) const
{
    QPainterPath path;
    const bool upper = half == ChartGeometry::Half::Upper;
    bool any = false;
    for (const auto &[key, phase] : m_phases) {
        if (key.first != upper)
            continue;
        any = true;
        appendArea(path, phase, frame, upper);
    }
    if (!any) {
        path.moveTo(0, frame.centreY);
        path.lineTo(frame.width, frame.centreY);
    }
    return path;
}

void ChartSeries::appendArea(QPainterPath &path, const Phase &phase, const ChartGeometry::Frame &frame,
                             bool upper) const
{
    const double width = frame.width;
    const double base = frame.centreY;
    const qint64 reference = frame.referenceTime.toMSecsSinceEpoch();
    const double spanMs = frame.timeWindowSeconds * 1000.0;
    const std::vector<qint64> &times = phase.times;
    const auto firstInView = std::lower_bound(times.cbegin(), times.cend(), reference - static_cast<qint64>(spanMs));
    if (firstInView == times.cend() || *firstInView > reference)
        return;
    const auto x = [&](qint64 time) {
        return spanMs <= 0 ? width : width * (1.0 - static_cast<double>(reference - time) / spanMs);
    };

    // Points up to a tenth of the window beyond either edge still shape the area there.
    const auto from = std::lower_bound(times.cbegin(), times.cend(), reference - static_cast<qint64>(1.1 * spanMs));
    const auto to = std::upper_bound(times.cbegin(), times.cend(), reference + static_cast<qint64>(0.1 * spanMs));
    ColumnReducer reducer(upper ? ColumnReducer::Keep::Top : ColumnReducer::Keep::Bottom,
                          static_cast<qsizetype>(width));
    for (auto it = from; it != to; ++it) {
        const double ratio = ChartGeometry::heightRatio(phase.smoothed[static_cast<std::size_t>(it - times.cbegin())],
                                                        frame.maxY);
        reducer.add({std::clamp(x(*it), 0.0, width), upper ? base - base * ratio : base + base * ratio});
    }
    const QList<QPointF> points = reducer.takePoints();

    const auto lastShown = std::upper_bound(firstInView, times.cend(), reference) - 1;
    double left = std::max(0.0, x(*firstInView));
    double right = std::min(width, x(*lastShown));
    if (right - left < minimumPhaseWidthPx) {
        right = std::min(width, left + minimumPhaseWidthPx);
        left = std::max(0.0, right - minimumPhaseWidthPx);
    }
    path.moveTo(left, base);
    if (points.first().x() > left)
        path.lineTo(left, points.first().y());
    for (const QPointF &point : points)
        path.lineTo(point);
    if (points.last().x() < right)
        path.lineTo(right, points.last().y());
    path.lineTo(right, base);
    path.closeSubpath();
}

} // namespace trevlamark
