#include "engine/maxstreamsfinder.h"

#include "engine/maxstreamssearch.h"

#include <QLocale>

#include <algorithm>

namespace trevlamark {

namespace {

QString count(quint64 value)
{
    return QLocale(QLocale::English).toString(value);
}

} // namespace

MaxStreamsFinder::MaxStreamsFinder(const TestRequest &request, int start, int maximum, SpaceCheck spaceCheck, QObject *parent)
    : QObject(parent)
    , m_request(request)
    , m_start(start)
    , m_maximum(maximum)
    , m_spaceCheck(std::move(spaceCheck))
{
}

MaxStreamsFinder::~MaxStreamsFinder()
{
    TestRun::dispose(std::move(m_run));
}

int MaxStreamsFinder::answer() const
{
    return MaxStreamsSearch::answer(m_outcomes);
}

std::optional<PerformanceTestResult> MaxStreamsFinder::result() const
{
    if (m_results.isEmpty())
        return std::nullopt;
    const int plays = answer();
    PerformanceTestResult kept = m_results.value(plays, m_results.first());
    kept.paced->searchSteps = m_steps;
    return kept;
}

void MaxStreamsFinder::start()
{
    m_running = true;
    next();
}

void MaxStreamsFinder::stop()
{
    m_stopped = true;
    if (m_run && m_run->isRunning())
        m_run->stop();
}

void MaxStreamsFinder::next()
{
    const std::optional<int> streams = m_problem || m_stopped ? std::nullopt : MaxStreamsSearch::next(m_outcomes, m_start, m_maximum);
    if (streams) {
        TestRequest request = m_request;
        request.paced->streams = *streams;
        const QString space = m_spaceCheck ? m_spaceCheck(request) : QString();
        if (space.isEmpty()) {
            emit stepStarted(*streams);
            m_run = TestRun::create(request);
            connect(m_run.get(), &TestRun::finished, this, &MaxStreamsFinder::handleResult);
            connect(m_run.get(), &TestRun::cleanupFinished, this, &MaxStreamsFinder::handleCleanup);
            m_run->start(request);
            return;
        }
        m_problem = space;
    }
    m_running = false;
    emit finished();
}

void MaxStreamsFinder::handleResult(const PerformanceTestResult &result)
{
    if (!result.success || !result.paced) {
        m_problem = result.errorMessage.value_or(QStringLiteral("Test failed"));
        return;
    }
    // A step cut short says nothing about its count.
    if (m_stopped)
        return;
    Step step{m_run->request().paced->streams, 0, 0, 0};
    for (const PacedDirection &direction : result.paced->directions) {
        step.frames += direction.total.frames;
        step.lateFrames += direction.total.lateFrames;
        step.p99Ms = std::max(step.p99Ms, direction.total.latencyP99Ms);
    }
    m_steps.append(step);
    m_outcomes.insert(step.streams, step.lateFrames == 0);
    m_results.insert(step.streams, result);
    emit stepFinished(step);
}

void MaxStreamsFinder::handleCleanup(const QString &path, bool removed)
{
    if (!removed)
        emit leftBehind(path);
    TestRun::dispose(std::move(m_run));
    next();
}

QString MaxStreamsFinder::table(const QList<Step> &steps)
{
    QList<Step> sorted = steps;
    std::sort(sorted.begin(), sorted.end(), [](const Step &a, const Step &b) { return a.streams < b.streams; });
    QString text = QStringLiteral("Streams  Frames  Late frames  p99 frame latency\n");
    for (const Step &step : sorted) {
        text += QStringLiteral("%1  %2  %3  %4 ms\n")
                    .arg(step.streams, 7)
                    .arg(count(step.frames), 6)
                    .arg(count(step.lateFrames), 11)
                    .arg(QString::number(step.p99Ms, 'f', 1), 14);
    }
    return text;
}

QString MaxStreamsFinder::headline(const QString &format, const QList<Step> &steps)
{
    int plays = 0;
    std::optional<Step> failing;
    for (const Step &step : steps) {
        if (step.lateFrames == 0)
            plays = std::max(plays, step.streams);
    }
    for (const Step &step : steps) {
        if (step.lateFrames > 0 && step.streams > plays && (!failing || step.streams < failing->streams))
            failing = step;
    }
    const QString playsText = plays == 0 ? QStringLiteral("plays no stream of %1").arg(format)
                                         : QStringLiteral("plays %1 %2 of %3")
                                               .arg(plays)
                                               .arg(plays == 1 ? QStringLiteral("stream") : QStringLiteral("streams"), format);
    if (!failing)
        return playsText;
    return playsText + QStringLiteral("; at %1, %2 of %3 frames were late")
                           .arg(failing->streams)
                           .arg(count(failing->lateFrames), count(failing->frames));
}

} // namespace trevlamark
