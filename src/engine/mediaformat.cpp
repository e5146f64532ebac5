#include "engine/mediaformat.h"

#include "engine/performancetestresult.h"

#include <cmath>

namespace trevlamark {

namespace {

const QLatin1String kBytesPerFrame("bytesPerFrame");
const QLatin1String kMegabits("megabitsPerSecond");
const QLatin1String kMegabytes("megabytesPerSecond");

} // namespace

double MediaFormat::megabytesPerSecond() const
{
    return bytesPerSecond() * bytesToMegabytes;
}

QString MediaFormat::resolutionText() const
{
    return QStringLiteral("%1x%2").arg(width).arg(height);
}

QString MediaFormat::layoutText() const
{
    return layout == Layout::Sequence ? QStringLiteral("file per frame") : QStringLiteral("file per stream");
}

QJsonObject MediaFormat::toJson() const
{
    QJsonObject object{{QStringLiteral("name"), name}, {QStringLiteral("width"), width},
        {QStringLiteral("height"), height}, {QStringLiteral("framesPerSecond"), framesPerSecond},
        {kBytesPerFrame, double(bytesPerFrame)}, {QStringLiteral("bytesPerSecond"), bytesPerSecond()},
        {QStringLiteral("sequence"), layout == Layout::Sequence}, {QStringLiteral("custom"), custom}};
    if (!description.isEmpty())
        object.insert(QStringLiteral("description"), description);
    if (!source.isEmpty())
        object.insert(QStringLiteral("source"), source);
    return object;
}

std::optional<MediaFormat> MediaFormat::fromJson(const QJsonObject &object, QString *problem)
{
    MediaFormat format;
    format.name = object.value(QStringLiteral("name")).toString().trimmed();
    const QString subject = format.name.isEmpty() ? QStringLiteral("A format") : QStringLiteral("Format \"%1\"").arg(format.name);
    const auto refuse = [&](const QString &text) {
        *problem = subject + QLatin1Char(' ') + text;
        return std::nullopt;
    };
    if (format.name.isEmpty())
        return refuse(QStringLiteral("has no name"));
    format.description = object.value(QStringLiteral("description")).toString();
    format.source = object.value(QStringLiteral("source")).toString();
    format.width = object.value(QStringLiteral("width")).toInt(0);
    format.height = object.value(QStringLiteral("height")).toInt(0);
    if (format.width <= 0 || format.height <= 0)
        return refuse(QStringLiteral("needs a width and height in pixels above 0"));
    format.framesPerSecond = object.value(QStringLiteral("framesPerSecond")).toDouble(0);
    if (!(format.framesPerSecond > 0 && format.framesPerSecond <= maximumFramesPerSecond))
        return refuse(QStringLiteral("needs a frame rate above 0 and at most %1").arg(maximumFramesPerSecond));
    format.layout = object.value(QStringLiteral("sequence")).toBool(false) ? Layout::Sequence : Layout::Wrapped;

    const int rates = int(object.contains(kBytesPerFrame)) + int(object.contains(kMegabits)) + int(object.contains(kMegabytes));
    if (rates != 1)
        return refuse(QStringLiteral("needs exactly one of bytesPerFrame, megabitsPerSecond (10^6 bits) "
                                     "or megabytesPerSecond (10^6 bytes)"));
    // The one place where published units become bytes per frame.
    double bytes = 0;
    if (object.contains(kBytesPerFrame))
        bytes = object.value(kBytesPerFrame).toDouble(0);
    else if (object.contains(kMegabits))
        bytes = object.value(kMegabits).toDouble(0) * 1e6 / 8.0 / format.framesPerSecond;
    else
        bytes = object.value(kMegabytes).toDouble(0) * 1e6 / format.framesPerSecond;
    bytes = std::round(bytes);
    if (!(bytes >= double(minimumBytesPerFrame) && bytes <= double(maximumBytesPerFrame)))
        return refuse(QStringLiteral("needs a data rate of at least 4 KiB and at most 4 GiB per frame"));
    format.bytesPerFrame = quint64(bytes);
    return format;
}

} // namespace trevlamark
