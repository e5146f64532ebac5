#include "engine/fiolatencylog.h"

#include <QList>

#include <algorithm>

namespace trevlamark {

PacedStreamOutcome FioLatencyLog::read(const QByteArray &log, const FrameClock &clock, quint64 frameBytes)
{
    PacedStreamOutcome outcome;
    qint64 frame = 0;
    qint64 lastCompletion = 0;
    for (const QByteArray &line : log.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QList<QByteArray> fields = line.split(',');
        bool timeRead = false;
        bool latencyRead = false;
        const qint64 completedMs = fields.value(0).trimmed().toLongLong(&timeRead);
        const qint64 latency = fields.value(1).trimmed().toLongLong(&latencyRead);
        if (fields.size() < 4 || !timeRead || !latencyRead || completedMs < 0 || latency < 0) {
            outcome.error = QStringLiteral("fio's latency log has a line that is not a completed I/O: \"%1\"")
                                .arg(QString::fromUtf8(line.trimmed().left(80)));
            return outcome;
        }
        // fio logs whole milliseconds; the I/O began its latency before it completed.
        const qint64 completion = completedMs * 1'000'000;
        outcome.tally.record(clock, frame, std::max<qint64>(0, completion - latency), completion, frameBytes);
        lastCompletion = std::max(lastCompletion, completion);
        ++frame;
    }
    outcome.elapsedSeconds = frame == 0 ? 0.0 : double(std::max(lastCompletion, clock.slotStart(frame))) / 1e9;
    return outcome;
}

} // namespace trevlamark
