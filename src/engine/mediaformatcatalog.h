#pragma once
// The formats a user can pick: those shipped with the program (a resource
// file that names each figure's source) and the user's own, kept in the
// preferences as JSON or read from a file.

#include "engine/mediaformat.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace trevlamark {

class MediaFormatCatalog
{
public:
    MediaFormatCatalog() = delete;

    static QList<MediaFormat> builtIn();
    // {"formats": [...]} or a bare array of formats, each marked custom.
    // Nothing, with the reason in problem, for text that is not such a list.
    static std::optional<QList<MediaFormat>> parse(const QByteArray &json, QString *problem);
    static std::optional<QList<MediaFormat>> readFile(const QString &path, QString *problem);
    static QByteArray toJson(const QList<MediaFormat> &formats);
    // The shipped formats, then the user's; a user's format of the same name takes the shipped one's place.
    static QList<MediaFormat> merged(const QList<MediaFormat> &shipped, const QList<MediaFormat> &custom);
    // The shipped formats and those saved in the preferences; a saved list
    // that no longer parses is left out rather than hiding the shipped ones.
    static QList<MediaFormat> available();
    // By name, in any letter case.
    static std::optional<MediaFormat> find(const QList<MediaFormat> &formats, const QString &name);
};

} // namespace trevlamark
