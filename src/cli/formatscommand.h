#pragma once
// `trevlamark-cli formats`: lists the media formats (shipped, saved and from
// --format-file), and adds or removes the user's own, which are kept in the
// preferences so the window sees them too.

#include "engine/mediaformat.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace trevlamark {

class FormatsCommand
{
public:
    FormatsCommand() = delete;

    static int execute(const QStringList &arguments);
    // The formats a command can use: shipped, saved and those of formatFile
    // (empty: none). Nothing, with the reason in problem, when the file cannot be used.
    static std::optional<QList<MediaFormat>> load(const QString &formatFile, QString *problem);
    // One line per format: name, layout, resolution, fps, bytes per frame, MB/s, source.
    static QString table(const QList<MediaFormat> &formats);
    // A custom format from the values of `formats add`; nothing, with the reason, when one is bad.
    static std::optional<MediaFormat> custom(const QString &name, const QString &resolution, const QString &fps,
        const QString &bytesPerFrame, const QString &megabitsPerSecond, bool sequence, QString *problem);
};

} // namespace trevlamark
