#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

namespace trevlamark {

// One event on a run's timeline ("Start write phase", "End read phase", ...).
struct TimelineMarker
{
    QUuid id;
    QDateTime timestamp;
    QString message;
    QString type; // "write" and "read" from the engine; "error" and others from elsewhere

    bool operator==(const TimelineMarker &) const = default;
};

} // namespace trevlamark
