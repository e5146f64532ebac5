#include "ui/gauges/newestphaseaverage.h"

#include <algorithm>

namespace trevlamark {

NewestPhaseAverage::NewestPhaseAverage(const QString &operation)
    : m_operation(operation.toLower())
{
}

void NewestPhaseAverage::setPoints(const QList<TestData> &points)
{
    const bool extends = m_count > 0 && points.size() >= m_count && points.first() == m_first
                         && points.at(m_count - 1) == m_last;
    if (!extends) {
        rebuild(points);
        return;
    }
    for (qsizetype i = m_count; i < points.size(); ++i) {
        if (!add(points.at(i))) {
            rebuild(points);
            return;
        }
    }
    m_count = points.size();
    m_last = points.last();
}

std::optional<double> NewestPhaseAverage::value(int &window) const
{
    if (m_throughputs.empty())
        return std::nullopt;
    if (m_dataSeen && m_leadingZeros > 0)
        window = std::max(window, static_cast<int>(m_leadingZeros) + 1);
    const std::size_t size = m_throughputs.size();
    const std::size_t width = std::min(size, static_cast<std::size_t>(std::max(1, window)));
    // Summed oldest first, as the full smoothing sums, so both give the same double.
    double sum = 0;
    for (std::size_t i = size - width; i < size; ++i)
        sum += m_throughputs[i];
    return sum / static_cast<double>(width);
}

void NewestPhaseAverage::rebuild(const QList<TestData> &points)
{
    m_phaseId.reset();
    m_throughputs.clear();
    m_leadingZeros = 0;
    m_dataSeen = false;
    m_count = points.size();
    m_first = points.isEmpty() ? TestData() : points.first();
    m_last = points.isEmpty() ? TestData() : points.last();

    QList<TestData> phase;
    for (const TestData &point : points) {
        if (point.operation.compare(m_operation, Qt::CaseInsensitive) != 0)
            continue;
        if (!m_phaseId || point.phaseId > *m_phaseId) {
            m_phaseId = point.phaseId;
            phase.clear();
        }
        if (point.phaseId == *m_phaseId)
            phase.append(point);
    }
    std::stable_sort(phase.begin(), phase.end(),
                     [](const TestData &a, const TestData &b) { return a.timestamp < b.timestamp; });
    for (const TestData &point : std::as_const(phase))
        add(point);
}

bool NewestPhaseAverage::add(const TestData &point)
{
    if (point.operation.compare(m_operation, Qt::CaseInsensitive) != 0)
        return true;
    if (m_phaseId && point.phaseId < *m_phaseId)
        return true;
    if (!m_phaseId || point.phaseId > *m_phaseId) {
        m_phaseId = point.phaseId;
        m_throughputs.clear();
        m_leadingZeros = 0;
        m_dataSeen = false;
    }
    const qint64 time = point.timestamp.toMSecsSinceEpoch();
    if (!m_throughputs.empty() && time < m_newestTimeMs)
        return false;
    m_newestTimeMs = time;
    m_throughputs.push_back(point.throughput);
    if (point.throughput > 0)
        m_dataSeen = true;
    else if (!m_dataSeen && point.throughput == 0)
        ++m_leadingZeros;
    return true;
}

} // namespace trevlamark
