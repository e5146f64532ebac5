#include "ui/history/rundetailview.h"

#include "engine/resultformatter.h"
#include "engine/testdata.h"
#include "ui/charts/chartgeometry.h"
#include "ui/charts/chartseries.h"
#include "ui/charts/testgraphpanel.h"
#include "ui/common/findingslabel.h"
#include "ui/common/resultcard.h"
#include "ui/common/sectiontitle.h"
#include "ui/common/throughputsmoothing.h"

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
} // namespace

RunDetailView::RunDetailView(QWidget *parent)
    : QWidget(parent)
    , m_title(new SectionTitle(QString(), this))
    , m_context(new QLabel(this))
    , m_mountSettings(new FindingsLabel(this))
    , m_graphs(new TestGraphPanel(this))
    , m_card(new ResultCard(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_context->setForegroundRole(QPalette::PlaceholderText);
    m_context->setWordWrap(true);
    m_context->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_graphs->setRunningTest(false);
    m_graphs->setPostTestView(true);
    layout->addWidget(m_title);
    layout->addWidget(m_context);
    layout->addWidget(m_mountSettings);
    layout->addWidget(m_graphs);
    layout->addWidget(m_card);
    layout->addStretch();
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
    m_title->setText(runTitle(run));
    m_context->setText(contextLine(run));
    m_mountSettings->setLines(FindingsLabel::mountSettingsLines(run.mountSettings()));
    m_card->setResult(run.testResult());

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
