#pragma once
// Reads and checks the command line of `trevlamark-cli run`. The value parsers
// are pure functions of their text; every refusal is one line that names the
// bad value and says what is allowed.

#include "cli/runoptions.h"

#include <QCommandLineOption>
#include <QString>
#include <QStringList>
#include <optional>

class QCommandLineParser;

namespace trevlamark {

class CliArguments
{
public:
    enum class Outcome { Proceed, ShowHelp, Invalid };

    // `arguments` as the process received them: program, "run", options, LOCATION.
    // A missing LOCATION is resolved to the application's test data folder, and
    // only once every other value has been accepted.
    Outcome parseRun(const QStringList &arguments);

    const RunOptions &runOptions() const { return m_runOptions; }
    QString errorText() const { return m_errorText; }
    QString helpText() const { return m_helpText; }

    // One of the eleven chunk-size display texts ("64K" ... "64MB"), any letter case.
    static std::optional<ThroughputTestOptions> parseChunkSize(const QString &text);
    // ByteAmount::parse, with the refusal worded for the command line.
    static std::optional<quint64> parseByteAmount(const QString &text, QString &problem);
    // The six fixed amounts select their option; anything else is the custom choice.
    static BytesPerCycleOptions bytesPerCycleOption(quint64 bytes);
    static std::optional<int> parseInteger(const QString &text, int minimum, int maximum);
    static std::optional<double> parseSamplingRate(const QString &text);
    // Empty when the folder can take a test directory, otherwise what is wrong.
    static QString locationProblem(const QString &path);
    // Empty when the JSON file can be written later ("-" is always fine).
    static QString jsonPathProblem(const QString &path);

    static QString allowedChunkSizesText();

    // The fio servers to run from, "HOST[:PORT][=PATH],...", PATH defaulting
    // to location; each must end up with an absolute path.
    static QCommandLineOption clientsOption();
    // --json, --no-history, --database, --quiet and --verbose: how a command
    // that runs a test shows and keeps its result.
    static QList<QCommandLineOption> outputOptions();
    // Reads those options into options; what is wrong with one, or empty.
    static QString readOutputOptions(const QCommandLineParser &parser, RunOptions &options);
    static std::optional<QList<FioClient>> parseClients(const QString &text, const QString &location, QString &problem);

    static constexpr int maximumQueueDepth = 256;
    static constexpr double minimumSamplingRateSeconds = 0.01;
    static constexpr double maximumSamplingRateSeconds = 60.0;

private:
    Outcome refuse(const QString &text);

    RunOptions m_runOptions;
    QString m_errorText;
    QString m_helpText;
};

} // namespace trevlamark
