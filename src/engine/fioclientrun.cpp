#include "engine/fioclientrun.h"

#include "engine/fiobandwidthlog.h"
#include "engine/fiopacedphase.h"
#include "engine/resultbuilder.h"
#include "engine/testdirectory.h"
#include "platform/logcategories.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

namespace trevlamark {

namespace {

// fio's own words for what went wrong, without its "fio: " prefixes.
QString fioMessage(const QByteArray &output)
{
    QStringList lines;
    for (QString line : QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        line = line.trimmed();
        while (line.startsWith(QLatin1String("fio: ")))
            line.remove(0, 5);
        if (!line.isEmpty() && !lines.contains(line))
            lines.append(line);
    }
    return lines.isEmpty() ? QStringLiteral("fio ended without a result") : lines.join(QStringLiteral("; "));
}

} // namespace

FioClientRun::FioClientRun(QObject *parent)
    : TestRun(parent)
{
    m_sampleTimer.setInterval(1000);
    connect(&m_sampleTimer, &QTimer::timeout, this, &FioClientRun::sample);
    m_endingTimer.setSingleShot(true);
    connect(&m_endingTimer, &QTimer::timeout, this, &FioClientRun::enforceEndingLimit);
    m_checkTimeout.setSingleShot(true);
    m_checkTimeout.setInterval(checkTimeoutSeconds * 1000);
    connect(&m_checkTimeout, &QTimer::timeout, this, [this] {
        for (const auto &client : m_clients) {
            if (client->process->state() != QProcess::NotRunning)
                client->process->kill();
        }
    });
}

FioClientRun::~FioClientRun()
{
    // A client killed outright would leave its server's jobs running, and
    // waiting here for the clients to pass the stop on would hold up the
    // caller: they end on their own, killed if they do not within the limit.
    for (const auto &client : m_clients) {
        QProcess *process = client->process;
        if (process && process->state() != QProcess::NotRunning && QCoreApplication::closingDown()) {
            // At exit no event loop is left to end it later: it gets its limit here.
            process->disconnect(this);
            process->terminate();
            process->waitForFinished(clientExitWaitMilliseconds);
        } else if (process && process->state() != QProcess::NotRunning) {
            process->disconnect(this);
            process->setParent(QCoreApplication::instance());
            connect(process, &QProcess::finished, process, &QObject::deleteLater);
            QTimer::singleShot(clientExitWaitMilliseconds, process, &QProcess::kill);
            process->terminate();
        }
    }
    if (m_directoriesMayExist && m_stage != Stage::Idle)
        qCWarning(lcEngine).noquote() << QStringLiteral("Run from many clients ended before its test directories were removed");
}

void FioClientRun::prepare()
{
    const TestRequest &request = this->request();
    if (request.clients.isEmpty())
        return failToStart(QStringLiteral("No fio server given"));
    if (request.paced && request.paced->format.layout == MediaFormat::Layout::Sequence)
        return failToStart(QStringLiteral("A frame sequence cannot be paced from fio clients (fio cannot make a file per "
                                          "frame on a clock); choose a wrapped format, or run it from this computer"));
    if (request.paced && (request.paced->streams < 1 || request.paced->bufferFrames < 1
            || request.paced->durationSeconds <= 0 || request.paced->format.bytesPerFrame == 0))
        return failToStart(QStringLiteral("A paced run needs at least 1 stream, a buffer of 1 frame and a duration"));
    // The clients' jobs go through the local fio, which must match the servers'.
    m_stage = Stage::Probing;
    auto *probe = new QProcess(this);
    connect(probe, &QProcess::finished, this, [this, probe](int exitCode, QProcess::ExitStatus status) {
        probe->deleteLater();
        if (m_stage != Stage::Probing)
            return;
        m_stage = Stage::Idle;
        m_localVersion = status == QProcess::NormalExit && exitCode == 0
            ? QString::fromUtf8(probe->readAllStandardOutput()).trimmed()
            : QString();
        startClients();
    });
    connect(probe, &QProcess::errorOccurred, this, [probe](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            emit probe->finished(-1, QProcess::CrashExit);
    });
    QTimer::singleShot(checkTimeoutSeconds * 1000, probe, &QProcess::kill);
    probe->start(QStringLiteral("fio"), {QStringLiteral("--version")});
}

void FioClientRun::startClients()
{
    const TestRequest &request = this->request();
    if (m_localVersion.isEmpty())
        return failToStart(QStringLiteral("fio is not installed on this computer; the clients' jobs are sent through it"));
    m_jobDirectory = std::make_unique<QTemporaryDir>();
    if (!m_jobDirectory->isValid())
        return failToStart(QStringLiteral("Cannot make a folder for the fio job files: %1").arg(m_jobDirectory->errorString()));

    m_directoriesMayExist = false;
    m_phases.clear();
    m_writtenCycles.clear();
    m_streamResults.clear();
    m_pacedDirections.clear();
    for (const auto &client : m_clients) {
        if (client->process) {
            client->process->disconnect(this);
            client->process->deleteLater();
        }
    }
    m_clients.clear();

    const QString seconds = QString::number(QDateTime::currentSecsSinceEpoch());
    for (const FioClient &server : request.clients) {
        auto client = std::make_unique<Client>();
        client->server = server;
        client->index = int(m_clients.size());
        client->directoryName = QStringLiteral("%1_%2_%3").arg(QLatin1String(TestDirectory::folderName), seconds,
            server.directoryTag());
        m_clients.push_back(std::move(client));
    }
    qCInfo(lcEngine).noquote() << QStringLiteral("Checking %1 fio servers").arg(m_clients.size());
    m_stage = Stage::Checking;
    m_runClock.start();
    for (const auto &client : m_clients)
        launch(*client, FioJobFile::probe(), {});
    m_checkTimeout.start();
}

void FioClientRun::launch(Client &client, const QByteArray &jobFile, const QStringList &extraArguments)
{
    const QString jobPath = m_jobDirectory->filePath(QStringLiteral("job%1.fio").arg(++m_jobFileCount));
    QFile file(jobPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(jobFile) != jobFile.size())
        qCWarning(lcEngine).noquote() << QStringLiteral("Cannot write fio job file %1").arg(jobPath);
    file.close();

    if (client.process) {
        client.process->disconnect(this);
        client.process->deleteLater();
    }
    client.process = new QProcess(this);
    // fio's client writes the bandwidth logs its servers send back here.
    client.process->setWorkingDirectory(m_jobDirectory->path());
    client.parser = FioStatusParser();
    client.errorOutput.clear();
    client.finishedAtMs = -1;
    QProcess *process = client.process;
    connect(process, &QProcess::readyReadStandardOutput, this,
        [&client, process] { client.parser.feed(process->readAllStandardOutput()); });
    connect(process, &QProcess::readyReadStandardError, this,
        [&client, process] { client.errorOutput += process->readAllStandardError(); });
    connect(process, &QProcess::finished, this, [this, &client, process] {
        if (process != client.process)
            return;
        client.parser.feed(process->readAllStandardOutput());
        client.parser.finish();
        client.errorOutput += process->readAllStandardError();
        client.finishedAtMs = m_phaseClock.isValid() ? m_phaseClock.elapsed() : 0;
        clientFinished(client);
    });
    connect(process, &QProcess::errorOccurred, this, [this, &client, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart || process != client.process)
            return;
        client.errorOutput += process->errorString().toUtf8();
        client.finishedAtMs = 0;
        clientFinished(client);
    });
    process->start(QStringLiteral("fio"), QStringList{client.server.clientArgument(), jobPath} + extraArguments);
}

void FioClientRun::enforceEndingLimit()
{
    if (m_stage != Stage::Stopping && m_stage != Stage::Removing)
        return;
    for (const auto &client : m_clients) {
        if (client->finishedAtMs < 0) {
            qCWarning(lcEngine).noquote()
                << QStringLiteral("fio server %1 did not answer within %2 seconds; stopping its client")
                       .arg(client->server.name())
                       .arg(m_endingLimitSeconds);
            client->process->kill();
        }
    }
}

bool FioClientRun::anyRunning() const
{
    return std::any_of(m_clients.cbegin(), m_clients.cend(), [](const auto &client) { return client->finishedAtMs < 0; });
}

void FioClientRun::clientFinished(Client &client)
{
    switch (m_stage) {
    case Stage::Checking:
        if (!anyRunning())
            checksFinished();
        return;
    case Stage::Running:
        if (const std::optional<QString> problem = phaseProblem(client)) {
            phaseFailed(QStringLiteral("Client %1 failed: %2").arg(client.server.name(), *problem));
            return;
        }
        if (!anyRunning())
            phaseFinished();
        return;
    case Stage::Stopping:
        if (!anyRunning()) {
            m_markerTouch.stop();
            m_stage = Stage::Removing;
            workEnded();
        }
        return;
    case Stage::Removing:
        if (!anyRunning())
            removalsFinished();
        return;
    case Stage::Idle:
    case Stage::Probing:
        return;
    }
}

void FioClientRun::removalsFinished()
{
    m_endingTimer.stop();
    bool removed = true;
    QStringList paths;
    for (const auto &each : m_clients) {
        const QString path = each->server.name() + QLatin1Char(':') + QDir(each->server.locationPath).filePath(each->directoryName);
        if (each->process->exitStatus() != QProcess::NormalExit || each->process->exitCode() != 0) {
            qCWarning(lcEngine).noquote() << QStringLiteral("Could not remove %1: %2").arg(path, fioMessage(each->errorOutput));
            removed = false;
        }
        paths.append(path);
    }
    m_stage = Stage::Idle;
    m_directoriesMayExist = false;
    removalFinished(paths.join(QStringLiteral(", ")), removed);
}

void FioClientRun::checksFinished()
{
    m_checkTimeout.stop();
    QStringList problems;
    for (const auto &client : m_clients) {
        const QString version = client->parser.serverVersion();
        QString problem;
        if (client->process->exitStatus() != QProcess::NormalExit || client->process->exitCode() != 0 || version.isEmpty())
            problem = client->finishedAtMs >= 0 && client->process->exitStatus() == QProcess::CrashExit
                ? QStringLiteral("no answer within %1 seconds").arg(checkTimeoutSeconds)
                : fioMessage(client->errorOutput);
        else if (version != m_localVersion)
            problem = QStringLiteral("runs %1, this computer runs %2; both ends need the same fio version").arg(version, m_localVersion);
        if (!problem.isEmpty())
            problems.append(QStringLiteral("fio server %1: %2").arg(client->server.name(), problem));
    }
    if (!problems.isEmpty()) {
        m_stage = Stage::Idle;
        failToStart(problems.join(QStringLiteral("; ")));
        return;
    }
    m_stage = Stage::Running;
    m_directoriesMayExist = true;
    m_sampleTimer.start();
    QList<FioMarkerTouch::Target> markers;
    for (const auto &client : m_clients)
        markers.append(FioMarkerTouch::Target{client->server, client->directoryName});
    m_markerTouch.start(m_jobDirectory->path(), markers);
    beginPhases();
}

QString FioClientRun::bandwidthLogPrefix(const Client &client, int phaseId) const
{
    return QStringLiteral("bw-c%1-p%2").arg(client.index).arg(phaseId);
}

void FioClientRun::runPhase(const PlannedPhase &phase)
{
    const TestRequest &request = this->request();
    FioPhaseShape shape;
    if (request.paced) {
        shape = FioPacedPhase::shape(request, phase);
    } else {
        const quint64 chunk = quint64(chunkSizeBytes(request.chunkSize));
        shape.phase = phase.phase;
        shape.cycle = phase.filesCycle;
        shape.queueDepth = jobsPerClient();
        shape.chunkSizeBytes = qint64(chunk);
        // Whole chunks per stream, as fio moves nothing smaller than a block.
        shape.bytesPerJob = std::max<quint64>(request.targetBytesPerPhase() / quint64(shape.queueDepth) / chunk, 1) * chunk;
        shape.disableCache = request.disableCache;
        shape.logIntervalMilliseconds = int(std::lround(request.samplingRateSeconds * 1000));
    }
    m_phaseBytes = shape.bytesPerJob * quint64(shape.queueDepth) * quint64(m_clients.size());
    m_estimatedBytes = 0;
    m_sampledAtMs = 0;
    if (phase.phase == Phase::Write && !m_writtenCycles.contains(phase.filesCycle))
        m_writtenCycles.append(phase.filesCycle);
    qCInfo(lcEngine).noquote() << QStringLiteral("Cycle %1: %2 phase on %3 clients").arg(phase.cycle).arg(phaseName(phase.phase)).arg(m_clients.size());
    m_phaseClock.start();
    m_phaseStartTime = QDateTime::currentDateTime();
    m_phaseStartSeconds = double(m_runClock.elapsed()) / 1000.0;
    for (const auto &client : m_clients) {
        shape.location = client->server.locationPath;
        shape.directoryName = client->directoryName;
        if (!request.paced)
            shape.bandwidthLogPrefix = bandwidthLogPrefix(*client, phase.phaseId);
        else if (shape.rateBytesPerSecond > 0)
            shape.latencyLogPrefix = latencyLogPrefix(*client, phase.phaseId);
        launch(*client, FioJobFile::phase(shape), {QStringLiteral("--output-format=terse"), QStringLiteral("--status-interval=1")});
    }
}

std::optional<QString> FioClientRun::phaseProblem(const Client &client) const
{
    if (client.process->exitStatus() != QProcess::NormalExit)
        return QStringLiteral("fio stopped unexpectedly");
    if (client.process->exitCode() != 0)
        return fioMessage(client.errorOutput);
    if (const std::optional<QString> error = client.parser.jobError())
        return *error;
    if (client.parser.jobsReported() != jobsPerClient())
        return QStringLiteral("the server ended the jobs without their results (%1)").arg(fioMessage(client.errorOutput));
    return std::nullopt;
}

int FioClientRun::jobsPerClient() const
{
    return request().paced ? request().paced->streams : std::max(1, request().queueDepth);
}

QString FioClientRun::latencyLogPrefix(const Client &client, int phaseId) const
{
    return QStringLiteral("lat-c%1-p%2").arg(client.index).arg(phaseId);
}

void FioClientRun::pacedPhaseFinished(const PlannedPhase &phase)
{
    const TestRequest &request = this->request();
    if (FioPacedPhase::timed(request, phase)) {
        QList<FioPacedLogs> logs;
        for (const auto &client : m_clients)
            logs.append(FioPacedLogs{client->server.name(), latencyLogPrefix(*client, phase.phaseId)});
        const PacedRequest &paced = *request.paced;
        FioPacedPhase::Outcome outcome = FioPacedPhase::collect(QDir(m_jobDirectory->path()), logs, paced.streams,
            FrameClock(paced.format.framesPerSecond, paced.bufferFrames), paced.format.bytesPerFrame,
            phase.phase == Phase::Write, phase.cycle);
        if (outcome.problem) {
            phaseFailed(*outcome.problem);
            return;
        }
        m_phases.append(outcome.record);
        m_pacedDirections.append(outcome.direction);
    }
    phaseCompleted();
}

void FioClientRun::sample()
{
    if (m_stage != Stage::Running)
        return;
    // fio's client passes on the servers' status lines as they come, but
    // holds the jobs' byte counts until the end, and its percent often reads
    // "-.-": the fraction is the rate summed over the phase so far, short of
    // whole until the phase ends.
    double bytesPerSecond = 0;
    double percent = 0;
    for (const auto &client : m_clients) {
        bytesPerSecond += client->finishedAtMs < 0 ? client->parser.bytesPerSecond() : 0.0;
        percent += client->finishedAtMs < 0 ? client->parser.percentDone().value_or(0.0) : 100.0;
    }
    const qint64 nowMs = m_phaseClock.elapsed();
    m_estimatedBytes += bytesPerSecond * double(nowMs - m_sampledAtMs) / 1000.0;
    m_sampledAtMs = nowMs;
    const double counted = m_phaseBytes == 0 ? 0.0 : m_estimatedBytes / double(m_phaseBytes);
    const double fraction = std::clamp(std::max(percent / 100.0 / double(m_clients.size()), counted), 0.0, 0.99);
    m_streamResults.append(StreamResult{QDateTime::currentDateTime(), phaseName(currentPhase().phase),
        bytesPerSecond * bytesToMegabytes, double(m_runClock.elapsed()) / 1000.0, currentPhase().phaseId});
    reportProgress(fraction);
}

void FioClientRun::phaseFinished()
{
    const PlannedPhase &phase = currentPhase();
    if (request().paced)
        return pacedPhaseFinished(phase);
    PhaseRecord aggregate{phase.cycle, phase.phase, {}};
    qint64 wallMs = 0;
    for (const auto &client : m_clients) {
        // fio's own run time leaves out connecting and starting the jobs;
        // the clients start together, so the longest is the phase's wall time.
        const qint64 runtimeMs = client->parser.runtimeMilliseconds(phase.phase);
        const qint64 durationMs = runtimeMs > 0 ? runtimeMs : client->finishedAtMs;
        PhaseRecord record{phase.cycle, phase.phase, {}};
        record.figures.bytes = client->parser.bytes(phase.phase);
        record.figures.duration = double(durationMs) / 1000.0;
        record.figures.throughput = durationMs > 0 ? double(record.figures.bytes) / record.figures.duration * bytesToMegabytes : 0.0;
        client->phases.append(record);
        aggregate.figures.bytes += record.figures.bytes;
        wallMs = std::max(wallMs, durationMs);
    }
    // The aggregate is every client's bytes over the phase's wall time.
    aggregate.figures.duration = double(wallMs) / 1000.0;
    aggregate.figures.throughput = wallMs > 0 ? double(aggregate.figures.bytes) / aggregate.figures.duration * bytesToMegabytes : 0.0;
    m_phases.append(aggregate);
    replaceLiveSamples(phase, aggregate.figures);
    phaseCompleted();
}

// The status line comes once a second; the jobs' bandwidth logs have the
// sampling rate, so the stored chart is as dense as a run from this computer.
// A phase shorter than one interval logs nothing: it is drawn at its average.
void FioClientRun::replaceLiveSamples(const PlannedPhase &phase, const PhaseResult &figures)
{
    FioBandwidthLog log(std::lround(request().samplingRateSeconds * 1000));
    bool found = false;
    const QDir folder(m_jobDirectory->path());
    for (const auto &client : m_clients) {
        // A job's log counts from its own start, which follows the phase's
        // start by the time it took to connect and set the job up.
        const qint64 runtimeMs = client->parser.runtimeMilliseconds(phase.phase);
        const qint64 offsetMs = std::max<qint64>(0, client->finishedAtMs - runtimeMs);
        const QString prefix = bandwidthLogPrefix(*client, phase.phaseId);
        for (const QString &name : folder.entryList({prefix + QStringLiteral("_bw.*")}, QDir::Files)) {
            QFile file(folder.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            log.addJob(file.readAll(), offsetMs);
            found = true;
            file.close();
            file.remove();
        }
    }
    m_streamResults.removeIf([&phase](const StreamResult &sample) { return sample.phaseId == phase.phaseId; });
    const QString operation = phaseName(phase.phase);
    if (!found || log.totals().isEmpty()) {
        if (!found)
            qCWarning(lcEngine).noquote() << QStringLiteral("fio returned no bandwidth log for phase %1; it is drawn at its average")
                                                 .arg(phase.phaseId);
        const auto endMs = qint64(std::llround(figures.duration * 1000));
        for (const qint64 atMs : {qint64(0), endMs})
            m_streamResults.append(StreamResult{m_phaseStartTime.addMSecs(atMs), operation, figures.throughput,
                m_phaseStartSeconds + double(atMs) / 1000.0, phase.phaseId});
        return;
    }
    const qint64 interval = log.intervalMilliseconds();
    for (auto it = log.totals().cbegin(); it != log.totals().cend(); ++it) {
        const qint64 atMs = it.key() * interval;
        m_streamResults.append(StreamResult{m_phaseStartTime.addMSecs(atMs), operation, it.value(),
            m_phaseStartSeconds + double(atMs) / 1000.0, phase.phaseId});
    }
}

void FioClientRun::endWork(bool)
{
    if (m_stage == Stage::Checking || m_stage == Stage::Probing)
        m_checkTimeout.stop();
    m_stage = Stage::Stopping;
    m_endingTimer.start(m_endingLimitSeconds * 1000);
    m_sampleTimer.stop();
    m_markerTouch.stop();
    // fio's client passes SIGTERM on to its server as a stop of the jobs.
    for (const auto &client : m_clients) {
        if (client->finishedAtMs < 0)
            client->process->terminate();
    }
    if (!anyRunning()) {
        m_stage = Stage::Removing;
        workEnded();
    }
}

void FioClientRun::completeResult(PerformanceTestResult &result) const
{
    QStringList names;
    for (const auto &client : m_clients)
        names.append(client->server.name());
    result.details.insert(QStringLiteral("clients"), names.join(QStringLiteral(", ")));
    if (request().paced) {
        // Each client's figures are in the paced result, beside each of its streams.
        PacedResult paced = PacedResult::describing(*request().paced);
        paced.directions = m_pacedDirections;
        result.details.insert(QStringLiteral("testType"), QStringLiteral("Paced Media Test"));
        result.details.insert(QStringLiteral("mediaFormat"), paced.format);
        result.paced = paced;
        return;
    }
    for (const auto &client : m_clients) {
        ClientResult entry;
        entry.client = client->server.name();
        entry.metrics.insert(QStringLiteral("writeSpeed"), ResultBuilder::totals(client->phases, Phase::Write).speed());
        entry.metrics.insert(QStringLiteral("readSpeed"), ResultBuilder::totals(client->phases, Phase::Read).speed());
        entry.cycleResults = ResultBuilder::cycleResults(client->phases);
        result.clientResults.append(entry);
    }
}

void FioClientRun::removeTestData()
{
    if (!m_directoriesMayExist) {
        m_stage = Stage::Idle;
        removalFinished(QString(), true);
        return;
    }
    m_stage = Stage::Removing;
    m_endingTimer.start(m_endingLimitSeconds * 1000);
    for (const auto &client : m_clients)
        launch(*client,
            FioJobFile::removal(client->server.locationPath, client->directoryName, m_writtenCycles, jobsPerClient()),
            {QStringLiteral("--output-format=terse")});
}

} // namespace trevlamark
