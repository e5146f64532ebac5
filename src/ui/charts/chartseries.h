#pragma once
// A test's chart points, kept smoothed phase by phase with their running
// maximum, so that a refresh of a long test costs about what it costs at its
// start: new points are smoothed once, the maximum is kept as they come, and a
// phase is drawn from its points in view, at most a low/high pair per pixel
// column.

#include "engine/testdata.h"
#include "ui/charts/chartgeometry.h"

#include <QDateTime>
#include <QList>
#include <QPainterPath>
#include <map>
#include <optional>
#include <vector>

namespace trevlamark {

class ChartSeries
{
public:
    // A list that keeps the points of the last call and adds newer ones (a
    // running test) costs only the new points; any other list starts over.
    // Smoothing follows (and may widen) `window`, as ChartGeometry's does.
    void setPoints(const QList<TestData> &points, int &window);
    // Smooths again when `window` has grown since (another chart or gauge widened it).
    void followWindow(int &window);

    bool isEmpty() const { return m_count == 0; }
    // The largest smoothed throughput, 0 without points.
    double maximum() const { return m_maximum; }
    std::optional<QDateTime> newestTime() const;

    // The write (upper) or read (lower) phases as closed areas on the centre
    // line, each phase its own area. A phase narrower than a few pixels, as a
    // single sample is, keeps that minimum width so that it stays visible.
    QPainterPath areas(ChartGeometry::Half half, const ChartGeometry::Frame &frame) const;

    static constexpr double minimumPhaseWidthPx = 3;

private:
    struct Phase
    {
        std::vector<qint64> times; // ms since 1970, never decreasing
        std::vector<double> raw;
        std::vector<double> smoothed;
        bool dataSeen = false;
    };
    using PhaseKey = std::pair<bool, int>; // upper half, phase id

    void clear();
    void rebuild(const QList<TestData> &points, int &window);
    // False when the point is older than its phase's newest point.
    bool append(const TestData &point, int &window);
    // Smooths point `index`, the phase's first point not smoothed yet.
    void smoothAt(Phase &phase, std::size_t index, int &window);
    void resmooth(int &window);
    void appendArea(QPainterPath &path, const Phase &phase, const ChartGeometry::Frame &frame, bool upper) const;

    std::map<PhaseKey, Phase> m_phases;
    qsizetype m_count = 0;
    TestData m_first;
    TestData m_last;
    QDateTime m_newestTime;
    double m_maximum = 0;
    int m_window = 0; // the window the smoothed values were made with
};

} // namespace trevlamark
