#include "ui/testscreen/parameterbinding.h"

#include "engine/testrequest.h"
#include "ui/testscreen/editedrequest.h"
#include "ui/testscreen/gaugepanel.h"

#include <functional>

namespace trevlamark {

namespace {
// The panel's control and the request's field stay equal both ways; each side
// notifies only on a change, so a round trip ends where it began.
template <typename T>
void bindTwoWay(EditedRequest *request, T TestRequest::*field, GaugePanel *panel, void (GaugePanel::*panelSet)(T),
                void (GaugePanel::*panelChanged)(T))
{
    // The member pointers travel inside std::mem_fn: GCC 12 with the sanitizers
    // loses a bare member-function pointer captured in a slot.
    const auto member = std::mem_fn(field);
    const auto write = std::mem_fn(panelSet);
    write(panel, member(request->value()));
    QObject::connect(request, &EditedRequest::changed, panel,
                     [request, panel, member, write] { write(panel, member(request->value())); });
    QObject::connect(panel, panelChanged, request, [request, member](T value) {
        request->update([&](TestRequest &edited) { member(edited) = value; });
    });
}
} // namespace

ParameterBinding::ParameterBinding(EditedRequest *request, GaugePanel *panel, QObject *parent)
    : QObject(parent)
{
    using P = GaugePanel;
    bindTwoWay(request, &TestRequest::queueDepth, panel, &P::setQueueDepth, &P::queueDepthChanged);
    bindTwoWay(request, &TestRequest::chunkSize, panel, &P::setChunkSize, &P::chunkSizeChanged);
    bindTwoWay(request, &TestRequest::bytesPerCycle, panel, &P::setSelectedBytesPerCycle,
               &P::selectedBytesPerCycleChanged);
    bindTwoWay(request, &TestRequest::customBytesPerCycle, panel, &P::setCustomBytesValue,
               &P::customBytesValueChanged);
    bindTwoWay(request, &TestRequest::totalCycles, panel, &P::setTotalCycles, &P::totalCyclesChanged);
    bindTwoWay(request, &TestRequest::disableCache, panel, &P::setDisableCache, &P::disableCacheChanged);
    bindTwoWay(request, &TestRequest::writePhaseEnabled, panel, &P::setWritePhaseEnabled,
               &P::writePhaseEnabledChanged);
    bindTwoWay(request, &TestRequest::readPhaseEnabled, panel, &P::setReadPhaseEnabled,
               &P::readPhaseEnabledChanged);
}

} // namespace trevlamark
