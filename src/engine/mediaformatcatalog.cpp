#include "engine/mediaformatcatalog.h"

#include "platform/logcategories.h"
#include "settings/preferencesmanager.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

// The resource lives in a static library: it must be registered by hand, and
// outside any namespace.
static void registerMediaFormatResource()
{
    Q_INIT_RESOURCE(mediaformats);
}

namespace trevlamark {

namespace {

std::optional<QList<MediaFormat>> parseList(const QByteArray &json, bool custom, QString *problem)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        *problem = QStringLiteral("not JSON: %1 at offset %2").arg(error.errorString()).arg(error.offset);
        return std::nullopt;
    }
    const QJsonArray array = document.isArray() ? document.array()
                                                : document.object().value(QStringLiteral("formats")).toArray();
    if (!document.isArray() && !document.object().value(QStringLiteral("formats")).isArray()) {
        *problem = QStringLiteral("no list of formats: expected [...] or {\"formats\": [...]}");
        return std::nullopt;
    }
    QList<MediaFormat> formats;
    for (const QJsonValue &value : array) {
        std::optional<MediaFormat> format = MediaFormat::fromJson(value.toObject(), problem);
        if (!format)
            return std::nullopt;
        format->custom = custom;
        if (MediaFormatCatalog::find(formats, format->name)) {
            *problem = QStringLiteral("Format \"%1\" is listed twice").arg(format->name);
            return std::nullopt;
        }
        formats.append(*format);
    }
    return formats;
}

} // namespace

QList<MediaFormat> MediaFormatCatalog::builtIn()
{
    static const QList<MediaFormat> formats = [] {
        registerMediaFormatResource();
        QFile file(QStringLiteral(":/trevlamark/mediaformats.json"));
        QString problem;
        std::optional<QList<MediaFormat>> list;
        if (file.open(QIODevice::ReadOnly))
            list = parseList(file.readAll(), false, &problem);
        else
            problem = file.errorString();
        // The file is built into the program: a failure here is a build fault.
        if (!list)
            qCCritical(lcEngine).noquote() << QStringLiteral("The shipped media formats cannot be read: ") + problem;
        return list.value_or(QList<MediaFormat>());
    }();
    return formats;
}

std::optional<QList<MediaFormat>> MediaFormatCatalog::parse(const QByteArray &json, QString *problem)
{
    return parseList(json, true, problem);
}

std::optional<QList<MediaFormat>> MediaFormatCatalog::readFile(const QString &path, QString *problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("cannot read \"%1\": %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QString reason;
    std::optional<QList<MediaFormat>> formats = parse(file.readAll(), &reason);
    if (!formats)
        *problem = QStringLiteral("\"%1\": %2").arg(path, reason);
    return formats;
}

QByteArray MediaFormatCatalog::toJson(const QList<MediaFormat> &formats)
{
    QJsonArray array;
    for (const MediaFormat &format : formats)
        array.append(format.toJson());
    return QJsonDocument(QJsonObject{{QStringLiteral("formats"), array}}).toJson(QJsonDocument::Compact);
}

QList<MediaFormat> MediaFormatCatalog::merged(const QList<MediaFormat> &shipped, const QList<MediaFormat> &custom)
{
    QList<MediaFormat> formats;
    for (const MediaFormat &format : shipped) {
        if (!find(custom, format.name))
            formats.append(format);
    }
    formats.append(custom);
    return formats;
}

QList<MediaFormat> MediaFormatCatalog::available()
{
    const QString saved = PreferencesManager::customMediaFormats();
    if (saved.isEmpty())
        return builtIn();
    QString problem;
    const std::optional<QList<MediaFormat>> custom = parse(saved.toUtf8(), &problem);
    if (!custom)
        qCWarning(lcEngine).noquote() << QStringLiteral("The saved custom media formats are left out: ") + problem;
    return merged(builtIn(), custom.value_or(QList<MediaFormat>()));
}

std::optional<MediaFormat> MediaFormatCatalog::find(const QList<MediaFormat> &formats, const QString &name)
{
    for (const MediaFormat &format : formats) {
        if (format.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return format;
    }
    return std::nullopt;
}

} // namespace trevlamark
