#include "ui/common/throughputsmoothing.h"

#include <QMap>
#include <QUuid>
#include <algorithm>
#include <atomic>

namespace trevlamark {

namespace {

void sortByTime(QList<TestData> &points)
{
    std::stable_sort(points.begin(), points.end(), [](const TestData &a, const TestData &b) {
        return a.timestamp < b.timestamp;
    });
}

// The gauges smooth their newest phase again on every graph refresh; a random
// UUID per point would cost more than the smoothing. A per-process random base
// with a running counter is as unique for them.
QUuid freshPointId()
{
    static const QUuid base = QUuid::createUuid();
    static std::atomic<quint64> counter{0};
    const quint64 n = counter.fetch_add(1, std::memory_order_relaxed);
    QUuid id = base;
    for (int i = 0; i < 8; ++i)
        id.data4[i] ^= static_cast<uchar>(n >> (8 * i));
    return id;
}

} // namespace

int &ThroughputSmoothing::processSmoothingWindow()
{
    static int window = 1;
    return window;
}

QList<TestData> ThroughputSmoothing::smoothPhase(const QList<TestData> &points, int &window)
{
    QList<TestData> output;
    QList<TestData> pending;
    output.reserve(points.size());
    bool dataSeen = false;
    double average = 0;

    for (qsizetype i = 0; i < points.size(); ++i) {
        const TestData &point = points.at(i);
        if (point.throughput > 0) {
            if (!pending.isEmpty()) {
                const auto zeros = std::count_if(pending.cbegin(), pending.cend(),
                                                 [](const TestData &p) { return p.throughput == 0; });
                if (zeros > 0)
                    window = std::max(window, static_cast<int>(zeros) + 1);
            }
            dataSeen = true;
        }

        // Mean of the last `window` points up to and including this one.
        const qsizetype first = std::max<qsizetype>(0, i - window + 1);
        double sum = 0;
        for (qsizetype j = first; j <= i; ++j)
            sum += points.at(j).throughput;
        average = sum / static_cast<double>(i - first + 1);

        TestData smoothed;
        smoothed.id = freshPointId();
        smoothed.timestamp = point.timestamp;
        smoothed.operation = point.operation;
        smoothed.seconds = point.seconds;
        smoothed.phaseId = point.phaseId;
        smoothed.throughput = average;

        if (!dataSeen) {
            pending.append(smoothed);
            continue;
        }
        for (TestData &waiting : pending) {
            waiting.throughput = average;
            output.append(waiting);
        }
        pending.clear();
        output.append(smoothed);
    }
    output.append(pending);
    return output;
}

QList<TestData> ThroughputSmoothing::prepareChartData(const QList<TestData> &data,
                                                std::optional<int> phaseId, int &window)
{
    QList<TestData> points;
    if (phaseId) {
        for (const TestData &point : data) {
            if (point.phaseId == *phaseId)
                points.append(point);
        }
    } else {
        points = data;
    }
    sortByTime(points);
    if (points.size() < 2)
        return points;

    QMap<int, QList<TestData>> phases;
    for (const TestData &point : points)
        phases[point.phaseId].append(point);

    QList<TestData> result;
    result.reserve(points.size());
    for (const QList<TestData> &phase : std::as_const(phases))
        result.append(smoothPhase(phase, window));
    sortByTime(result);
    return result;
}

QList<TestData> ThroughputSmoothing::prepareChartData(const QList<TestData> &data, std::optional<int> phaseId)
{
    return prepareChartData(data, phaseId, processSmoothingWindow());
}

} // namespace trevlamark
