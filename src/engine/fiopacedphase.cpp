#include "engine/fiopacedphase.h"

#include "engine/fiolatencylog.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace trevlamark {

bool FioPacedPhase::timed(const TestRequest &request, const PlannedPhase &phase)
{
    return phase.phase == Phase::Read || request.writePhaseEnabled;
}

FioPhaseShape FioPacedPhase::shape(const TestRequest &request, const PlannedPhase &phase)
{
    const PacedRequest &paced = *request.paced;
    const FrameClock clock(paced.format.framesPerSecond, paced.bufferFrames);
    const quint64 ioBytes = paced.ioBytesPerFrame(request.disableCache);
    FioPhaseShape shape;
    shape.phase = phase.phase;
    shape.cycle = phase.filesCycle;
    shape.queueDepth = paced.streams;
    shape.chunkSizeBytes = qint64(ioBytes);
    shape.bytesPerJob = quint64(clock.framesIn(paced.durationSeconds)) * ioBytes;
    shape.disableCache = request.disableCache;
    if (timed(request, phase))
        shape.rateBytesPerSecond = quint64(std::llround(double(ioBytes) * paced.format.framesPerSecond));
    return shape;
}

FioPacedPhase::Outcome FioPacedPhase::collect(const QDir &folder, const QList<FioPacedLogs> &clients, int streams,
    const FrameClock &clock, quint64 frameBytes, bool capture, int cycle)
{
    Outcome outcome;
    outcome.direction.capture = capture;
    FrameTally total;
    double elapsed = 0;
    for (const FioPacedLogs &client : clients) {
        FrameTally clientTally;
        double clientElapsed = 0;
        for (int stream = 0; stream < streams; ++stream) {
            // fio's client adds the server's address to the name of a log it receives.
            const QString pattern = QStringLiteral("%1_lat.%2.log*").arg(client.prefix).arg(stream + 1);
            const QStringList names = folder.entryList({pattern}, QDir::Files);
            QFile file(names.isEmpty() ? QString() : folder.filePath(names.constFirst()));
            if (names.isEmpty() || !file.open(QIODevice::ReadOnly)) {
                outcome.problem = QStringLiteral("fio server %1 returned no latency log for stream %2, so its late "
                                                 "frames cannot be counted").arg(client.client).arg(stream + 1);
                return outcome;
            }
            const PacedStreamOutcome read = FioLatencyLog::read(file.readAll(), clock, frameBytes);
            file.remove();
            if (read.error) {
                outcome.problem = QStringLiteral("fio server %1, stream %2: %3").arg(client.client).arg(stream + 1).arg(*read.error);
                return outcome;
            }
            PacedFigures figures = read.tally.figures(read.elapsedSeconds);
            figures.client = client.client;
            outcome.direction.streams.append(figures);
            clientTally.merge(read.tally);
            clientElapsed = std::max(clientElapsed, read.elapsedSeconds);
        }
        PacedFigures figures = clientTally.figures(clientElapsed);
        figures.client = client.client;
        outcome.direction.clients.append(figures);
        total.merge(clientTally);
        elapsed = std::max(elapsed, clientElapsed);
    }
    outcome.direction.total = total.figures(elapsed);
    outcome.record = total.phaseRecord(cycle, capture, elapsed);
    return outcome;
}

} // namespace trevlamark
