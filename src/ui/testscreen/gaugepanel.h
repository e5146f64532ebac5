#pragma once
// The top band of the test screen: write gauge, the test parameters with the
// Start/Stop button and elapsed time, read gauge. It edits a test
// configuration through its properties; the screen decides what Start/Stop does.

#include "engine/bytespercycleoptions.h"
#include "engine/phase.h"
#include "engine/testdata.h"
#include "engine/throughputtestoptions.h"

#include <QList>
#include <QWidget>
#include <optional>

class QComboBox;
class QLabel;
class QStackedWidget;

namespace trevlamark {

class CustomBytesInput;
class PaintClock;
class StartStopButton;
class ThroughputGauge;

class GaugePanel : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GaugePanel)
    Q_PROPERTY(int queueDepth READ queueDepth WRITE setQueueDepth NOTIFY queueDepthChanged)
    Q_PROPERTY(trevlamark::ThroughputTestOptions chunkSize READ chunkSize WRITE setChunkSize
                   NOTIFY chunkSizeChanged)
    Q_PROPERTY(trevlamark::BytesPerCycleOptions selectedBytesPerCycle READ selectedBytesPerCycle WRITE
                   setSelectedBytesPerCycle NOTIFY selectedBytesPerCycleChanged)
    Q_PROPERTY(quint64 customBytesValue READ customBytesValue WRITE setCustomBytesValue NOTIFY
                   customBytesValueChanged)
    Q_PROPERTY(bool showingCustomBytesPopover READ isShowingCustomBytesPopover WRITE
                   setShowingCustomBytesPopover NOTIFY showingCustomBytesPopoverChanged)
    Q_PROPERTY(int totalCycles READ totalCycles WRITE setTotalCycles NOTIFY totalCyclesChanged)
    Q_PROPERTY(bool disableCache READ disableCache WRITE setDisableCache NOTIFY disableCacheChanged)
    Q_PROPERTY(bool writePhaseEnabled READ writePhaseEnabled WRITE setWritePhaseEnabled NOTIFY
                   writePhaseEnabledChanged)
    Q_PROPERTY(bool readPhaseEnabled READ readPhaseEnabled WRITE setReadPhaseEnabled NOTIFY
                   readPhaseEnabledChanged)
    Q_PROPERTY(bool isRunningTest READ isRunningTest WRITE setRunningTest NOTIFY isRunningTestChanged)
    Q_PROPERTY(bool isStoppingTest READ isStoppingTest WRITE setStoppingTest NOTIFY isStoppingTestChanged)
    Q_PROPERTY(double testRunTime READ testRunTime WRITE setTestRunTime NOTIFY testRunTimeChanged)

public:
    explicit GaugePanel(QWidget *parent = nullptr);

    // Values shown by the gauges.
    void setWriteValue(double valueMBps);
    void setReadValue(double valueMBps);
    void setCompletedPhase(Phase phase, int phaseId, double valueMBps);
    void setNetworkMaxSpeedMbps(std::optional<int> speedMbps);
    void setDynamicMaxY(std::optional<double> dynamicMaxY);
    void setChartData(const QList<TestData> &chartData);
    void setPostTest(bool isPostTest);
    void setInterfaceMTU(std::optional<int> mtuBytes);

    int queueDepth() const { return m_queueDepth; }
    void setQueueDepth(int queueDepth);
    ThroughputTestOptions chunkSize() const { return m_chunkSize; }
    void setChunkSize(ThroughputTestOptions option);
    BytesPerCycleOptions selectedBytesPerCycle() const { return m_selectedBytesPerCycle; }
    void setSelectedBytesPerCycle(BytesPerCycleOptions option);
    quint64 customBytesValue() const { return m_customBytesValue; }
    void setCustomBytesValue(quint64 bytes);
    bool isShowingCustomBytesPopover() const { return m_showingCustomBytesPopover; }
    void setShowingCustomBytesPopover(bool showing);
    int totalCycles() const { return m_totalCycles; }
    void setTotalCycles(int totalCycles);
    bool disableCache() const { return m_disableCache; }
    void setDisableCache(bool disableCache);
    bool writePhaseEnabled() const { return m_writePhaseEnabled; }
    void setWritePhaseEnabled(bool enabled);
    bool readPhaseEnabled() const { return m_readPhaseEnabled; }
    void setReadPhaseEnabled(bool enabled);
    bool isRunningTest() const { return m_isRunningTest; }
    void setRunningTest(bool isRunningTest);
    // The screen's paint clock, which the gauges' arcs glide on while it runs.
    void setPaintClock(PaintClock *clock);
    bool isStoppingTest() const { return m_isStoppingTest; }
    void setStoppingTest(bool isStoppingTest);
    double testRunTime() const { return m_testRunTimeSeconds; }
    void setTestRunTime(double seconds);

    bool isHoveringControls() const { return m_isHoveringControls; }
    void setHoveringControls(bool hovering);

    ThroughputGauge *writeGauge() const { return m_writeGauge; }
    ThroughputGauge *readGauge() const { return m_readGauge; }
    StartStopButton *startStopButton() const { return m_startStopButton; }
    QComboBox *queueDepthMenu() const { return m_queueDepthMenu; }
    QComboBox *bytesPerCycleMenu() const { return m_bytesPerCycleMenu; }
    QWidget *controls() const { return m_controls; }
    // The plain texts shown for the four parameters when not hovering.
    QStringList parameterTexts() const;
    QString elapsedTimeText() const;
    bool isElapsedTimeShown() const;

    QSize sizeHint() const override;

signals:
    void queueDepthChanged(int queueDepth);
    void chunkSizeChanged(trevlamark::ThroughputTestOptions option);
    void selectedBytesPerCycleChanged(trevlamark::BytesPerCycleOptions option);
    void customBytesValueChanged(quint64 bytes);
    void showingCustomBytesPopoverChanged(bool showing);
    void totalCyclesChanged(int totalCycles);
    void disableCacheChanged(bool disableCache);
    void writePhaseEnabledChanged(bool enabled);
    void readPhaseEnabledChanged(bool enabled);
    void isRunningTestChanged(bool isRunningTest);
    void isStoppingTestChanged(bool isStoppingTest);
    void testRunTimeChanged(double seconds);
    void startStopClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStackedWidget *addParameterRow(const QString &label, const QString &help, QComboBox *menu);
    void refreshParameters();
    void refreshButtonAndTime();

    int m_queueDepth = 4;
    ThroughputTestOptions m_chunkSize = ThroughputTestOptions::size1MB;
    BytesPerCycleOptions m_selectedBytesPerCycle = BytesPerCycleOptions::size512MB;
    quint64 m_customBytesValue = defaultCustomBytesPerCycle;
    bool m_showingCustomBytesPopover = false;
    int m_totalCycles = 1;
    bool m_disableCache = true;
    bool m_writePhaseEnabled = true;
    bool m_readPhaseEnabled = true;
    bool m_isRunningTest = false;
    bool m_isStoppingTest = false;
    double m_testRunTimeSeconds = 0;
    bool m_isHoveringControls = false;

    ThroughputGauge *m_writeGauge;
    ThroughputGauge *m_readGauge;
    QWidget *m_controls;
    QComboBox *m_bytesPerCycleMenu;
    QComboBox *m_cyclesMenu;
    QComboBox *m_queueDepthMenu;
    QComboBox *m_chunkSizeMenu;
    QList<QStackedWidget *> m_parameterRows;
    StartStopButton *m_startStopButton;
    QLabel *m_elapsedTime;
    CustomBytesInput *m_customBytesPopover;
};

} // namespace trevlamark
