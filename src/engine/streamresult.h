#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace trevlamark {

// One live throughput sample taken by the run's sampler.
struct StreamResult
{
    QDateTime timestamp;
    QString operation;   // "write" or "read"
    double throughput = 0; // MB/s over the interval since the previous sample
    double seconds = 0;  // position on the run's time axis
    int phaseId = 0;
    // MB/s the interface that carries the share received and sent over the
    // same interval; absent for a local folder.
    std::optional<double> wireIn;
    std::optional<double> wireOut;
};

} // namespace trevlamark
