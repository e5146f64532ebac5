#pragma once
// How many streams of each format a run's average write (capture) and read
// (playback) rates carry, with part of each rate kept unused as headroom. An
// estimate from an average: stalls that an editor sees as dropped frames do
// not show in it, which is what the paced test is for. Pure functions.

#include "engine/mediaformat.h"
#include "engine/performancetestresult.h"

#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <optional>

namespace trevlamark {

struct PlaysRow
{
    MediaFormat format;
    // Nothing when the run did not measure that direction.
    std::optional<int> captureStreams;
    std::optional<int> playbackStreams;
};

class PlaysEstimate
{
public:
    PlaysEstimate() = delete;

    // Whole streams of the format within the rate (MB/s of 1,048,576 bytes)
    // less headroomPercent of it.
    static int streams(double megabytesPerSecond, const MediaFormat &format, int headroomPercent);
    // The run's average write and read rates; nothing for a direction that moved no data.
    static std::optional<double> writeRate(const PerformanceTestResult &result);
    static std::optional<double> readRate(const PerformanceTestResult &result);
    static QList<PlaysRow> rows(const PerformanceTestResult &result, const QList<MediaFormat> &formats,
        int headroomPercent);
    // The plain warning that goes with every estimate.
    static QString caveat(int headroomPercent);
    // The caveat, then a table: format, MB/s per stream, capture and playback streams.
    static QStringList lines(const QList<PlaysRow> &rows, int headroomPercent);
    static QJsonObject toJson(const QList<PlaysRow> &rows, int headroomPercent);
};

} // namespace trevlamark
