#pragma once
// The live value of one gauge: the trailing moving average, as the charts
// draw it, at the last point of the newest phase of the gauge's operation.
// It keeps that phase's throughputs as they come, so that a refresh costs
// the new points and one window's mean, not a smoothing of the whole phase.

#include "engine/testdata.h"

#include <QList>
#include <QString>
#include <optional>
#include <vector>

namespace trevlamark {

class NewestPhaseAverage
{
public:
    // `operation` is matched without regard to case ("Write" takes "write" points).
    explicit NewestPhaseAverage(const QString &operation);

    // A list that keeps the points of the last call and adds newer ones (a
    // running test) costs only the new points; any other list starts over.
    void setPoints(const QList<TestData> &points);

    // The smoothed throughput at the newest point; none without points of the
    // operation. Leading empty samples widen `window` (never narrow it), as
    // the charts' smoothing does.
    std::optional<double> value(int &window) const;
    // The newest phase of the operation; none without its points.
    std::optional<int> phaseId() const { return m_phaseId; }

private:
    void rebuild(const QList<TestData> &points);
    // False when the point is older than the phase's newest: the list must be sorted again.
    bool add(const TestData &point);

    QString m_operation;
    qsizetype m_count = 0;
    TestData m_first;
    TestData m_last;
    std::optional<int> m_phaseId;
    std::vector<double> m_throughputs; // the newest phase, in time order
    qint64 m_newestTimeMs = 0;
    // Empty samples before the phase's first real one; counted until data arrives.
    qsizetype m_leadingZeros = 0;
    bool m_dataSeen = false;
};

} // namespace trevlamark
