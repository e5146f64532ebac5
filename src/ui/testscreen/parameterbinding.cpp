#include "ui/testscreen/parameterbinding.h"

#include "ui/gauges/gaugepanel.h"
#include "ui/testscreen/testsession.h"

#include <functional>

namespace trevlamark {

namespace {
// The panel's control and the session's field stay equal both ways; each side
// notifies only on a change, so a round trip ends where it began.
template <typename T>
void bindTwoWay(TestSession *session, T (TestSession::*get)() const, void (TestSession::*set)(T),
                void (TestSession::*changed)(), GaugePanel *panel, void (GaugePanel::*panelSet)(T),
                void (GaugePanel::*panelChanged)(T))
{
    // The member pointers travel inside std::mem_fn: GCC 12 with the sanitizers
    // loses a bare member-function pointer captured in a slot.
    (panel->*panelSet)((session->*get)());
    QObject::connect(session, changed, panel,
                     [session, panel, read = std::mem_fn(get), write = std::mem_fn(panelSet)] {
                         write(panel, read(session));
                     });
    QObject::connect(panel, panelChanged, session,
                     [session, write = std::mem_fn(set)](T value) { write(session, value); });
}
} // namespace

ParameterBinding::ParameterBinding(TestSession *session, GaugePanel *panel, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
    using S = TestSession;
    using P = GaugePanel;
    bindTwoWay(session, &S::queueDepth, &S::setQueueDepth, &S::queueDepthChanged, panel, &P::setQueueDepth,
               &P::queueDepthChanged);
    bindTwoWay(session, &S::chunkSize, &S::setChunkSize, &S::chunkSizeChanged, panel, &P::setChunkSize,
               &P::chunkSizeChanged);
    bindTwoWay(session, &S::selectedBytesPerCycle, &S::setSelectedBytesPerCycle, &S::selectedBytesPerCycleChanged,
               panel, &P::setSelectedBytesPerCycle, &P::selectedBytesPerCycleChanged);
    bindTwoWay(session, &S::customBytesValue, &S::setCustomBytesValue, &S::customBytesValueChanged, panel,
               &P::setCustomBytesValue, &P::customBytesValueChanged);
    bindTwoWay(session, &S::totalCycles, &S::setTotalCycles, &S::totalCyclesChanged, panel, &P::setTotalCycles,
               &P::totalCyclesChanged);
    bindTwoWay(session, &S::disableCache, &S::setDisableCache, &S::disableCacheChanged, panel, &P::setDisableCache,
               &P::disableCacheChanged);
    bindTwoWay(session, &S::writePhaseEnabled, &S::setWritePhaseEnabled, &S::writePhaseEnabledChanged, panel,
               &P::setWritePhaseEnabled, &P::writePhaseEnabledChanged);
    bindTwoWay(session, &S::readPhaseEnabled, &S::setReadPhaseEnabled, &S::readPhaseEnabledChanged, panel,
               &P::setReadPhaseEnabled, &P::readPhaseEnabledChanged);
    bindTwoWay(session, &S::showingCustomBytesPopover, &S::setShowingCustomBytesPopover,
               &S::showingCustomBytesPopoverChanged, panel, &P::setShowingCustomBytesPopover,
               &P::showingCustomBytesPopoverChanged);
}

TestRequest ParameterBinding::request() const
{
    TestRequest request;
    request.chunkSize = m_session->chunkSize();
    request.queueDepth = m_session->queueDepth();
    request.bytesPerCycle = m_session->selectedBytesPerCycle();
    request.customBytesPerCycle = m_session->customBytesValue();
    request.totalCycles = m_session->totalCycles();
    request.disableCache = m_session->disableCache();
    request.writePhaseEnabled = m_session->writePhaseEnabled();
    request.readPhaseEnabled = m_session->readPhaseEnabled();
    request.samplingRateSeconds = m_session->samplingRate();
    return request;
}

} // namespace trevlamark
