#include "ui/testscreen/mediatestdialog.h"

#include "engine/fioclient.h"
#include "engine/mediaformatcatalog.h"
#include "engine/pacedtestrun.h"
#include "settings/preferencesmanager.h"
#include "ui/common/resultcard.h"
#include "ui/testscreen/frameratechart.h"
#include "ui/common/streamscurvechart.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace trevlamark {

MediaTestDialog::MediaTestDialog(const QString &location, QWidget *parent)
    : QDialog(parent)
    , m_location(location)
    , m_from(new QLabel(tr("This computer"), this))
    , m_format(new QComboBox(this))
    , m_streams(new QSpinBox(this))
    , m_duration(new QDoubleSpinBox(this))
    , m_direction(new QComboBox(this))
    , m_buffer(new QSpinBox(this))
    , m_start(new QPushButton(tr("Start"), this))
    , m_findMax(new QPushButton(tr("Find max"), this))
    , m_headline(new QLabel(this))
    , m_curve(new StreamsCurveChart(this))
    , m_status(new QLabel(this))
    , m_chart(new FrameRateChart(this))
    , m_card(new ResultCard(this))
{
    setObjectName(QStringLiteral("mediaTestDialog"));
    setWindowTitle(tr("Media test"));
    for (const MediaFormat &format : MediaFormatCatalog::available())
        m_format->addItem(format.name);
    m_format->setEditable(true);
    m_format->setInsertPolicy(QComboBox::NoInsert);
    m_format->setCurrentText(QStringLiteral("ProRes 422 HQ UHD 29.97"));
    m_streams->setRange(1, 1000);
    m_duration->setRange(1, 86400);
    m_duration->setValue(20);
    m_duration->setSuffix(tr(" s"));
    m_direction->addItems({tr("Playback"), tr("Capture"), tr("Capture, then playback")});
    m_buffer->setRange(1, 1000);
    m_buffer->setValue(PreferencesManager::pacedBufferFrames());
    m_buffer->setSuffix(tr(" frames"));

    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    form->addRow(tr("Format"), m_format);
    form->addRow(tr("Streams"), m_streams);
    form->addRow(tr("Duration"), m_duration);
    form->addRow(tr("Direction"), m_direction);
    form->addRow(tr("Buffer"), m_buffer);
    form->addRow(tr("From"), m_from);
    layout->addLayout(form);
    auto *hint = new QLabel(tr("Each stream runs on its own frame clock in \"%1\"; a frame that completes later than its "
                               "slot plus the buffer is late.").arg(location), this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_start);
    m_findMax->setToolTip(tr("Search for the most streams with no late frame, from the chosen count up and down; "
                             "each step is a whole run of the duration"));
    buttons->addWidget(m_findMax);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(m_status);
    layout->addWidget(m_chart, 1);
    layout->addWidget(m_card);
    m_card->hide();
    m_headline->setObjectName(QStringLiteral("findMaxHeadline"));
    m_headline->setWordWrap(true);
    layout->addWidget(m_headline);
    layout->addWidget(m_curve, 1);
    m_headline->hide();
    m_curve->hide();

    m_sampleTimer.setInterval(500);
    connect(&m_sampleTimer, &QTimer::timeout, this, &MediaTestDialog::sample);
    connect(m_start, &QPushButton::clicked, this, &MediaTestDialog::startOrStop);
    connect(m_findMax, &QPushButton::clicked, this, &MediaTestDialog::findMaxOrStop);
    resize(640, 620);
}

MediaTestDialog::~MediaTestDialog()
{
    // A run still going is cancelled and removes its test data on its own.
    TestRun::dispose(std::move(m_run));
}

void MediaTestDialog::setClients(const QList<FioClient> &clients, const QString &problem)
{
    m_clients = clients;
    m_clientsProblem = problem;
    QStringList names;
    for (const FioClient &client : clients)
        names.append(client.name());
    m_from->setText(!problem.isEmpty() ? problem
            : names.isEmpty()          ? tr("This computer")
                                       : tr("fio servers %1, each running every stream").arg(names.join(QStringLiteral(", "))));
}

std::optional<PacedRequest> MediaTestDialog::chosenRequest(TestRequest &request)
{
    if (!m_clientsProblem.isEmpty()) {
        m_status->setText(m_clientsProblem);
        return std::nullopt;
    }
    const std::optional<MediaFormat> format = MediaFormatCatalog::find(MediaFormatCatalog::available(), m_format->currentText());
    if (!format) {
        m_status->setText(tr("Unknown format \"%1\"").arg(m_format->currentText()));
        return std::nullopt;
    }
    const auto direction = Direction(m_direction->currentIndex());
    request.locationPath = m_location;
    request.share.mountPath = m_location;
    request.totalCycles = 1;
    request.clients = m_clients;
    request.writePhaseEnabled = direction != Direction::Playback;
    request.readPhaseEnabled = direction != Direction::Capture;
    request.paced = PacedRequest{*format, m_streams->value(), m_duration->value(), m_buffer->value()};
    return request.paced;
}

void MediaTestDialog::findMaxOrStop()
{
    if (m_finder) {
        m_findMax->setEnabled(false);
        m_status->setText(tr("Stopping…"));
        m_finder->stop();
        return;
    }
    TestRequest request;
    if (!chosenRequest(request))
        return;
    // The step's own test fails on a full location; asking for the free space could hold up the window.
    m_finder = std::make_unique<MaxStreamsFinder>(request, request.paced->streams, 1000, nullptr);
    const QString format = request.paced->format.name;
    connect(m_finder.get(), &MaxStreamsFinder::stepStarted, this, [this](int streams) {
        m_status->setText(tr("Step %1: %2 streams").arg(m_finder->steps().size() + 1).arg(streams));
    });
    connect(m_finder.get(), &MaxStreamsFinder::stepFinished, this, [this, format] {
        m_curve->setSteps(m_finder->steps());
        m_headline->setText(MaxStreamsFinder::headline(format, m_finder->steps()));
    });
    connect(m_finder.get(), &MaxStreamsFinder::finished, this, [this, format, request] {
        m_headline->setText(MaxStreamsFinder::headline(format, m_finder->steps()));
        if (const std::optional<PerformanceTestResult> result = m_finder->result()) {
            TestRequest answered = request;
            answered.paced->streams = result->paced->streams;
            emit resultReady(answered, *result);
        }
        m_status->setText(m_finder->problem().value_or(QString()));
        m_finder.release()->deleteLater();
        m_findMax->setText(tr("Find max"));
        m_findMax->setEnabled(true);
        m_start->setEnabled(true);
        emit runEnded();
    });
    m_card->hide();
    m_chart->hide();
    m_headline->setText(tr("Searching…"));
    m_headline->show();
    m_curve->setSteps({});
    m_curve->show();
    m_start->setEnabled(false);
    m_findMax->setText(tr("Stop"));
    m_finder->start();
}

bool MediaTestDialog::chooseFormat(const QString &format, int streams)
{
    const int index = m_format->findText(format, Qt::MatchFixedString);
    if (index < 0)
        return false;
    m_format->setCurrentIndex(index);
    if (streams > 0)
        m_streams->setValue(streams);
    return true;
}

QString MediaTestDialog::chosenFormat() const
{
    return m_format->currentText();
}

int MediaTestDialog::chosenStreams() const
{
    return m_streams->value();
}

bool MediaTestDialog::choose(const QString &format, int streams, double seconds, Direction direction, int bufferFrames)
{
    if (!chooseFormat(format, streams))
        return false;
    m_duration->setValue(seconds);
    m_direction->setCurrentIndex(int(direction));
    m_buffer->setValue(bufferFrames);
    return true;
}

void MediaTestDialog::startOrStop()
{
    if (m_run) {
        m_start->setEnabled(false);
        m_status->setText(tr("Stopping…"));
        m_run->stop();
        return;
    }
    TestRequest request;
    const std::optional<PacedRequest> paced = chosenRequest(request);
    if (!paced)
        return;
    m_run = TestRun::create(request);
    connect(m_run.get(), &TestRun::progressed, this, &MediaTestDialog::handleProgress);
    connect(m_run.get(), &TestRun::finished, this, &MediaTestDialog::handleFinished);
    connect(m_run.get(), &TestRun::cleanupFinished, this, &MediaTestDialog::handleCleanup);
    m_card->hide();
    m_headline->hide();
    m_curve->hide();
    m_chart->show();
    m_findMax->setEnabled(false);
    m_phaseId = -1;
    m_chart->reset(paced->format.framesPerSecond, paced->streams, paced->durationSeconds);
    m_start->setText(tr("Stop"));
    m_status->setText(tr("Preparing the test directory…"));
    m_sampleTimer.start();
    m_run->start(request);
}

void MediaTestDialog::sample()
{
    const auto *paced = qobject_cast<PacedTestRun *>(m_run.get());
    if (paced && paced->phaseIsPaced())
        m_chart->addSample(paced->phaseSeconds(), paced->framesDone(), paced->lateFrames());
}

void MediaTestDialog::handleProgress(const RunProgress &progress)
{
    if (progress.phaseId != m_phaseId) {
        // Playback after capture starts a chart of its own.
        m_phaseId = progress.phaseId;
        const PacedRequest &paced = *m_run->request().paced;
        m_chart->reset(paced.format.framesPerSecond, paced.streams, paced.durationSeconds);
    }
    // Playback alone writes its data first, untimed, whoever runs the streams.
    const bool paced = progress.phase == Phase::Read || m_run->request().writePhaseEnabled;
    const QString what = !paced                       ? tr("Writing the data to play")
        : progress.phase == Phase::Write              ? tr("Capture")
                                                      : tr("Playback");
    m_status->setText(QStringLiteral("%1 - %2%").arg(what).arg(progress.fraction * 100, 0, 'f', 0));
}

void MediaTestDialog::handleFinished(const PerformanceTestResult &result)
{
    m_sampleTimer.stop();
    emit resultReady(m_run->request(), result);
    m_card->setResult(result);
    m_card->show();
    m_status->setText(tr("Removing the test data…"));
}

void MediaTestDialog::handleCleanup(const QString &path, bool removed)
{
    m_status->setText(removed ? QString() : tr("Could not remove \"%1\"; a sweep of the location removes it later.").arg(path));
    m_start->setText(tr("Start"));
    m_start->setEnabled(true);
    m_findMax->setEnabled(true);
    TestRun::dispose(std::move(m_run));
    emit runEnded();
}

} // namespace trevlamark
