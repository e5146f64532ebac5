#include "cli/formatscommand.h"

#include "cli/commandoutput.h"
#include "engine/mediaformatcatalog.h"
#include "settings/preferencesmanager.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace trevlamark {

namespace {

QList<MediaFormat> savedFormats()
{
    QString problem;
    return MediaFormatCatalog::parse(PreferencesManager::customMediaFormats().toUtf8(), &problem)
        .value_or(QList<MediaFormat>());
}

} // namespace

std::optional<QList<MediaFormat>> FormatsCommand::load(const QString &formatFile, QString *problem)
{
    QList<MediaFormat> formats = MediaFormatCatalog::available();
    if (formatFile.isEmpty())
        return formats;
    const std::optional<QList<MediaFormat>> fromFile = MediaFormatCatalog::readFile(formatFile, problem);
    if (!fromFile)
        return std::nullopt;
    return MediaFormatCatalog::merged(formats, *fromFile);
}

QString FormatsCommand::table(const QList<MediaFormat> &formats)
{
    QList<QStringList> rows{{QStringLiteral("Format"), QStringLiteral("Files"), QStringLiteral("Size"),
        QStringLiteral("fps"), QStringLiteral("Bytes/frame"), QStringLiteral("MB/s"), QStringLiteral("Source")}};
    for (const MediaFormat &format : formats) {
        rows.append({format.name, format.layoutText(), format.resolutionText(),
            QString::number(format.framesPerSecond, 'g', 6), QString::number(format.bytesPerFrame),
            QString::number(format.megabytesPerSecond(), 'f', 2),
            format.custom ? QStringLiteral("custom") : format.source});
    }
    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row.at(i).size());
    }
    QString text = QStringLiteral("MB/s = 1,048,576 bytes per second; published rates converted from their own units.\n");
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += (i == 4 || i == 5 ? row.at(i).rightJustified(widths.at(i)) : row.at(i).leftJustified(widths.at(i)))
                + QStringLiteral("  ");
        text += line.trimmed() + QLatin1Char('\n');
    }
    return text;
}

std::optional<MediaFormat> FormatsCommand::custom(const QString &name, const QString &resolution, const QString &fps,
    const QString &bytesPerFrame, const QString &megabitsPerSecond, bool sequence, QString *problem)
{
    static const QRegularExpression size(QStringLiteral("^([0-9]{1,6})x([0-9]{1,6})$"));
    const QRegularExpressionMatch match = size.match(resolution.trimmed().toLower());
    if (!match.hasMatch()) {
        *problem = QStringLiteral("Resolution \"%1\" is not WIDTHxHEIGHT; allowed: pixels such as 3840x2160").arg(resolution);
        return std::nullopt;
    }
    const std::optional<double> rate = PreferencesManager::parseDouble(fps);
    if (!rate) {
        *problem = QStringLiteral("Frame rate \"%1\" is not a number; allowed: frames per second such as 29.97").arg(fps);
        return std::nullopt;
    }
    QJsonObject object{{QStringLiteral("name"), name}, {QStringLiteral("width"), match.captured(1).toInt()},
        {QStringLiteral("height"), match.captured(2).toInt()}, {QStringLiteral("framesPerSecond"), *rate},
        {QStringLiteral("sequence"), sequence}};
    if (bytesPerFrame.isEmpty() == megabitsPerSecond.isEmpty()) {
        *problem = QStringLiteral("Give the rate as exactly one of --bytes-per-frame or --mbps");
        return std::nullopt;
    }
    const QString rateText = bytesPerFrame.isEmpty() ? megabitsPerSecond : bytesPerFrame;
    const std::optional<double> value = PreferencesManager::parseDouble(rateText);
    if (!value) {
        *problem = QStringLiteral("Rate \"%1\" is not a number").arg(rateText);
        return std::nullopt;
    }
    object.insert(bytesPerFrame.isEmpty() ? QStringLiteral("megabitsPerSecond") : QStringLiteral("bytesPerFrame"), *value);
    std::optional<MediaFormat> format = MediaFormat::fromJson(object, problem);
    if (format)
        format->custom = true;
    return format;
}

int FormatsCommand::execute(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the media formats whose streams the estimate counts and the paced test plays.\n"
        "  formats [list]                 the shipped formats and your own\n"
        "  formats add NAME --resolution WxH --fps F (--bytes-per-frame N | --mbps R) [--sequence]\n"
        "  formats remove NAME            forget one of your own"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("list: print JSON."));
    const QCommandLineOption fileOption(QStringLiteral("format-file"),
        QStringLiteral("list: also the formats of this JSON file ({\"formats\": [...]})."), QStringLiteral("PATH"));
    const QCommandLineOption resolutionOption(QStringLiteral("resolution"), QStringLiteral("add: WIDTHxHEIGHT."),
        QStringLiteral("WxH"));
    const QCommandLineOption fpsOption(QStringLiteral("fps"), QStringLiteral("add: frames per second."), QStringLiteral("F"));
    const QCommandLineOption bytesOption(QStringLiteral("bytes-per-frame"), QStringLiteral("add: bytes one frame takes."),
        QStringLiteral("N"));
    const QCommandLineOption mbpsOption(QStringLiteral("mbps"),
        QStringLiteral("add: the data rate in Mb/s (10^6 bits per second)."), QStringLiteral("R"));
    const QCommandLineOption sequenceOption(QStringLiteral("sequence"),
        QStringLiteral("add: a frame sequence, one file per frame (DPX, EXR, TIFF)."));
    parser.addOptions({jsonOption, fileOption, resolutionOption, fpsOption, bytesOption, mbpsOption, sequenceOption});
    parser.addPositionalArgument(QStringLiteral("formats"), QStringLiteral("List the media formats."),
        QStringLiteral("formats"));
    parser.addPositionalArgument(QStringLiteral("ACTION"), QStringLiteral("list, add NAME or remove NAME."),
        QStringLiteral("[ACTION [NAME]]"));
    int exitStatus = 0;
    if (!CommandOutput::parse(parser, arguments, QStringLiteral("formats"), &exitStatus))
        return exitStatus;
    const QString command = QStringLiteral("formats");
    const QString action = CommandOutput::positionalCount(parser, command) == 0
        ? QStringLiteral("list") : CommandOutput::positionalAfter(parser, command, 0);
    const QString name = CommandOutput::positionalAfter(parser, command, 1).trimmed();
    const qsizetype wanted = action == QLatin1String("list") ? 1 : 2;
    if (action != QLatin1String("list") && action != QLatin1String("add") && action != QLatin1String("remove"))
        return CommandOutput::refuse(QStringLiteral("unknown formats action \"%1\"; allowed: list, add, remove").arg(action));
    if (CommandOutput::positionalCount(parser, command) > wanted || (wanted == 2 && name.isEmpty()))
        return CommandOutput::refuse(QStringLiteral("formats %1 takes %2; see trevlamark-cli formats --help")
                                         .arg(action, wanted == 2 ? QStringLiteral("one NAME") : QStringLiteral("no NAME")));

    QString problem;
    if (action == QLatin1String("list")) {
        const std::optional<QList<MediaFormat>> formats = load(parser.value(fileOption), &problem);
        if (!formats)
            return CommandOutput::refuse(problem);
        if (!parser.isSet(jsonOption))
            return CommandOutput::write(stdout, table(*formats)) ? 0 : 1;
        QJsonArray array;
        for (const MediaFormat &format : *formats)
            array.append(format.toJson());
        return CommandOutput::write(stdout, QString::fromUtf8(QJsonDocument(array).toJson())) ? 0 : 1;
    }

    QList<MediaFormat> saved = savedFormats();
    const auto sameName = [&name](const MediaFormat &format) { return format.name.compare(name, Qt::CaseInsensitive) == 0; };
    if (action == QLatin1String("remove")) {
        if (saved.removeIf(sameName) == 0)
            return CommandOutput::refuse(QStringLiteral("there is no format of your own named \"%1\"").arg(name));
        PreferencesManager::setCustomMediaFormats(QString::fromUtf8(MediaFormatCatalog::toJson(saved)));
        CommandOutput::writeLine(stdout, QStringLiteral("Removed format \"%1\"").arg(name));
        return 0;
    }
    const std::optional<MediaFormat> format = custom(name, parser.value(resolutionOption), parser.value(fpsOption),
        parser.value(bytesOption), parser.value(mbpsOption), parser.isSet(sequenceOption), &problem);
    if (!format)
        return CommandOutput::refuse(problem);
    saved.removeIf(sameName);
    saved.append(*format);
    PreferencesManager::setCustomMediaFormats(QString::fromUtf8(MediaFormatCatalog::toJson(saved)));
    CommandOutput::writeLine(stdout, QStringLiteral("Saved format \"%1\": %2 bytes per frame, %3 MB/s")
                                         .arg(format->name)
                                         .arg(format->bytesPerFrame)
                                         .arg(format->megabytesPerSecond(), 0, 'f', 2));
    return 0;
}

} // namespace trevlamark
