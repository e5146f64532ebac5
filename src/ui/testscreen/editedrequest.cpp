#include "ui/testscreen/editedrequest.h"

#include <tuple>

namespace trevlamark {

namespace {
// The settings the window edits; where to test is added at the start.
auto editedSettings(const TestRequest &request)
{
    return std::tie(request.chunkSize, request.queueDepth, request.bytesPerCycle, request.customBytesPerCycle,
                    request.totalCycles, request.disableCache, request.writePhaseEnabled, request.readPhaseEnabled,
                    request.samplingRateSeconds);
}
} // namespace

EditedRequest::EditedRequest(QObject *parent)
    : QObject(parent)
{
}

void EditedRequest::setValue(const TestRequest &value)
{
    const bool differs = editedSettings(m_value) != editedSettings(value);
    m_value = value;
    if (differs)
        emit changed();
}

void EditedRequest::update(const std::function<void(TestRequest &request)> &edit)
{
    TestRequest edited = m_value;
    edit(edited);
    setValue(edited);
}

} // namespace trevlamark
