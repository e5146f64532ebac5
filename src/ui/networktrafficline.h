#pragma once
// One traffic curve: upload rising above the baseline at `height`, download
// hanging below it.

#include "monitor/networktrafficsample.h"

#include <QDateTime>
#include <QList>
#include <QPainterPath>

namespace trevlamark {

struct NetworkTrafficLine
{
    QList<NetworkTrafficSample> samples;
    double maxY = 0;          // MB/s drawn at the full half-height
    double width = 0;
    double height = 0;        // the baseline lies at this y
    bool isOutbound = true;   // upload; false for download
    double timeWindow = 60;   // seconds
    QDateTime referenceTime;  // the right edge

    QPainterPath path() const;
};

} // namespace trevlamark
