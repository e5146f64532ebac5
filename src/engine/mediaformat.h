#pragma once
// One video format a share must play or record: how many bytes one frame
// takes and how many frames a second come. Published rates come in two units
// (ProRes in Mb/s of 10^6 bits, DNxHR in MB/s of 10^6 bytes); fromJson turns
// them into bytes per frame, the one unit everything after it uses.

#include <QJsonObject>
#include <QString>
#include <optional>

namespace trevlamark {

struct MediaFormat
{
    // One growing file per stream (ProRes, DNxHR, uncompressed in MOV/MXF), or
    // one file per frame (DPX, EXR, TIFF).
    enum class Layout { Wrapped, Sequence };

    QString name;
    QString description;
    int width = 0;
    int height = 0;
    double framesPerSecond = 0;
    quint64 bytesPerFrame = 0;
    Layout layout = Layout::Wrapped;
    // Where the figure comes from, so a user can check it.
    QString source;
    // Added by the user, not shipped.
    bool custom = false;

    double bytesPerSecond() const { return double(bytesPerFrame) * framesPerSecond; }
    // The test's own unit: 1 MB = 1,048,576 bytes.
    double megabytesPerSecond() const;
    double frameIntervalSeconds() const { return 1.0 / framesPerSecond; }
    // "3840x2160"
    QString resolutionText() const;
    QString layoutText() const;

    // The fields as fromJson reads them back, with the rate as bytesPerFrame.
    QJsonObject toJson() const;
    // name, width, height, framesPerSecond and exactly one of bytesPerFrame,
    // megabitsPerSecond (10^6 bits) or megabytesPerSecond (10^6 bytes);
    // optional description, source and sequence (true: one file per frame).
    // Nothing, with the reason in problem, when a field is missing or out of range.
    static std::optional<MediaFormat> fromJson(const QJsonObject &object, QString *problem);

    bool operator==(const MediaFormat &) const = default;

    static constexpr double maximumFramesPerSecond = 1000;
    // A frame larger than 4 GiB is no video format any share plays.
    static constexpr quint64 maximumBytesPerFrame = quint64(1) << 32;
    // Room for the stamp that makes every frame's data unique.
    static constexpr quint64 minimumBytesPerFrame = 4096;
};

} // namespace trevlamark
