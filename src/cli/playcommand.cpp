#include "cli/playcommand.h"

#include "cli/cliarguments.h"
#include "cli/commandoutput.h"
#include "cli/findmaxcommand.h"
#include "cli/formatscommand.h"
#include "cli/runcommand.h"
#include "engine/mediaformatcatalog.h"
#include "platform/volumecapacity.h"
#include "settings/preferencesmanager.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace trevlamark {

namespace {

QString sizeText(quint64 bytes)
{
    return QLocale::c().formattedDataSize(qint64(bytes), 2, QLocale::DataSizeIecFormat);
}

} // namespace

std::optional<RunOptions> PlayCommand::parse(const QStringList &arguments, QString *problem, QString *help)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays or records N streams of a media format in LOCATION, each on its own frame clock, and counts\n"
        "every frame that completes later than its slot plus the buffer. \"trevlamark-cli formats\" lists the formats."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const int defaultBuffer = PreferencesManager::pacedBufferFrames();
    const QCommandLineOption formatOption(QStringLiteral("format"), QStringLiteral("The media format's name."),
        QStringLiteral("NAME"));
    const QCommandLineOption streamsOption(QStringLiteral("streams"),
        QStringLiteral("Streams at once, 1 to %1.").arg(maximumStreams), QStringLiteral("N"));
    const QCommandLineOption durationOption(QStringLiteral("duration"),
        QStringLiteral("Seconds of frames per stream (default %1).").arg(defaultDurationSeconds), QStringLiteral("S"),
        QString::number(defaultDurationSeconds));
    const QCommandLineOption captureOption(QStringLiteral("capture"), QStringLiteral("Record: write the frames."));
    const QCommandLineOption playbackOption(QStringLiteral("playback"),
        QStringLiteral("Play: read frames written before the timed part (the default)."));
    const QCommandLineOption bothOption(QStringLiteral("both"),
        QStringLiteral("Record, then play back what was recorded."));
    const QCommandLineOption bufferOption(QStringLiteral("buffer"),
        QStringLiteral("Frames a player or recorder holds; a frame later than its slot plus these is late "
                       "(default %1).").arg(defaultBuffer),
        QStringLiteral("FRAMES"), QString::number(defaultBuffer));
    const QCommandLineOption cacheOption(QStringLiteral("cache"),
        QStringLiteral("Use the file-system cache (default: bypass it)."));
    const QCommandLineOption verifyOption(QStringLiteral("verify"),
        QStringLiteral("Check every frame read against what the run wrote; a difference fails the run."));
    const QCommandLineOption formatFileOption(QStringLiteral("format-file"),
        QStringLiteral("Also the media formats of this JSON file."), QStringLiteral("PATH"));
    const QCommandLineOption findMaxOption(QStringLiteral("find-max"),
        QStringLiteral("Search for the most streams with no late frame, each step a paced run of the duration "
                       "(default %1 s), starting from --streams or the estimate of the last test here.")
            .arg(defaultFindMaxStepSeconds));
    const QCommandLineOption clientsOption = CliArguments::clientsOption();
    parser.addOption(findMaxOption);
    parser.addOption(clientsOption);
    parser.addOptions({formatOption, streamsOption, durationOption, captureOption, playbackOption, bothOption,
        bufferOption, cacheOption, verifyOption, formatFileOption});
    parser.addOptions(CliArguments::outputOptions());
    parser.addPositionalArgument(QStringLiteral("play"), QStringLiteral("Play paced media streams."), QStringLiteral("play"));
    parser.addPositionalArgument(QStringLiteral("LOCATION"), QStringLiteral("Folder to play in."));
    const auto refuse = [problem](const QString &text) {
        *problem = text;
        return std::nullopt;
    };
    if (!parser.parse(arguments))
        return refuse(parser.errorText() + QStringLiteral(" See trevlamark-cli play --help."));
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        *help = parser.helpText();
        return std::nullopt;
    }
    QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty() && positional.constFirst() == QLatin1String("play"))
        positional.removeFirst();
    if (positional.size() != 1)
        return refuse(QStringLiteral("play needs exactly one LOCATION; allowed: an existing directory you may write to"));
    // With clients LOCATION is where they find the share; this computer need not see it.
    const bool fromClients = parser.isSet(clientsOption);
    const QString locationProblem = fromClients ? QString() : CliArguments::locationProblem(positional.constFirst());
    if (!locationProblem.isEmpty())
        return refuse(locationProblem);

    QString formatProblem;
    const std::optional<QList<MediaFormat>> formats = FormatsCommand::load(parser.value(formatFileOption), &formatProblem);
    if (!formats)
        return refuse(QStringLiteral("Format file ") + formatProblem);
    if (!parser.isSet(formatOption))
        return refuse(QStringLiteral("play needs --format NAME; \"trevlamark-cli formats\" lists them"));
    const std::optional<MediaFormat> format = MediaFormatCatalog::find(*formats, parser.value(formatOption));
    if (!format)
        return refuse(QStringLiteral("Unknown format \"%1\"; \"trevlamark-cli formats\" lists them").arg(parser.value(formatOption)));

    const bool findMax = parser.isSet(findMaxOption);
    if (!parser.isSet(streamsOption) && !findMax)
        return refuse(QStringLiteral("play needs --streams N; allowed: a whole number from 1 to %1").arg(maximumStreams));
    const std::optional<int> streams = parser.isSet(streamsOption)
        ? CliArguments::parseInteger(parser.value(streamsOption), 1, maximumStreams)
        : std::optional<int>(0);
    if (!streams)
        return refuse(QStringLiteral("Streams \"%1\" is out of range; allowed: a whole number from 1 to %2")
                          .arg(parser.value(streamsOption)).arg(maximumStreams));
    const QString durationText = findMax && !parser.isSet(durationOption) ? QString::number(defaultFindMaxStepSeconds)
                                                                          : parser.value(durationOption);
    const std::optional<double> duration = PreferencesManager::parseDouble(durationText);
    if (!duration || !(*duration > 0 && *duration <= maximumDurationSeconds))
        return refuse(QStringLiteral("Duration \"%1\" is out of range; allowed: seconds above 0 and at most %2")
                          .arg(durationText).arg(maximumDurationSeconds));
    const std::optional<int> buffer = CliArguments::parseInteger(parser.value(bufferOption), 1, maximumBufferFrames);
    if (!buffer)
        return refuse(QStringLiteral("Buffer \"%1\" is not a whole number of frames from 1 to %2; a buffer under 1 frame "
                                     "would call every frame late").arg(parser.value(bufferOption)).arg(maximumBufferFrames));
    const int directions = int(parser.isSet(captureOption)) + int(parser.isSet(playbackOption)) + int(parser.isSet(bothOption));
    if (directions > 1)
        return refuse(QStringLiteral("--capture, --playback and --both exclude each other; allowed: one of them"));

    RunOptions options;
    TestRequest &request = options.request;
    if (fromClients) {
        QString clientsProblem;
        const QString location = QDir::cleanPath(positional.constFirst());
        const std::optional<QList<FioClient>> clients = CliArguments::parseClients(parser.value(clientsOption), location,
            clientsProblem);
        if (!clients)
            return refuse(clientsProblem);
        if (format->layout == MediaFormat::Layout::Sequence)
            return refuse(QStringLiteral("Format \"%1\" is a frame sequence, which fio clients cannot pace; allowed: a "
                                         "wrapped format, or no --clients").arg(format->name));
        if (parser.isSet(verifyOption))
            return refuse(QStringLiteral("--verify checks frames read on this computer; allowed: no --verify with --clients"));
        request.clients = *clients;
    }
    request.locationPath = fromClients ? QDir::cleanPath(positional.constFirst())
                                       : QDir::cleanPath(QFileInfo(positional.constFirst()).absoluteFilePath());
    request.totalCycles = 1;
    request.disableCache = !parser.isSet(cacheOption);
    request.verifyData = parser.isSet(verifyOption);
    request.writePhaseEnabled = parser.isSet(captureOption) || parser.isSet(bothOption);
    request.readPhaseEnabled = !parser.isSet(captureOption);
    request.paced = PacedRequest{*format, std::max(1, *streams), *duration, *buffer};
    options.findMax = findMax;

    // Every frame of every stream stays until the run ends.
    const quint64 needed = request.paced->bytesNeeded(request.disableCache);
    // The search starts from the estimate unless given a count.
    request.paced->streams = *streams == 0 ? 0 : request.paced->streams;
    QString capacityProblem;
    // The clients' free space is theirs to know.
    const std::optional<VolumeCapacity> capacity = fromClients
        ? std::nullopt
        : VolumeCapacity::read(request.locationPath, &capacityProblem);
    if (capacity && quint64(std::max<qint64>(0, capacity->availableBytes)) < needed) {
        return refuse(QStringLiteral("Location \"%1\" has %2 free; %3 streams of %4 for %5 s need %6; allowed: fewer "
                                     "streams or a shorter --duration")
                          .arg(request.locationPath, sizeText(quint64(std::max<qint64>(0, capacity->availableBytes))))
                          .arg(std::max(1, *streams))
                          .arg(format->name)
                          .arg(*duration)
                          .arg(sizeText(needed)));
    }

    if (const QString outputProblem = CliArguments::readOutputOptions(parser, options); !outputProblem.isEmpty())
        return refuse(outputProblem);
    return options;
}

int PlayCommand::execute(const QStringList &arguments)
{
    QString problem;
    QString help;
    const std::optional<RunOptions> options = parse(arguments, &problem, &help);
    if (!options && !help.isEmpty()) {
        CommandOutput::write(stdout, help);
        return 0;
    }
    if (!options)
        return CommandOutput::refuse(problem);
    return options->findMax ? FindMaxCommand::run(*options) : RunCommand::run(*options);
}

} // namespace trevlamark
