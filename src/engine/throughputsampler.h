#pragma once
// The live throughput of a run: at each sampling interval, the bytes the
// transfers counted since the last sample become one StreamResult (MB/s over
// the time that really passed), tagged with the phase that is running.

#include "engine/phase.h"
#include "engine/progresscounters.h"
#include "engine/streamresult.h"
#include "platform/interfacecounters.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

namespace trevlamark {

class ThroughputSampler : public QObject
{
    Q_OBJECT

public:
    // Called after each sample with the bytes the running phase has moved so far.
    using SampleHandler = std::function<void(quint64 phaseBytes)>;

    explicit ThroughputSampler(QObject *parent = nullptr);

    // Clears the samples and the counters and starts sampling them.
    void start(double intervalSeconds, std::shared_ptr<ProgressCounters> counters, SampleHandler onSample);
    void stop();
    void setPhase(Phase phase, int phaseId);
    // The interface whose byte counters each sample reads beside the run's
    // own bytes; empty for none. Set before start.
    void setWireDevice(const QString &device) { m_wireDevice = device; }

    const QList<StreamResult> &streamResults() const { return m_streamResults; }

    // The shortest interval, as a fraction of the set one, that makes a sample.
    static constexpr double earliestTickFraction = 0.5;

private:
    void takeSample();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastSampleNanoseconds = 0;
    double m_intervalSeconds = 0.1;
    std::shared_ptr<ProgressCounters> m_counters;
    SampleHandler m_onSample;
    QList<StreamResult> m_streamResults;
    Phase m_phase = Phase::Write;
    int m_phaseId = 0;
    QString m_wireDevice;
    std::optional<InterfaceCounters> m_lastWire;

    Q_DISABLE_COPY_MOVE(ThroughputSampler)
};

} // namespace trevlamark
