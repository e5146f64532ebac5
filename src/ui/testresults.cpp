#include "ui/testresults.h"

#include "ui/statesetter.h"

namespace trevlamark {

TestResults::TestResults(QObject *parent)
    : QObject(parent)
{
}

TREVLAMARK_NOTIFYING_SETTER(TestResults, const std::optional<PerformanceTestResult> &, setLatestResult, m_latestResult,
                            latestResultChanged)

} // namespace trevlamark
