#pragma once

#include <QDateTime>
#include <QString>

namespace trevlamark {

// One live throughput sample taken by the run's sampler.
struct StreamResult
{
    QDateTime timestamp;
    QString operation;   // "write" or "read"
    double throughput = 0; // MB/s over the interval since the previous sample
    double seconds = 0;  // position on the run's time axis
    int phaseId = 0;
};

} // namespace trevlamark
