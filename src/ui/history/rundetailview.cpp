#include "ui/history/rundetailview.h"

#include "discovery/sharemanager.h"
#include "engine/maxstreamsfinder.h"
#include "engine/resultformatter.h"
#include "engine/testdata.h"
#include "ui/charts/chartgeometry.h"
#include "ui/charts/chartseries.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/common/findingslabel.h"
#include "ui/common/resultcard.h"
#include "ui/common/sectiontitle.h"
#include "ui/common/streamscurvechart.h"
#include "ui/common/throughputsmoothing.h"
#include "ui/common/timelimitedtask.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QUuid>
#include <QVBoxLayout>
#include <cmath>

namespace trevlamark {

namespace {
// The shortest window the chart offers, so a run of a few seconds still has room.
constexpr double minimumWindowSeconds = 10;

QString contextLine(const RunRecord &run)
{
    QStringList parts;
    if (!run.protocol.isEmpty()) {
        QString share = run.protocol + QStringLiteral(" share");
        if (!run.shareName.isEmpty())
            share += QLatin1Char(' ') + run.shareName;
        if (!run.server.isEmpty())
            share += QStringLiteral(" on ") + run.server;
        parts.append(share);
    }
    if (!run.fileSystemType.isEmpty())
        parts.append(run.fileSystemType);
    if (!run.interfaceName.isEmpty()) {
        QString link = run.interfaceName;
        if (run.linkSpeedMbps)
            link += QStringLiteral(", %1 Mbit/s").arg(*run.linkSpeedMbps);
        if (run.mtu)
            link += QStringLiteral(", MTU %1").arg(*run.mtu);
        parts.append(link);
    }
    parts.append(QStringLiteral("host ") + run.hostName);
    if (!run.programVersion.isEmpty())
        parts.append(QStringLiteral("Trevlamark ") + run.programVersion);
    return parts.join(QStringLiteral(" · "));
}

// Where a test of a kept run's location would go now. Reads the mount table
// and the folder, either of which can hang on a share whose server is gone.
struct LocationNow
{
    TestParameters parameters;
    QString problem;
};

LocationNow locationNow(const QString &path, bool wasShare)
{
    LocationNow now;
    now.parameters.selectedLocation = path;
    auto shares = std::make_shared<ShareManager>();
    const ShareRoute route = shares->routeFor(path);
    if (wasShare && !route.share) {
        now.problem = QStringLiteral("%1 is not on a mounted share any more; mount the share again to test it.").arg(path);
        return now;
    }
    if (!QFileInfo(path).isDir()) {
        now.problem = QStringLiteral("%1 is not there any more.").arg(path);
        return now;
    }
    now.parameters.isNetworkLocation = route.share.has_value();
    now.parameters.networkShare = route.share;
    now.parameters.networkInterfaceInfo = route.link;
    // The test screen goes on using it on the window's thread.
    shares->moveToThread(QCoreApplication::instance()->thread());
    now.parameters.shareManager = std::move(shares);
    return now;
}
} // namespace

RunDetailView::RunDetailView(QWidget *parent)
    : QWidget(parent)
    , m_title(new SectionTitle(QString(), this))
    , m_context(new QLabel(this))
    , m_mountSettings(new FindingsLabel(this))
    , m_graphs(new TestGraphPanel(this))
    , m_searchHeadline(new QLabel(this))
    , m_searchCurve(new StreamsCurveChart(this))
    , m_locationMessage(new QLabel(this))
    , m_card(new ResultCard(this))
    , m_locationLookup(new TimeLimitedTask(std::chrono::seconds(locationLimitSeconds), [this] {
        showLocationMessage(QStringLiteral("%1 did not answer within %2 s; is its share still there?")
                                .arg(m_run.locationPath).arg(locationLimitSeconds));
    }, this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_title->setElidedInTheMiddle(true);
    m_context->setForegroundRole(QPalette::PlaceholderText);
    m_context->setWordWrap(true);
    m_context->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_graphs->setRunningTest(false);
    m_graphs->setPostTestView(true);
    layout->addWidget(m_title);
    layout->addWidget(m_context);
    layout->addWidget(m_mountSettings);
    layout->addWidget(m_graphs);
    layout->addWidget(m_searchHeadline);
    layout->addWidget(m_searchCurve);
    layout->addWidget(m_locationMessage);
    layout->addWidget(m_card);
    layout->addStretch();
    m_searchHeadline->setObjectName(QStringLiteral("findMaxHeadline"));
    m_searchHeadline->setWordWrap(true);
    m_searchHeadline->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_locationMessage->setObjectName(QStringLiteral("locationMessage"));
    m_locationMessage->setWordWrap(true);
    m_locationMessage->hide();
    connect(m_card, &ResultCard::pacedTestRequested, this, &RunDetailView::openPacedTest);
}

void RunDetailView::openPacedTest(const QString &format, int streams)
{
    showLocationMessage(QStringLiteral("Looking at %1…").arg(m_run.locationPath));
    m_locationLookup->run<LocationNow>(
        [path = m_run.locationPath, wasShare = !m_run.protocol.isEmpty()] { return locationNow(path, wasShare); },
        [this, format, streams](const LocationNow &now) {
            showLocationMessage(now.problem);
            if (now.problem.isEmpty())
                emit mediaTestRequested(now.parameters, format, streams);
        });
}

QWidget *RunDetailView::shownChart() const
{
    return m_searchCurve->isHidden() ? static_cast<QWidget *>(m_graphs) : m_searchCurve;
}

QString RunDetailView::locationMessage() const
{
    return m_locationMessage->isHidden() ? QString() : m_locationMessage->text();
}

void RunDetailView::showLocationMessage(const QString &text)
{
    m_locationMessage->setText(text);
    m_locationMessage->setVisible(!text.isEmpty());
}

QString RunDetailView::runTitle(const RunRecord &run)
{
    return QStringLiteral("Run %1 · %2 · %3")
        .arg(QString::number(run.id), run.finishedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
             run.locationPath);
}

QString RunDetailView::summaryText(const RunRecord &run)
{
    QStringList lines{runTitle(run), contextLine(run)};
    for (const FindingsLabel::Line &line : FindingsLabel::mountSettingsLines(run.mountSettings()))
        lines.append(line.text);
    return (lines + ResultFormatter::resultLines(run.testResult())).join(QLatin1Char('\n'));
}

void RunDetailView::setRun(const RunRecord &run)
{
    m_run = run;
    // An answer about the last run's location is no longer wanted.
    m_locationLookup->drop();
    showLocationMessage(QString());
    m_title->setText(runTitle(run));
    m_context->setText(contextLine(run));
    m_mountSettings->setLines(FindingsLabel::mountSettingsLines(run.mountSettings()));
    const PerformanceTestResult result = run.testResult();
    m_card->setResult(result);
    // A search for the most streams keeps no throughput samples: its curve stands in for the chart.
    const bool search = result.paced && !result.paced->searchSteps.isEmpty();
    m_searchHeadline->setVisible(search);
    m_searchCurve->setVisible(search);
    m_graphs->setVisible(!search);
    if (search) {
        m_searchHeadline->setText(MaxStreamsFinder::headline(result.paced->format, result.paced->searchSteps));
        m_searchCurve->setSteps(result.paced->searchSteps);
    }

    QList<TestData> points;
    const QList<StreamResult> samples = run.samples();
    points.reserve(samples.size());
    double lastSecond = 0;
    for (const StreamResult &sample : samples) {
        points.append(TestData{QUuid::createUuid(), sample.timestamp, sample.operation, sample.throughput,
                               sample.seconds, sample.phaseId});
        lastSecond = std::max(lastSecond, sample.seconds);
    }
    // The window spans the whole run, its right edge at the last sample.
    m_graphs->setTimeWindow(std::max(minimumWindowSeconds, std::ceil(lastSecond)));
    m_graphs->setReferenceTime(samples.isEmpty() ? std::nullopt : std::optional(samples.constLast().timestamp));
    m_graphs->setChartData(points);
    m_graphs->setTimelineMarkers(run.timelineMarkers());
    ChartSeries series;
    series.setPoints(points, ThroughputSmoothing::processSmoothingWindow());
    m_graphs->setMaxY(ChartGeometry::dynamicMaxY(series.maximum(), {}, run.linkSpeedMbps));
}

} // namespace trevlamark
