#include "ui/testscreen/gaugepanel.h"

#include "ui/gauges/gaugegeometry.h"
#include "ui/gauges/throughputgauge.h"
#include "ui/testscreen/custombytesinput.h"
#include "ui/testscreen/startstopbutton.h"

#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace trevlamark {

namespace {

constexpr int menuWidthPx = 90;
constexpr int menuHeightPx = 21;
constexpr int elapsedTimeHeightPx = 36;
constexpr int parameterFadeMs = 150;

void selectData(QComboBox *menu, qint64 value)
{
    menu->setCurrentIndex(menu->findData(value));
}

} // namespace

GaugePanel::GaugePanel(QWidget *parent)
    : QWidget(parent)
    , m_writeGauge(new ThroughputGauge(QStringLiteral("Write"), this))
    , m_readGauge(new ThroughputGauge(QStringLiteral("Read"), this))
    , m_controls(new QWidget(this))
    , m_bytesPerCycleMenu(new QComboBox(m_controls))
    , m_cyclesMenu(new QComboBox(m_controls))
    , m_queueDepthMenu(new QComboBox(m_controls))
    , m_chunkSizeMenu(new QComboBox(m_controls))
    , m_startStopButton(new StartStopButton(m_controls))
    , m_elapsedTime(new QLabel(m_controls))
    , m_customBytesPopover(new CustomBytesInput(this))
{
    for (BytesPerCycleOptions option : allBytesPerCycleOptions())
        m_bytesPerCycleMenu->addItem(displayText(option), static_cast<qint64>(option));
    for (int cycles : GaugeGeometry::cycleChoices())
        m_cyclesMenu->addItem(QString::number(cycles), static_cast<qint64>(cycles));
    for (int depth : GaugeGeometry::queueDepthChoices())
        m_queueDepthMenu->addItem(QString::number(depth), static_cast<qint64>(depth));
    for (ThroughputTestOptions option : allThroughputTestOptions())
        m_chunkSizeMenu->addItem(displayText(option), static_cast<qint64>(option));

    auto *rows = new QGridLayout;
    rows->setHorizontalSpacing(8);
    rows->setVerticalSpacing(6);
    const struct
    {
        const char *label;
        const char *help;
        QComboBox *menu;
    } parameters[] = {
        {"Bytes Per Cycle:", "Amount of data processed in each read/write phase", m_bytesPerCycleMenu},
        {"Cycles:", "Number of read/write cycles before auto-stopping", m_cyclesMenu},
        {"Streams:", "Number of concurrent I/O operations", m_queueDepthMenu},
        {"Chunk Size:", "Size of each I/O operation", m_chunkSizeMenu},
    };
    for (const auto &parameter : parameters) {
        auto *label = new QLabel(QString::fromLatin1(parameter.label), m_controls);
        label->setToolTip(QString::fromLatin1(parameter.help));
        QStackedWidget *stack = addParameterRow(QString::fromLatin1(parameter.label),
                                                QString::fromLatin1(parameter.help), parameter.menu);
        const int row = rows->rowCount();
        rows->addWidget(label, row, 0, Qt::AlignRight);
        rows->addWidget(stack, row, 1, Qt::AlignLeft);
    }

    QFont headline = m_elapsedTime->font();
    headline.setBold(true);
    headline.setPixelSize(15);
    m_elapsedTime->setFont(headline);
    m_elapsedTime->setAlignment(Qt::AlignCenter);
    // A fixed size: the time changing every second then repaints the label
    // alone instead of laying out the panel.
    m_elapsedTime->setFixedSize(QFontMetrics(headline).horizontalAdvance(QStringLiteral("000:00:00")) + 8,
                                elapsedTimeHeightPx);
    QSizePolicy keepPlace = m_elapsedTime->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_elapsedTime->setSizePolicy(keepPlace);

    auto *centre = new QVBoxLayout(m_controls);
    centre->setContentsMargins(0, 0, 0, 0);
    centre->addStretch(1);
    centre->addLayout(rows);
    centre->addSpacing(12);
    centre->addWidget(m_startStopButton, 0, Qt::AlignHCenter);
    centre->addWidget(m_elapsedTime, 0, Qt::AlignHCenter);
    centre->addStretch(1);
    m_controls->installEventFilter(this);
    m_controls->setAttribute(Qt::WA_Hover);

    // No side margins: the screen has its own, and two dials plus the column must fit 600 px.
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 8, 0, 8);
    layout->setSpacing(8);
    layout->addWidget(m_writeGauge, 0, Qt::AlignTop);
    layout->addStretch(1);
    layout->addWidget(m_controls);
    layout->addStretch(1);
    layout->addWidget(m_readGauge, 0, Qt::AlignTop);

    connect(m_bytesPerCycleMenu, &QComboBox::activated, this, [this](int index) {
        const auto option = static_cast<BytesPerCycleOptions>(m_bytesPerCycleMenu->itemData(index).toLongLong());
        if (option == BytesPerCycleOptions::custom) {
            // The custom choice is made by the popup's OK; until then the old choice stays.
            refreshParameters();
            setShowingCustomBytesPopover(true);
            return;
        }
        setSelectedBytesPerCycle(option);
    });
    connect(m_cyclesMenu, &QComboBox::activated, this, [this](int index) {
        setTotalCycles(static_cast<int>(m_cyclesMenu->itemData(index).toLongLong()));
    });
    connect(m_queueDepthMenu, &QComboBox::activated, this, [this](int index) {
        setQueueDepth(static_cast<int>(m_queueDepthMenu->itemData(index).toLongLong()));
    });
    connect(m_chunkSizeMenu, &QComboBox::activated, this, [this](int index) {
        setChunkSize(static_cast<ThroughputTestOptions>(m_chunkSizeMenu->itemData(index).toLongLong()));
    });
    connect(m_writeGauge, &ThroughputGauge::phaseEnabledChanged, this, &GaugePanel::setWritePhaseEnabled);
    connect(m_readGauge, &ThroughputGauge::phaseEnabledChanged, this, &GaugePanel::setReadPhaseEnabled);
    connect(m_startStopButton, &StartStopButton::clicked, this, &GaugePanel::startStopClicked);
    connect(m_customBytesPopover, &CustomBytesInput::customBytesAccepted, this, [this](quint64 bytes) {
        setCustomBytesValue(bytes);
        setSelectedBytesPerCycle(BytesPerCycleOptions::custom);
    });
    connect(m_customBytesPopover, &CustomBytesInput::closed, this,
            [this] { setShowingCustomBytesPopover(false); });

    refreshParameters();
    refreshButtonAndTime();
}

QStackedWidget *GaugePanel::addParameterRow(const QString &label, const QString &help, QComboBox *menu)
{
    auto *stack = new QStackedWidget(m_controls);
    auto *value = new QLabel(stack);
    value->setAccessibleName(label);
    value->setToolTip(help);
    menu->setParent(stack);
    menu->setToolTip(help);
    stack->addWidget(value);
    stack->addWidget(menu);
    stack->setFixedSize(menuWidthPx, menuHeightPx);
    m_parameterRows.append(stack);
    return stack;
}

void GaugePanel::setWriteValue(double valueMBps)
{
    m_writeGauge->setValue(valueMBps);
}

void GaugePanel::setReadValue(double valueMBps)
{
    m_readGauge->setValue(valueMBps);
}

void GaugePanel::setCompletedPhase(Phase phase, int phaseId, double valueMBps)
{
    (phase == Phase::Write ? m_writeGauge : m_readGauge)->setCompletedPhase(phaseId, valueMBps);
}

void GaugePanel::setNetworkMaxSpeedMbps(std::optional<int> speedMbps)
{
    m_writeGauge->setMaxSpeedMbps(speedMbps);
    m_readGauge->setMaxSpeedMbps(speedMbps);
}

void GaugePanel::setDynamicMaxY(std::optional<double> dynamicMaxY)
{
    m_writeGauge->setDynamicMaxY(dynamicMaxY);
    m_readGauge->setDynamicMaxY(dynamicMaxY);
}

void GaugePanel::setChartData(const QList<TestData> &chartData)
{
    m_writeGauge->setChartData(chartData);
    m_readGauge->setChartData(chartData);
}

void GaugePanel::setPostTest(bool isPostTest)
{
    m_writeGauge->setPostTest(isPostTest);
    m_readGauge->setPostTest(isPostTest);
}

void GaugePanel::setInterfaceMTU(std::optional<int> mtuBytes)
{
    m_writeGauge->setInterfaceMTU(mtuBytes);
    m_readGauge->setInterfaceMTU(mtuBytes);
}

void GaugePanel::setQueueDepth(int queueDepth)
{
    if (m_queueDepth == queueDepth)
        return;
    m_queueDepth = queueDepth;
    refreshParameters();
    emit queueDepthChanged(queueDepth);
}

void GaugePanel::setChunkSize(ThroughputTestOptions option)
{
    if (m_chunkSize == option)
        return;
    m_chunkSize = option;
    refreshParameters();
    emit chunkSizeChanged(option);
}

void GaugePanel::setSelectedBytesPerCycle(BytesPerCycleOptions option)
{
    if (m_selectedBytesPerCycle == option)
        return;
    m_selectedBytesPerCycle = option;
    refreshParameters();
    emit selectedBytesPerCycleChanged(option);
}

void GaugePanel::setCustomBytesValue(quint64 bytes)
{
    if (m_customBytesValue == bytes)
        return;
    m_customBytesValue = bytes;
    m_customBytesPopover->setBytesValue(bytes);
    refreshParameters();
    emit customBytesValueChanged(bytes);
}

void GaugePanel::setShowingCustomBytesPopover(bool showing)
{
    if (m_showingCustomBytesPopover == showing)
        return;
    m_showingCustomBytesPopover = showing;
    if (showing) {
        m_customBytesPopover->setInputText(QString());
        m_customBytesPopover->showBelow(m_parameterRows.first());
    } else {
        m_customBytesPopover->hide();
    }
    emit showingCustomBytesPopoverChanged(showing);
}

void GaugePanel::setTotalCycles(int totalCycles)
{
    if (m_totalCycles == totalCycles)
        return;
    m_totalCycles = totalCycles;
    refreshParameters();
    emit totalCyclesChanged(totalCycles);
}

void GaugePanel::setDisableCache(bool disableCache)
{
    if (m_disableCache == disableCache)
        return;
    m_disableCache = disableCache;
    emit disableCacheChanged(disableCache);
}

void GaugePanel::setWritePhaseEnabled(bool enabled)
{
    if (m_writePhaseEnabled == enabled)
        return;
    m_writePhaseEnabled = enabled;
    m_writeGauge->setPhaseEnabled(enabled);
    refreshButtonAndTime();
    emit writePhaseEnabledChanged(enabled);
}

void GaugePanel::setReadPhaseEnabled(bool enabled)
{
    if (m_readPhaseEnabled == enabled)
        return;
    m_readPhaseEnabled = enabled;
    m_readGauge->setPhaseEnabled(enabled);
    refreshButtonAndTime();
    emit readPhaseEnabledChanged(enabled);
}

void GaugePanel::setRunningTest(bool isRunningTest)
{
    if (m_isRunningTest == isRunningTest)
        return;
    m_isRunningTest = isRunningTest;
    // A run keeps the parameters it started with: the menus and switches are locked until it ends.
    for (QComboBox *menu : {m_bytesPerCycleMenu, m_cyclesMenu, m_queueDepthMenu, m_chunkSizeMenu})
        menu->setEnabled(!isRunningTest);
    if (isRunningTest)
        setShowingCustomBytesPopover(false);
    m_writeGauge->setRunningTest(isRunningTest);
    m_readGauge->setRunningTest(isRunningTest);
    refreshButtonAndTime();
    emit isRunningTestChanged(isRunningTest);
}

void GaugePanel::setPaintClock(PaintClock *clock)
{
    m_writeGauge->setPaintClock(clock);
    m_readGauge->setPaintClock(clock);
}

void GaugePanel::setStoppingTest(bool isStoppingTest)
{
    if (m_isStoppingTest == isStoppingTest)
        return;
    m_isStoppingTest = isStoppingTest;
    refreshButtonAndTime();
    emit isStoppingTestChanged(isStoppingTest);
}

void GaugePanel::setTestRunTime(double seconds)
{
    if (m_testRunTimeSeconds == seconds)
        return;
    m_testRunTimeSeconds = seconds;
    refreshButtonAndTime();
    emit testRunTimeChanged(seconds);
}

void GaugePanel::setHoveringControls(bool hovering)
{
    if (m_isHoveringControls == hovering)
        return;
    m_isHoveringControls = hovering;
    for (QStackedWidget *stack : std::as_const(m_parameterRows)) {
        stack->setCurrentIndex(hovering ? 1 : 0);
        // Fade the new face in rather than swapping it abruptly.
        auto *effect = new QGraphicsOpacityEffect(stack);
        stack->setGraphicsEffect(effect);
        auto *fade = new QPropertyAnimation(effect, "opacity", stack);
        fade->setDuration(parameterFadeMs);
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        connect(fade, &QPropertyAnimation::finished, stack, [stack] { stack->setGraphicsEffect(nullptr); });
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    }
    m_writeGauge->setHoveringControls(hovering);
    m_readGauge->setHoveringControls(hovering);
}

QStringList GaugePanel::parameterTexts() const
{
    QStringList texts;
    for (const QStackedWidget *stack : m_parameterRows)
        texts.append(static_cast<QLabel *>(stack->widget(0))->text());
    return texts;
}

QString GaugePanel::elapsedTimeText() const
{
    return m_elapsedTime->text();
}

bool GaugePanel::isElapsedTimeShown() const
{
    return !m_elapsedTime->isHidden();
}

QSize GaugePanel::sizeHint() const
{
    return QSize(2 * ThroughputGauge::gaugeSizePx + 260, m_writeGauge->sizeHint().height() + 16);
}

bool GaugePanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_controls) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::HoverEnter)
            setHoveringControls(true);
        else if (event->type() == QEvent::Leave || event->type() == QEvent::HoverLeave)
            // Opening a menu or the popup moves the pointer onto another window; keep the menus then.
            setHoveringControls(m_controls->rect().contains(m_controls->mapFromGlobal(QCursor::pos()))
                                || m_showingCustomBytesPopover);
    }
    return QWidget::eventFilter(watched, event);
}

void GaugePanel::refreshParameters()
{
    auto label = [this](int row) { return static_cast<QLabel *>(m_parameterRows.at(row)->widget(0)); };

    // The custom entry names its amount once one is chosen, so the menu never shows a bare "Custom".
    const int customIndex = m_bytesPerCycleMenu->findData(static_cast<qint64>(BytesPerCycleOptions::custom));
    m_bytesPerCycleMenu->setItemText(customIndex, m_selectedBytesPerCycle == BytesPerCycleOptions::custom
            ? QStringLiteral("Custom: ") + GaugeGeometry::bytesCountText(m_customBytesValue)
            : displayText(BytesPerCycleOptions::custom));
    selectData(m_bytesPerCycleMenu, static_cast<qint64>(m_selectedBytesPerCycle));
    QLabel *bytesLabel = label(0);
    if (m_selectedBytesPerCycle == BytesPerCycleOptions::custom) {
        bytesLabel->setText(GaugeGeometry::bytesCountText(m_customBytesValue));
        bytesLabel->setForegroundRole(QPalette::PlaceholderText);
    } else {
        bytesLabel->setText(displayText(m_selectedBytesPerCycle));
        bytesLabel->setForegroundRole(QPalette::WindowText);
    }
    selectData(m_cyclesMenu, m_totalCycles);
    label(1)->setText(QString::number(m_totalCycles));
    selectData(m_queueDepthMenu, m_queueDepth);
    label(2)->setText(QString::number(m_queueDepth));
    selectData(m_chunkSizeMenu, static_cast<qint64>(m_chunkSize));
    label(3)->setText(displayText(m_chunkSize));
}

void GaugePanel::refreshButtonAndTime()
{
    m_startStopButton->setState(m_isRunningTest, m_isStoppingTest, m_writePhaseEnabled, m_readPhaseEnabled);
    m_elapsedTime->setVisible(GaugeGeometry::isElapsedTimeShown(m_isRunningTest, m_testRunTimeSeconds));
    m_elapsedTime->setText(GaugeGeometry::elapsedTimeText(m_testRunTimeSeconds));
}

} // namespace trevlamark
