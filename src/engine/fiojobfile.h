#pragma once
// The fio job files the controller sends to every client: one phase of a
// cycle, the check that a server answers, and the removal of a client's test
// directory. Pure functions of their inputs.

#include "engine/phase.h"

#include <QByteArray>
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
};

class FioJobFile
{
public:
    FioJobFile() = delete;

    // Sequential transfers of bytesPerJob in chunk-sized blocks, one job
    // "stream.<n>" per stream; a write phase ends with an fsync of every file.
    static QByteArray phase(const FioPhaseShape &shape);
    // A job that moves no data, so the server's answer can be checked first.
    static QByteArray probe();
    // Removes location/directoryName on the client.
    static QByteArray removal(const QString &location, const QString &directoryName);
    // Touches the run's marker in the client's test directory, so that a sweep
    // on any machine sees the directory in use (it does not make the directory).
    static QByteArray markerTouch(const QString &location, const QString &directoryName);

    // The job name of stream n, as the status lines report it.
    static QString streamJobName(int stream);
};

} // namespace trevlamark
