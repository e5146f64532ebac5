#include "cli/cliarguments.h"

#include "settings/preferencesmanager.h"
#include "engine/byteamount.h"
#include "engine/mediaformatcatalog.h"
#include "history/databaselocation.h"
#include "platform/platformpaths.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <climits>
#include <limits>
#include <unistd.h>

namespace trevlamark {

namespace {

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

const QString kAmountAllowed = QStringLiteral(
    "allowed: a whole number above 0 with unit MB, GB or TB (1024-based), such as 512MB, 3GB or 1TB");

} // namespace

std::optional<ThroughputTestOptions> CliArguments::parseChunkSize(const QString &text)
{
    for (ThroughputTestOptions option : allThroughputTestOptions()) {
        if (displayText(option).compare(text, Qt::CaseInsensitive) == 0)
            return option;
    }
    return std::nullopt;
}

QString CliArguments::allowedChunkSizesText()
{
    QStringList texts;
    for (ThroughputTestOptions option : allThroughputTestOptions())
        texts.append(displayText(option));
    return texts.join(QStringLiteral(", "));
}

std::optional<quint64> CliArguments::parseByteAmount(const QString &text, QString &problem)
{
    const ByteAmount::Parsed parsed = ByteAmount::parse(text);
    if (parsed.bytes)
        return parsed.bytes;
    switch (parsed.refusal) {
    case ByteAmount::Refusal::NotAnAmount:
        problem = QStringLiteral("Bytes per cycle %1 is not an amount; %2").arg(quoted(text), kAmountAllowed);
        break;
    case ByteAmount::Refusal::Zero:
        problem = QStringLiteral("Bytes per cycle %1 is zero; %2").arg(quoted(text), kAmountAllowed);
        break;
    case ByteAmount::Refusal::TooLarge:
        problem = QStringLiteral("Bytes per cycle %1 does not fit in 64 bits; allowed: at most %2%3")
                      .arg(quoted(text))
                      .arg(ByteAmount::largestCount(parsed.unit))
                      .arg(ByteAmount::unitText(parsed.unit));
        break;
    }
    return std::nullopt;
}

BytesPerCycleOptions CliArguments::bytesPerCycleOption(quint64 bytes)
{
    for (BytesPerCycleOptions option : allBytesPerCycleOptions()) {
        if (option != BytesPerCycleOptions::custom && quint64(static_cast<qint64>(option)) == bytes)
            return option;
    }
    return BytesPerCycleOptions::custom;
}

std::optional<int> CliArguments::parseInteger(const QString &text, int minimum, int maximum)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < minimum || value > maximum)
        return std::nullopt;
    return int(value);
}

std::optional<double> CliArguments::parseSamplingRate(const QString &text)
{
    const std::optional<double> value = PreferencesManager::parseDouble(text);
    // The comparisons also refuse NaN and the infinities.
    if (!value || !(*value >= minimumSamplingRateSeconds && *value <= maximumSamplingRateSeconds))
        return std::nullopt;
    return value;
}

QCommandLineOption CliArguments::clientsOption()
{
    return QCommandLineOption(QStringLiteral("clients"),
        QStringLiteral("Run the test from these machines at once, each running \"fio --server\" (port %1 unless\n"
                       "given); PATH is LOCATION as that machine sees it (default: LOCATION itself).")
            .arg(FioClient::defaultPort),
        QStringLiteral("HOST[:PORT][=PATH],..."));
}

QList<QCommandLineOption> CliArguments::outputOptions()
{
    return {
        QCommandLineOption(QStringLiteral("json"),
            QStringLiteral("Also write the whole result as JSON to PATH (\"-\": standard output)."), QStringLiteral("PATH")),
        QCommandLineOption(QStringLiteral("no-history"), QStringLiteral("Do not save the run in the history.")),
        QCommandLineOption(QStringLiteral("database"),
            QStringLiteral("Save the run in this history: a postgresql://user@host[:port]/database URL or an SQLite "
                           "file (default: the team database of the settings, else the local history file)."),
            QStringLiteral("URL")),
        QCommandLineOption(QStringLiteral("quiet"), QStringLiteral("Show no progress.")),
        QCommandLineOption(QStringLiteral("verbose"), QStringLiteral("Show the engine's diagnostic lines on standard error.")),
    };
}

QString CliArguments::readOutputOptions(const QCommandLineParser &parser, RunOptions &options)
{
    if (parser.isSet(QStringLiteral("json"))) {
        options.jsonPath = parser.value(QStringLiteral("json"));
        if (const QString problem = jsonPathProblem(options.jsonPath); !problem.isEmpty())
            return problem;
    }
    options.saveHistory = !parser.isSet(QStringLiteral("no-history"));
    if (parser.isSet(QStringLiteral("database"))) {
        options.databaseText = parser.value(QStringLiteral("database"));
        QString databaseProblem;
        if (!DatabaseLocation::parse(options.databaseText, &databaseProblem))
            return databaseProblem;
    }
    options.quiet = parser.isSet(QStringLiteral("quiet"));
    options.verbose = parser.isSet(QStringLiteral("verbose"));
    return {};
}

std::optional<QList<FioClient>> CliArguments::parseClients(const QString &text, const QString &location, QString &problem)
{
    std::optional<QList<FioClient>> clients = FioClient::parseList(text, location, problem);
    if (!clients) {
        problem += QStringLiteral("; allowed: HOST[:PORT][=PATH],...");
        return std::nullopt;
    }
    for (const FioClient &client : *clients) {
        if (!QDir::isAbsolutePath(client.locationPath)) {
            problem = QStringLiteral("Client %1 has no absolute location; allowed: LOCATION or HOST=PATH with an "
                                     "absolute PATH").arg(client.name());
            return std::nullopt;
        }
    }
    return clients;
}

QString CliArguments::locationProblem(const QString &path)
{
    const QFileInfo info(path);
    const QString allowed = QStringLiteral("allowed: an existing directory you may write to");
    if (!info.exists())
        return QStringLiteral("Location %1 does not exist; %2").arg(quoted(path), allowed);
    if (!info.isDir())
        return QStringLiteral("Location %1 is not a directory; %2").arg(quoted(path), allowed);
    if (::access(QFile::encodeName(path).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("Location %1 is not writable; %2").arg(quoted(path), allowed);
    return {};
}

QString CliArguments::jsonPathProblem(const QString &path)
{
    if (path == QLatin1String("-"))
        return {};
    const QString allowed = QStringLiteral("allowed: \"-\" for standard output or a file in a writable directory");
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("JSON path %1 is a directory; %2").arg(quoted(path), allowed);
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir()
        || ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("JSON path %1 is not in a writable directory; %2").arg(quoted(path), allowed);
    return {};
}

CliArguments::Outcome CliArguments::refuse(const QString &text)
{
    m_errorText = text;
    return Outcome::Invalid;
}

CliArguments::Outcome CliArguments::parseRun(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs a streaming I/O test in LOCATION: each cycle writes the bytes per cycle in chunk-size\n"
        "operations over queue-depth files, then reads them back, and the test data is removed."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const TestRequest defaults;
    const QString defaultChunk = displayText(defaults.chunkSize);
    const QString defaultQueueDepth = QString::number(defaults.queueDepth);
    const QString defaultBytes = displayText(defaults.bytesPerCycle);
    const QCommandLineOption chunkOption(QStringLiteral("chunk"),
        QStringLiteral("Size of one I/O operation: %1 (default %2).").arg(allowedChunkSizesText(), defaultChunk),
        QStringLiteral("SIZE"), defaultChunk);
    const QCommandLineOption queueDepthOption(QStringLiteral("queue-depth"),
        QStringLiteral("Test files per phase and operations in flight, 1 to %1 (default %2).")
            .arg(maximumQueueDepth).arg(defaultQueueDepth),
        QStringLiteral("N"), defaultQueueDepth);
    const QCommandLineOption bytesOption(QStringLiteral("bytes"),
        QStringLiteral("Data per cycle: 512MB, 1GB, 2GB, 4GB, 8GB, 16GB or any other amount in MB, GB or TB, "
                       "1024-based (default %1).").arg(defaultBytes),
        QStringLiteral("AMOUNT"), defaultBytes);
    const QCommandLineOption cyclesOption(QStringLiteral("cycles"),
        QStringLiteral("Number of write/read cycles, at least 1 (default %1).").arg(defaults.totalCycles), QStringLiteral("N"),
        QString::number(defaults.totalCycles));
    const QCommandLineOption noWriteOption(QStringLiteral("no-write"),
        QStringLiteral("Skip the write phase after the first cycle's data has been written."));
    const QCommandLineOption noReadOption(QStringLiteral("no-read"), QStringLiteral("Skip the read phase."));
    const QCommandLineOption cacheOption(QStringLiteral("cache"),
        QStringLiteral("Use the file-system cache (default: bypass it)."));
    const QCommandLineOption verifyOption(QStringLiteral("verify"),
        QStringLiteral("Check every chunk read against what the run wrote there; a difference fails the run."));
    const QCommandLineOption samplingOption(QStringLiteral("sampling-rate"),
        QStringLiteral("Seconds between throughput samples, %1 to %2 (default %3).")
            .arg(minimumSamplingRateSeconds).arg(maximumSamplingRateSeconds).arg(defaults.samplingRateSeconds),
        QStringLiteral("SECONDS"), QString::number(defaults.samplingRateSeconds));
    const QCommandLineOption clientsOption = CliArguments::clientsOption();
    parser.addOptions({chunkOption, queueDepthOption, bytesOption, cyclesOption, noWriteOption, noReadOption,
                       cacheOption, verifyOption, samplingOption, clientsOption});
    parser.addOptions(outputOptions());
    const QCommandLineOption fioJobOption(QStringLiteral("fio-job"),
        QStringLiteral("Print the fio job file that repeats this run's shape, and run nothing."));
    const QCommandLineOption playsOption(QStringLiteral("plays"),
        QStringLiteral("Also estimate how many streams of each media format the write and read rates carry."));
    const QCommandLineOption formatFileOption(QStringLiteral("format-file"),
        QStringLiteral("With --plays: also the media formats of this JSON file."), QStringLiteral("PATH"));
    parser.addOptions({fioJobOption, playsOption, formatFileOption});
    parser.addPositionalArgument(QStringLiteral("run"), QStringLiteral("Run a streaming I/O test."),
                                 QStringLiteral("run"));
    parser.addPositionalArgument(QStringLiteral("LOCATION"),
        QStringLiteral("Folder to test in (default: the application's test data folder)."),
        QStringLiteral("[LOCATION]"));
    m_helpText = parser.helpText();

    if (!parser.parse(arguments))
        return refuse(parser.errorText() + QStringLiteral(" See trevlamark-cli run --help."));
    // Qt adds --help-all beside --help; both only show the help.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all")))
        return Outcome::ShowHelp;

    QStringList positional = parser.positionalArguments();
    // `check` takes the same options, to check the run they describe.
    if (!positional.isEmpty()
        && (positional.constFirst() == QLatin1String("run") || positional.constFirst() == QLatin1String("check")))
        positional.removeFirst();
    if (positional.size() > 1)
        return refuse(QStringLiteral("Unexpected argument %1; allowed: one LOCATION")
                          .arg(quoted(positional.at(1))));

    RunOptions options;
    const QString chunkText = parser.value(chunkOption);
    const std::optional<ThroughputTestOptions> chunk = parseChunkSize(chunkText);
    if (!chunk)
        return refuse(QStringLiteral("Unknown chunk size %1; allowed: %2").arg(quoted(chunkText),
                                                                             allowedChunkSizesText()));
    options.request.chunkSize = *chunk;

    const QString queueDepthText = parser.value(queueDepthOption);
    const std::optional<int> queueDepth = parseInteger(queueDepthText, 1, maximumQueueDepth);
    if (!queueDepth)
        return refuse(QStringLiteral("Queue depth %1 is out of range; allowed: a whole number from 1 to %2")
                          .arg(quoted(queueDepthText)).arg(maximumQueueDepth));
    options.request.queueDepth = *queueDepth;

    QString amountProblem;
    const QString bytesText = parser.value(bytesOption);
    const std::optional<quint64> bytes = parseByteAmount(bytesText, amountProblem);
    if (!bytes)
        return refuse(amountProblem);
    options.request.bytesPerCycle = bytesPerCycleOption(*bytes);
    options.request.customBytesPerCycle = options.request.bytesPerCycle == BytesPerCycleOptions::custom ? *bytes : 0;
    // The engine rounds a cycle down to whole chunks; less than one chunk would
    // be a run that transfers nothing and reports 0 MB/s.
    if (*bytes < quint64(chunkSizeBytes(options.request.chunkSize)))
        return refuse(QStringLiteral("Bytes per cycle %1 is smaller than the chunk size %2; allowed: at least one chunk")
                          .arg(quoted(bytesText), displayText(options.request.chunkSize)));

    const QString cyclesText = parser.value(cyclesOption);
    const std::optional<int> cycles = parseInteger(cyclesText, 1, INT_MAX);
    if (!cycles)
        return refuse(QStringLiteral("Cycles %1 is out of range; allowed: a whole number from 1 to %2")
                          .arg(quoted(cyclesText)).arg(INT_MAX));
    options.request.totalCycles = *cycles;

    options.request.writePhaseEnabled = !parser.isSet(noWriteOption);
    options.request.readPhaseEnabled = !parser.isSet(noReadOption);
    if (!options.request.writePhaseEnabled && !options.request.readPhaseEnabled)
        return refuse(QStringLiteral("--no-write and --no-read cannot be used together; allowed: at most one of them"));
    options.request.disableCache = !parser.isSet(cacheOption);
    options.request.verifyData = parser.isSet(verifyOption);

    const QString samplingText = parser.value(samplingOption);
    const std::optional<double> samplingRate = parseSamplingRate(samplingText);
    if (!samplingRate)
        return refuse(QStringLiteral("Sampling rate %1 is out of range; allowed: seconds from %2 to %3")
                          .arg(quoted(samplingText)).arg(minimumSamplingRateSeconds).arg(maximumSamplingRateSeconds));
    options.request.samplingRateSeconds = *samplingRate;

    if (const QString problem = readOutputOptions(parser, options); !problem.isEmpty())
        return refuse(problem);
    options.fioJob = parser.isSet(fioJobOption);
    options.plays = parser.isSet(playsOption);
    options.formatFile = parser.value(formatFileOption);
    if (!options.formatFile.isEmpty()) {
        QString formatProblem;
        if (!MediaFormatCatalog::readFile(options.formatFile, &formatProblem))
            return refuse(QStringLiteral("Format file ") + formatProblem);
    }

    if (parser.isSet(clientsOption)) {
        // LOCATION is then where the clients find the share; this computer need not see it.
        const QString location = positional.isEmpty() ? QString() : QDir::cleanPath(positional.constFirst());
        QString clientsProblem;
        const std::optional<QList<FioClient>> clients = parseClients(parser.value(clientsOption), location, clientsProblem);
        if (!clients)
            return refuse(clientsProblem);
        if (options.request.verifyData)
            return refuse(QStringLiteral("--verify checks data read on this computer; allowed: no --verify with --clients"));
        options.request.clients = *clients;
        options.request.locationPath = location;
        m_runOptions = options;
        return Outcome::Proceed;
    }
    const QString location = positional.isEmpty() ? PlatformPaths::testDataDirectory() : positional.constFirst();
    const QString problem = locationProblem(location);
    if (!problem.isEmpty())
        return refuse(problem);
    options.request.locationPath = QDir::cleanPath(QFileInfo(location).absoluteFilePath());

    m_runOptions = options;
    return Outcome::Proceed;
}

} // namespace trevlamark
