#include "engine/playsestimate.h"

#include <QJsonArray>

#include <cmath>

namespace trevlamark {

namespace {

std::optional<double> measured(const PerformanceTestResult &result, const QString &key)
{
    const double rate = result.metrics.value(key, 0.0);
    return rate > 0 ? std::optional<double>(rate) : std::nullopt;
}

QString streamsText(const std::optional<int> &streams)
{
    return streams ? QString::number(*streams) : QStringLiteral("-");
}

QJsonValue streamsJson(const std::optional<int> &streams)
{
    return streams ? QJsonValue(*streams) : QJsonValue();
}

} // namespace

int PlaysEstimate::streams(double megabytesPerSecond, const MediaFormat &format, int headroomPercent)
{
    const double perStream = format.megabytesPerSecond();
    if (!(megabytesPerSecond > 0) || !(perStream > 0))
        return 0;
    const double usable = megabytesPerSecond * (100.0 - headroomPercent) / 100.0;
    // A hair of tolerance, so a rate that is exactly n streams' worth counts as n.
    return int(std::floor(usable / perStream + 1e-9));
}

std::optional<double> PlaysEstimate::writeRate(const PerformanceTestResult &result)
{
    return measured(result, QStringLiteral("writeSpeed"));
}

std::optional<double> PlaysEstimate::readRate(const PerformanceTestResult &result)
{
    return measured(result, QStringLiteral("readSpeed"));
}

QList<PlaysRow> PlaysEstimate::rows(const PerformanceTestResult &result, const QList<MediaFormat> &formats,
    int headroomPercent)
{
    const std::optional<double> write = writeRate(result);
    const std::optional<double> read = readRate(result);
    QList<PlaysRow> rows;
    for (const MediaFormat &format : formats) {
        PlaysRow row{format, std::nullopt, std::nullopt};
        if (write)
            row.captureStreams = streams(*write, format, headroomPercent);
        if (read)
            row.playbackStreams = streams(*read, format, headroomPercent);
        rows.append(row);
    }
    return rows;
}

QString PlaysEstimate::caveat(int headroomPercent)
{
    return QStringLiteral("Estimate from the average write (capture) and read (playback) rates, keeping %1 % of each "
                          "unused. An average hides the stalls an editor sees as dropped frames: the paced test of a "
                          "format counts its late frames.")
        .arg(headroomPercent);
}

QStringList PlaysEstimate::lines(const QList<PlaysRow> &rows, int headroomPercent)
{
    QList<QStringList> table{{QStringLiteral("Format"), QStringLiteral("MB/s per stream"), QStringLiteral("Capture"),
        QStringLiteral("Playback")}};
    for (const PlaysRow &row : rows) {
        table.append({row.format.name, QString::number(row.format.megabytesPerSecond(), 'f', 2),
            streamsText(row.captureStreams), streamsText(row.playbackStreams)});
    }
    QList<qsizetype> widths(table.first().size(), 0);
    for (const QStringList &cells : table) {
        for (qsizetype i = 0; i < cells.size(); ++i)
            widths[i] = std::max(widths[i], cells.at(i).size());
    }
    QStringList lines{QStringLiteral("Plays (streams; MB/s = 1,048,576 bytes per second)"), caveat(headroomPercent)};
    for (const QStringList &cells : table) {
        QString line = cells.at(0).leftJustified(widths.at(0));
        for (qsizetype i = 1; i < cells.size(); ++i)
            line += QStringLiteral("  ") + cells.at(i).rightJustified(widths.at(i));
        lines.append(line);
    }
    return lines;
}

QJsonObject PlaysEstimate::toJson(const QList<PlaysRow> &rows, int headroomPercent)
{
    QJsonArray formats;
    for (const PlaysRow &row : rows) {
        formats.append(QJsonObject{{QStringLiteral("format"), row.format.name},
            {QStringLiteral("bytesPerSecond"), row.format.bytesPerSecond()},
            {QStringLiteral("captureStreams"), streamsJson(row.captureStreams)},
            {QStringLiteral("playbackStreams"), streamsJson(row.playbackStreams)}});
    }
    return QJsonObject{{QStringLiteral("basis"), QStringLiteral("estimate from average rates")},
        {QStringLiteral("headroomPercent"), headroomPercent}, {QStringLiteral("formats"), formats}};
}

} // namespace trevlamark
