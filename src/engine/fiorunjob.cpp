#include "engine/fiorunjob.h"

#include "engine/cycleplan.h"
#include "engine/streamingioexecutor.h"
#include "engine/testdirectory.h"

#include <QLocale>

namespace trevlamark {

namespace {

// fio reads a job file line by line and takes ':' in a path as the start of the next one.
QString fioPath(QString path)
{
    return path.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char(':'), QLatin1String("\\:"));
}

} // namespace

quint64 FioRunJob::streamBytes(const TestRequest &request, int stream)
{
    const qint64 chunk = chunkSizeBytes(request.chunkSize);
    const quint64 streams = quint64(std::max(1, request.queueDepth));
    const quint64 operations = StreamingIOExecutor::writingOperations(request.targetBytesPerPhase(), chunk, int(streams));
    // The engine hands out the chunks of a phase this way: the first files get one more.
    const quint64 chunks = operations / streams + (quint64(stream) < operations % streams ? 1 : 0);
    return chunks * quint64(chunk);
}

QString FioRunJob::jobName(int cycle, bool isWrite, int stream)
{
    return QStringLiteral("cycle%1.%2.stream%3").arg(cycle).arg(isWrite ? QStringLiteral("write") : QStringLiteral("read")).arg(stream);
}

QByteArray FioRunJob::text(const TestRequest &request)
{
    QList<PlannedPhase> phases{CyclePlan::first()};
    while (const std::optional<PlannedPhase> next = CyclePlan::next(request, phases.constLast()))
        phases.append(*next);
    const int streams = std::max(1, request.queueDepth);
    const qint64 chunk = chunkSizeBytes(request.chunkSize);

    QString text;
    text += QStringLiteral("; The shape of a Trevlamark run, for fio: %1 cycle(s) of %2 in %3 stream(s) of %4 chunks,\n"
                           "; %5. Run it with \"fio FILE\"; it removes its files after their last phase.\n")
                .arg(request.totalCycles)
                .arg(QLocale::c().formattedDataSize(qint64(request.resolvedBytesPerCycle()), 2))
                .arg(streams)
                .arg(QLocale::c().formattedDataSize(chunk, 0))
                .arg(request.disableCache ? QStringLiteral("bypassing the cache (O_DIRECT)")
                                          : QStringLiteral("through the cache"));
    text += QStringLiteral("[global]\ndirectory=%1\nioengine=psync\nbs=%2\ndirect=%3\nunique_filename=0\n")
                .arg(fioPath(request.testLocation()))
                .arg(chunk)
                .arg(request.disableCache ? 1 : 0);
    for (qsizetype index = 0; index < phases.size(); ++index) {
        const PlannedPhase &phase = phases.at(index);
        const bool isWrite = phase.phase == Phase::Write;
        const bool isLastUse = std::none_of(phases.cbegin() + index + 1, phases.cend(),
            [&phase](const PlannedPhase &later) { return later.filesCycle == phase.filesCycle; });
        for (int stream = 0; stream < streams; ++stream) {
            text += QStringLiteral("\n[%1]\n").arg(jobName(phase.cycle, isWrite, stream));
            // Each phase starts when the one before has ended, as in the run.
            if (stream == 0)
                text += QStringLiteral("stonewall\nnew_group\n");
            text += QStringLiteral("filename=%1\nrw=%2\nsize=%3\n")
                        .arg(fioPath(TestDirectory::cycleFileName(phase.filesCycle, stream)),
                             isWrite ? QStringLiteral("write") : QStringLiteral("read"))
                        .arg(streamBytes(request, stream));
            if (isWrite)
                text += QStringLiteral("end_fsync=1\n");
            // fio drops a file's cached pages before each job unless told not to;
            // the run does so only where its plan flushes the cache.
            text += QStringLiteral("invalidate=%1\n").arg(phase.flushCacheFirst || request.disableCache ? 1 : 0);
            if (isLastUse)
                text += QStringLiteral("unlink=1\n");
        }
    }
    return text.toUtf8();
}

} // namespace trevlamark
