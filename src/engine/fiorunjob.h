#pragma once
// The fio job file that repeats a run's shape: the same chunk size, streams,
// bytes per stream, O_DIRECT and fsync, the same files in the same folder,
// phase after phase. A user who doubts a figure runs fio on it and compares.
// A pure function of the request.

#include "engine/testrequest.h"

#include <QByteArray>

namespace trevlamark {

class FioRunJob
{
public:
    FioRunJob() = delete;

    static QByteArray text(const TestRequest &request);

    // The bytes the run moves through one stream's file in one phase.
    static quint64 streamBytes(const TestRequest &request, int stream);
    // The job of one stream in one phase: "cycle2.read.stream0".
    static QString jobName(int cycle, bool isWrite, int stream);
};

} // namespace trevlamark
