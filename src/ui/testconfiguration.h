#pragma once
// The test parameters the gauge panel's controls edit, with the byte
// arithmetic the screen derives from them.

#include "engine/bytespercycleoptions.h"
#include "engine/throughputtestoptions.h"

#include <QObject>

namespace trevlamark {

class TestConfiguration : public QObject
{
    Q_OBJECT
    Q_PROPERTY(trevlamark::ThroughputTestOptions selectedFileSize READ selectedFileSize WRITE setSelectedFileSize NOTIFY selectedFileSizeChanged)
    Q_PROPERTY(int queueDepth READ queueDepth WRITE setQueueDepth NOTIFY queueDepthChanged)
    Q_PROPERTY(trevlamark::BytesPerCycleOptions selectedBytesPerCycle READ selectedBytesPerCycle WRITE setSelectedBytesPerCycle NOTIFY selectedBytesPerCycleChanged)
    Q_PROPERTY(quint64 customBytesValue READ customBytesValue WRITE setCustomBytesValue NOTIFY customBytesValueChanged)
    Q_PROPERTY(int totalCycles READ totalCycles WRITE setTotalCycles NOTIFY totalCyclesChanged)
    Q_PROPERTY(bool disableCache READ disableCache WRITE setDisableCache NOTIFY disableCacheChanged)
    Q_PROPERTY(bool writePhaseEnabled READ writePhaseEnabled WRITE setWritePhaseEnabled NOTIFY writePhaseEnabledChanged)
    Q_PROPERTY(bool readPhaseEnabled READ readPhaseEnabled WRITE setReadPhaseEnabled NOTIFY readPhaseEnabledChanged)
    Q_PROPERTY(bool showingCustomBytesPopover READ showingCustomBytesPopover WRITE setShowingCustomBytesPopover NOTIFY showingCustomBytesPopoverChanged)

public:
    explicit TestConfiguration(QObject *parent = nullptr);

    ThroughputTestOptions selectedFileSize() const { return m_selectedFileSize; }
    int queueDepth() const { return m_queueDepth; }
    BytesPerCycleOptions selectedBytesPerCycle() const { return m_selectedBytesPerCycle; }
    quint64 customBytesValue() const { return m_customBytesValue; }
    int totalCycles() const { return m_totalCycles; }
    bool disableCache() const { return m_disableCache; }
    bool writePhaseEnabled() const { return m_writePhaseEnabled; }
    bool readPhaseEnabled() const { return m_readPhaseEnabled; }
    bool showingCustomBytesPopover() const { return m_showingCustomBytesPopover; }

    void setSelectedFileSize(ThroughputTestOptions value);
    void setQueueDepth(int value);
    void setSelectedBytesPerCycle(BytesPerCycleOptions value);
    void setCustomBytesValue(quint64 value);
    void setTotalCycles(int value);
    void setDisableCache(bool value);
    void setWritePhaseEnabled(bool value);
    void setReadPhaseEnabled(bool value);
    void setShowingCustomBytesPopover(bool value);

    // The custom amount for the custom choice, otherwise the option's size.
    quint64 bytesPerCycleBytes() const;
    // Bytes the whole test moves; a read-only test writes its files once more.
    quint64 totalTargetBytes() const;

signals:
    void selectedFileSizeChanged();
    void queueDepthChanged();
    void selectedBytesPerCycleChanged();
    void customBytesValueChanged();
    void totalCyclesChanged();
    void disableCacheChanged();
    void writePhaseEnabledChanged();
    void readPhaseEnabledChanged();
    void showingCustomBytesPopoverChanged();

private:
    ThroughputTestOptions m_selectedFileSize = ThroughputTestOptions::size1MB;
    int m_queueDepth = 4;
    BytesPerCycleOptions m_selectedBytesPerCycle = BytesPerCycleOptions::size512MB;
    quint64 m_customBytesValue = defaultCustomBytesPerCycle;
    int m_totalCycles = 1;
    bool m_disableCache = true;
    bool m_writePhaseEnabled = true;
    bool m_readPhaseEnabled = true;
    bool m_showingCustomBytesPopover = false;
};

} // namespace trevlamark
