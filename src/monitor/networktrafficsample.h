#pragma once

#include <QDateTime>
#include <QUuid>

namespace trevlamark {

// One reading of an interface's byte counters and the rates since the previous one.
struct NetworkTrafficSample
{
    QUuid id;
    QDateTime timestamp;
    quint64 bytesIn = 0;   // cumulative received bytes
    quint64 bytesOut = 0;  // cumulative sent bytes
    bool isVirtualInterface = false;
    double throughputIn = 0;  // MB/s, at most 10,000
    double throughputOut = 0; // MB/s, at most 10,000

    bool operator==(const NetworkTrafficSample &) const = default;
};

} // namespace trevlamark
