#pragma once
// One half of the throughput chart: the write phases as closed areas rising
// from the baseline at `height`, or the read phases hanging below it.

#include "engine/testdata.h"

#include <QDateTime>
#include <QList>
#include <QPainterPath>

namespace trevlamark {

struct TestChartLine
{
    QList<TestData> data;
    double maxY = 0;          // MB/s drawn at the full half-height
    double width = 0;
    double height = 0;        // the baseline lies at this y
    bool isWriteOperation = true;
    double timeWindow = 60;   // seconds
    QDateTime referenceTime;  // the right edge

    // Uses (and may widen) the given smoothing window.
    QPainterPath path(int &smoothingWindow) const;
    QPainterPath path() const;
};

} // namespace trevlamark
