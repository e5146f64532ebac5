#include "ui/testconfiguration.h"

#include "ui/statesetter.h"

namespace trevlamark {

TestConfiguration::TestConfiguration(QObject *parent)
    : QObject(parent)
{
}

TREVLAMARK_NOTIFYING_SETTER(TestConfiguration, ThroughputTestOptions, setSelectedFileSize, m_selectedFileSize,
                            selectedFileSizeChanged)
TREVLAMARK_NOTIFYING_SETTER(TestConfiguration, int, setQueueDepth, m_queueDepth, queueDepthChanged)
TREVLAMARK_NOTIFYING_SETTER(TestConfiguration, BytesPerCycleOptions, setSelectedBytesPerCycle,
                            m_selectedBytesPerCycle, selectedBytesPerCycleChanged)
TREVLAMARK_NOTIFYING_SETTER(TestConfiguration, quint64, setCustomBytesValue, m_customBytesValue,
                            customBytesValueChanged)
TREVLAMARK_NOTIFYING_SETTER(TestConfiguration, int, setTotalCycles, m_totalCycles, totalCyclesChanged)
TREVLAMARK_NOTIFYING_SETTER(TestConfiguration, bool, setDisableCache, m_disableCache, disableCacheChanged)
TREVLAMARK_NOTIFYING_SETTER(TestConfiguration, bool, setWritePhaseEnabled, m_writePhaseEnabled,
                            writePhaseEnabledChanged)
TREVLAMARK_NOTIFYING_SETTER(TestConfiguration, bool, setReadPhaseEnabled, m_readPhaseEnabled,
                            readPhaseEnabledChanged)
TREVLAMARK_NOTIFYING_SETTER(TestConfiguration, bool, setShowingCustomBytesPopover, m_showingCustomBytesPopover,
                            showingCustomBytesPopoverChanged)

quint64 TestConfiguration::bytesPerCycleBytes() const
{
    if (m_selectedBytesPerCycle == BytesPerCycleOptions::custom)
        return m_customBytesValue;
    return quint64(static_cast<qint64>(m_selectedBytesPerCycle));
}

quint64 TestConfiguration::totalTargetBytes() const
{
    const quint64 bytes = bytesPerCycleBytes();
    const quint64 cycles = quint64(std::max(0, m_totalCycles));
    if (m_writePhaseEnabled != m_readPhaseEnabled)
        return m_writePhaseEnabled ? bytes * cycles : bytes * cycles + bytes;
    return 2 * bytes * cycles;
}

} // namespace trevlamark
