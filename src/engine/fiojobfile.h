#pragma once
// The fio job files the controller sends to every client: one phase of a
// cycle, the check that a server answers, and the removal of a client's test
// directory. Pure functions of their inputs.

#include "engine/phase.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace trevlamark {

struct FioPhaseShape
{
    Phase phase = Phase::Write;
    QString location;      // the test location as the client sees it
    QString directoryName; // the run's directory in it
    int cycle = 1;         // whose files the phase moves
    int queueDepth = 1;    // one job per stream, each on its own file
    qint64 chunkSizeBytes = 0;
    quint64 bytesPerJob = 0;
    bool disableCache = true;
    // When set, every job logs its bandwidth per interval under this file
    // name prefix, in the client's working directory.
    QString bandwidthLogPrefix;
    int logIntervalMilliseconds = 100;
    // Paced jobs: each issues its blocks at this rate, frame by frame, and
    // logs every block's completion under this prefix, for the late frames.
    quint64 rateBytesPerSecond = 0;
    QString latencyLogPrefix;
};

class FioJobFile
{
public:
    FioJobFile() = delete;

    // Sequential transfers of bytesPerJob in chunk-sized blocks, one job
    // "stream.<n>" per stream; a write phase ends with an fsync of every file.
    // The jobs log their bandwidth, or every I/O's latency, when the shape names a log.
    static QByteArray phase(const FioPhaseShape &shape);
    // A job that moves no data, so the server's answer can be checked first.
    static QByteArray probe();
    // Removes location/directoryName on the client: first the stream files of
    // the given cycles, by fio itself, which waits for them however long they
    // take, then the directory with what else is in it.
    static QByteArray removal(const QString &location, const QString &directoryName, const QList<int> &cycles,
        int queueDepth);
    // Touches the run's marker in the client's test directory, so that a sweep
    // on any machine sees the directory in use (it does not make the directory).
    static QByteArray markerTouch(const QString &location, const QString &directoryName);

    // The job name of stream n, as the status lines report it.
    static QString streamJobName(int stream);
    // The file of a stream in a cycle, in the run's directory.
    static QString streamFileName(int cycle, int stream);
    // A path as a single shell word without spaces, semicolons, '#' or '%',
    // which fio's exec engine would split or take as a comment or a variable:
    // "$(printf '\057mnt\057my\040share')".
    static QString shellWord(const QString &path);
};

} // namespace trevlamark
