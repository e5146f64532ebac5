#include "cli/historycommand.h"

#include "cli/cliarguments.h"
#include "cli/commandoutput.h"
#include "engine/fiorunjob.h"
#include "cli/formatscommand.h"
#include "engine/maxstreamsfinder.h"
#include "engine/playsestimate.h"
#include "settings/preferencesmanager.h"
#include "engine/resultformatter.h"
#include "history/runcomparison.h"
#include "history/runexport.h"
#include "history/runstore.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSaveFile>
#include <QTimeZone>

#include <climits>

namespace trevlamark {

namespace {

const QStringList kActions{QStringLiteral("list"), QStringLiteral("show"), QStringLiteral("compare"),
    QStringLiteral("export"), QStringLiteral("delete")};

int failure(const QString &text)
{
    CommandOutput::printError(text);
    return 1;
}

QString sizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 2, QLocale::DataSizeIecFormat);
}

std::optional<RunQuery::SortKey> sortKeyFromText(const QString &text)
{
    static const QMap<QString, RunQuery::SortKey> keys{
        {QStringLiteral("date"), RunQuery::SortKey::FinishedAt},
        {QStringLiteral("location"), RunQuery::SortKey::LocationPath},
        {QStringLiteral("protocol"), RunQuery::SortKey::Protocol},
        {QStringLiteral("chunk"), RunQuery::SortKey::ChunkSize},
        {QStringLiteral("queue-depth"), RunQuery::SortKey::QueueDepth},
        {QStringLiteral("bytes"), RunQuery::SortKey::BytesPerCycle},
        {QStringLiteral("cycles"), RunQuery::SortKey::TotalCycles},
        {QStringLiteral("write"), RunQuery::SortKey::WriteSpeed},
        {QStringLiteral("read"), RunQuery::SortKey::ReadSpeed},
        {QStringLiteral("outcome"), RunQuery::SortKey::Outcome},
    };
    const auto it = keys.find(text);
    return it == keys.end() ? std::nullopt : std::optional<RunQuery::SortKey>(*it);
}

std::optional<qint64> parseId(const QString &text)
{
    bool ok = false;
    const qint64 id = text.toLongLong(&ok);
    return ok && id > 0 ? std::optional<qint64>(id) : std::nullopt;
}

// The runs with these ids, in the given order; a missing one is an error.
std::optional<QList<RunRecord>> findRuns(RunStore &store, const QStringList &idTexts, QString *problem)
{
    QList<RunRecord> records;
    for (const QString &text : idTexts) {
        const std::optional<qint64> id = parseId(text);
        if (!id) {
            *problem = QStringLiteral("\"%1\" is not a run ID; allowed: the number \"trevlamark-cli history\" shows")
                           .arg(text);
            return std::nullopt;
        }
        const std::optional<RunRecord> record = store.find(*id);
        if (!record) {
            *problem = store.errorText().isEmpty() ? QStringLiteral("there is no run %1 in \"%2\"")
                                                         .arg(*id)
                                                         .arg(store.location().displayText())
                                                   : store.errorText();
            return std::nullopt;
        }
        records.append(*record);
    }
    return records;
}

} // namespace

QString HistoryCommand::table(const QList<RunRecord> &records)
{
    QList<QStringList> rows{{QStringLiteral("ID"), QStringLiteral("Date"), QStringLiteral("Location"),
        QStringLiteral("Protocol"), QStringLiteral("Chunk"), QStringLiteral("QD"), QStringLiteral("Bytes/cycle"),
        QStringLiteral("Cycles"), QStringLiteral("Write MB/s"), QStringLiteral("Read MB/s"), QStringLiteral("Outcome")}};
    // One zone for all rows: toLocalTime() asks the C library, which looks at /etc/localtime, every time.
    const QTimeZone zone = QTimeZone::systemTimeZone();
    for (const RunRecord &record : records) {
        rows.append({QString::number(record.id),
            record.finishedAt.toTimeZone(zone).toString(QStringLiteral("yyyy-MM-dd HH:mm")), record.locationPath,
            record.protocol.isEmpty() ? QStringLiteral("-") : record.protocol, sizeText(record.chunkSizeBytes),
            QString::number(record.queueDepth), sizeText(record.bytesPerCycle), QString::number(record.totalCycles),
            QString::number(record.writeMegabytesPerSecond, 'f', 2),
            QString::number(record.readMegabytesPerSecond, 'f', 2), runOutcomeText(record.outcome)});
    }
    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row.at(i).size());
    }
    QString text;
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += row.at(i).leftJustified(widths.at(i)) + QStringLiteral("  ");
        text += line.trimmed() + QLatin1Char('\n');
    }
    return text;
}

QString HistoryCommand::details(const RunRecord &record)
{
    QStringList lines{
        QStringLiteral("Run %1, %2, %3").arg(record.id).arg(record.finishedAt.toLocalTime().toString(Qt::ISODate),
            runOutcomeText(record.outcome)),
        QStringLiteral("Host: %1 (Trevlamark %2, %3)").arg(record.hostName, record.programVersion, record.kernel),
        QStringLiteral("Location: %1 (%2)").arg(record.locationPath, record.fileSystemType),
    };
    if (!record.protocol.isEmpty())
        lines.append(QStringLiteral("Share: %1 //%2/%3").arg(record.protocol, record.server, record.shareName));
    if (!record.interfaceName.isEmpty()) {
        lines.append(QStringLiteral("Interface: %1 (%2, %3 Mbit/s, MTU %4)")
                         .arg(record.interfaceName, record.interfaceKind,
                             record.linkSpeedMbps ? QString::number(*record.linkSpeedMbps) : QStringLiteral("?"),
                             record.mtu ? QString::number(*record.mtu) : QStringLiteral("?")));
    }
    if (const std::optional<MountSettings> mount = record.mountSettings()) {
        lines.append(QStringLiteral("Mount: ") + mount->summary());
        for (const MountSettings::Hint &hint : mount->hints)
            lines.append(QStringLiteral("Hint: ") + hint.text);
    }
    // The result names its settings, except for a start that failed before it had them.
    const PerformanceTestResult result = record.testResult();
    if (ResultFormatter::settingsLine(result).isEmpty()) {
        lines.append(QStringLiteral("Settings: chunk %1, queue depth %2, %3 per cycle, %4 cycles, cache bypass %5")
                         .arg(sizeText(record.chunkSizeBytes))
                         .arg(record.queueDepth)
                         .arg(sizeText(record.bytesPerCycle))
                         .arg(record.totalCycles)
                         .arg(record.disableCache ? QStringLiteral("on") : QStringLiteral("off")));
    }
    lines.append(QString());
    lines.append(ResultFormatter::resultLines(result));
    // A search for the most streams: its curve as the search printed it.
    if (result.paced && !result.paced->searchSteps.isEmpty()) {
        lines.append(QString());
        lines.append(MaxStreamsFinder::table(result.paced->searchSteps)
            + MaxStreamsFinder::headline(result.paced->format, result.paced->searchSteps));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

int HistoryCommand::execute(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows the stored runs. ACTION is list (the default), show ID, compare A B, export [ID...] or delete ID."));
    const QCommandLineOption databaseOption(QStringLiteral("database"),
        QStringLiteral("The history to use: a postgresql://user@host[:port]/database URL or an SQLite file "
                       "(default: the team database of the settings, else the local history file)."),
        QStringLiteral("URL"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("list, show, compare: print JSON."));
    const QCommandLineOption formatOption(QStringLiteral("format"), QStringLiteral("export: csv or json (default csv)."),
        QStringLiteral("FORMAT"), QStringLiteral("csv"));
    const QCommandLineOption outputOption(QStringLiteral("output"),
        QStringLiteral("export: write to PATH instead of standard output."), QStringLiteral("PATH"));
    const QCommandLineOption locationOption(QStringLiteral("location"),
        QStringLiteral("list, export: only runs in this folder."), QStringLiteral("PATH"));
    const QCommandLineOption searchOption(QStringLiteral("search"),
        QStringLiteral("list, export: only runs whose location, server, share or host contains TEXT."),
        QStringLiteral("TEXT"));
    const QCommandLineOption protocolOption(QStringLiteral("protocol"),
        QStringLiteral("list, export: only runs over this protocol (SMB, NFS, ...)."), QStringLiteral("NAME"));
    const QCommandLineOption outcomeOption(QStringLiteral("outcome"),
        QStringLiteral("list, export: only completed, stopped or failed runs."), QStringLiteral("OUTCOME"));
    const QCommandLineOption sortOption(QStringLiteral("sort"),
        QStringLiteral("list: date, location, protocol, chunk, queue-depth, bytes, cycles, write, read or outcome "
                       "(default date, newest first)."),
        QStringLiteral("KEY"), QStringLiteral("date"));
    const QCommandLineOption ascendingOption(QStringLiteral("ascending"), QStringLiteral("list: smallest first."));
    const QCommandLineOption limitOption(QStringLiteral("limit"), QStringLiteral("list: at most N runs."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption fioJobOption(QStringLiteral("fio-job"),
        QStringLiteral("show: print the fio job file that repeats the run's shape."));
    parser.addOption(fioJobOption);
    const QCommandLineOption samplesOption(QStringLiteral("samples"),
        QStringLiteral("export ID: the run's live samples as CSV (seconds, phase, test MB/s, wire MB/s in and out)."));
    parser.addOption(samplesOption);
    parser.addOptions({databaseOption, jsonOption, formatOption, outputOption, locationOption, searchOption,
        protocolOption, outcomeOption, sortOption, ascendingOption, limitOption});
    parser.addPositionalArgument(QStringLiteral("history"), QStringLiteral("Show the stored runs."),
        QStringLiteral("history"));
    parser.addPositionalArgument(QStringLiteral("ACTION"), QStringLiteral("list, show, compare, export or delete."),
        QStringLiteral("[ACTION [ID...]]"));
    const QCommandLineOption playsOption(QStringLiteral("plays"),
        QStringLiteral("show: also the streams of each media format the run's rates carry."));
    const QCommandLineOption formatFileOption(QStringLiteral("format-file"),
        QStringLiteral("show --plays: also the media formats of this JSON file."), QStringLiteral("PATH"));
    parser.addOptions({playsOption, formatFileOption});
    int exitStatus = 0;
    if (!CommandOutput::parse(parser, arguments, QStringLiteral("history"), &exitStatus))
        return exitStatus;

    QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty() && positional.constFirst() == QLatin1String("history"))
        positional.removeFirst();
    const QString action = positional.isEmpty() ? QStringLiteral("list") : positional.takeFirst();
    if (!kActions.contains(action))
        return CommandOutput::refuse(QStringLiteral("unknown history action \"%1\"; allowed: %2")
                                         .arg(action, kActions.join(QStringLiteral(", "))));
    const qsizetype wanted = action == QLatin1String("show") || action == QLatin1String("delete") ? 1
        : action == QLatin1String("compare")                                                     ? 2
                                                                                                 : -1;
    if ((action == QLatin1String("list") && !positional.isEmpty()) || (wanted > 0 && positional.size() != wanted))
        return CommandOutput::refuse(QStringLiteral("history %1 takes %2 run ID(s); see trevlamark-cli history --help")
                                         .arg(action)
                                         .arg(std::max<qsizetype>(wanted, 0)));

    RunQuery query;
    query.locationPath = parser.value(locationOption);
    query.text = parser.value(searchOption);
    query.protocol = parser.value(protocolOption);
    if (parser.isSet(outcomeOption)) {
        query.outcome = runOutcomeFromText(parser.value(outcomeOption));
        if (!query.outcome)
            return CommandOutput::refuse(QStringLiteral("unknown outcome \"%1\"; allowed: completed, stopped, failed")
                                             .arg(parser.value(outcomeOption)));
    }
    const std::optional<RunQuery::SortKey> sortKey = sortKeyFromText(parser.value(sortOption));
    if (!sortKey)
        return CommandOutput::refuse(QStringLiteral("unknown sort key \"%1\"; see trevlamark-cli history --help")
                                         .arg(parser.value(sortOption)));
    query.sortKey = *sortKey;
    query.descending = !parser.isSet(ascendingOption);
    const std::optional<int> limit = CliArguments::parseInteger(parser.value(limitOption), 0, INT_MAX);
    if (!limit)
        return CommandOutput::refuse(QStringLiteral("limit \"%1\" is not a whole number; allowed: 0 (all) or more")
                                         .arg(parser.value(limitOption)));
    query.limit = *limit;
    const std::optional<RunExport::Format> format = RunExport::formatFromText(parser.value(formatOption));
    if (!format)
        return CommandOutput::refuse(QStringLiteral("unknown export format \"%1\"; allowed: csv, json")
                                         .arg(parser.value(formatOption)));

    QString problem;
    const std::optional<DatabaseLocation> location = DatabaseLocation::resolve(parser.value(databaseOption), &problem);
    if (!location)
        return CommandOutput::refuse(problem);
    RunStore store(*location);
    const bool opened = store.open();
    if (!store.notice().isEmpty())
        CommandOutput::printError(store.notice());
    if (!opened)
        return failure(store.errorText());

    const bool json = parser.isSet(jsonOption);
    if (action == QLatin1String("delete")) {
        const auto runs = findRuns(store, positional, &problem);
        if (!runs)
            return failure(problem);
        if (!store.remove(runs->first().id))
            return failure(store.errorText());
        CommandOutput::writeLine(stdout, QStringLiteral("Deleted run %1").arg(runs->first().id));
        return 0;
    }
    if (action == QLatin1String("show") || action == QLatin1String("compare")) {
        const auto runs = findRuns(store, positional, &problem);
        if (!runs)
            return failure(problem);
        if (action == QLatin1String("show") && parser.isSet(fioJobOption))
            return CommandOutput::write(stdout, QString::fromUtf8(FioRunJob::text(runs->first().testRequest()))) ? 0 : 1;
        if (action == QLatin1String("show")) {
            QJsonObject object = runs->first().toJson();
            QString text = details(runs->first());
            if (parser.isSet(playsOption)) {
                const std::optional<QList<MediaFormat>> formats =
                    FormatsCommand::load(parser.value(formatFileOption), &problem);
                if (!formats)
                    return CommandOutput::refuse(QStringLiteral("Format file ") + problem);
                const int headroom = PreferencesManager::playsHeadroomPercent();
                const QList<PlaysRow> rows = PlaysEstimate::rows(runs->first().testResult(), *formats, headroom);
                object.insert(QStringLiteral("plays"), PlaysEstimate::toJson(rows, headroom));
                text += QLatin1Char('\n') + PlaysEstimate::lines(rows, headroom).join(QLatin1Char('\n')) + QLatin1Char('\n');
            }
            return CommandOutput::write(stdout, json ? QString::fromUtf8(QJsonDocument(object).toJson()) : text) ? 0 : 1;
        }
        const RunComparison comparison(runs->at(0), runs->at(1));
        if (!json)
            return CommandOutput::write(stdout, comparison.text()) ? 0 : 1;
        QJsonArray rows;
        for (const RunComparison::Row &row : comparison.rows()) {
            rows.append(QJsonObject{{QStringLiteral("label"), row.label}, {QStringLiteral("first"), row.first},
                {QStringLiteral("second"), row.second},
                {QStringLiteral("percentChange"), row.percentChange ? QJsonValue(*row.percentChange) : QJsonValue()},
                {QStringLiteral("better"), row.better ? QJsonValue(*row.better) : QJsonValue()}});
        }
        return CommandOutput::write(stdout, QString::fromUtf8(QJsonDocument(rows).toJson())) ? 0 : 1;
    }

    if (action == QLatin1String("export") && parser.isSet(samplesOption) && positional.size() != 1)
        return CommandOutput::refuse(QStringLiteral("history export --samples takes one run ID"));
    // list and export: the given runs, or those the filters select.
    std::optional<QList<RunRecord>> runs;
    if (action == QLatin1String("export") && !positional.isEmpty()) {
        runs = findRuns(store, positional, &problem);
    } else {
        runs = store.list(query);
        problem = store.errorText();
        // An export carries every field and the whole result of each run.
        if (runs && action == QLatin1String("export")) {
            QStringList ids;
            for (const RunRecord &run : *runs)
                ids.append(QString::number(run.id));
            runs = findRuns(store, ids, &problem);
        }
    }
    if (!runs)
        return failure(problem);
    if (action == QLatin1String("list")) {
        if (runs->isEmpty() && !json)
            return CommandOutput::writeLine(stdout, QStringLiteral("No runs in %1").arg(store.location().displayText())) ? 0 : 1;
        const QString text = json ? QString::fromUtf8(RunExport::json(*runs)) : table(*runs);
        return CommandOutput::write(stdout, text) ? 0 : 1;
    }
    const QByteArray data =
        parser.isSet(samplesOption) ? RunExport::samplesCsv(runs->first()) : RunExport::exported(*runs, *format);
    if (!parser.isSet(outputOption))
        return CommandOutput::write(stdout, QString::fromUtf8(data)) ? 0 : 1;
    QSaveFile file(parser.value(outputOption));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        return failure(QStringLiteral("cannot write \"%1\": %2").arg(parser.value(outputOption), file.errorString()));
    return 0;
}

} // namespace trevlamark
