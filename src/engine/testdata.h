#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

namespace trevlamark {

// One chart point, derived from a StreamResult by the test screen.
struct TestData
{
    QUuid id;
    QDateTime timestamp;
    QString operation;
    double throughput = 0;
    double seconds = 0;
    int phaseId = 0;

    bool operator==(const TestData &) const = default;
};

} // namespace trevlamark
