#pragma once

#include "engine/performancetestresult.h"

#include <QObject>
#include <optional>

namespace trevlamark {

// The result of the last finished test, shown by the results card.
class TestResults : public QObject
{
    Q_OBJECT

public:
    explicit TestResults(QObject *parent = nullptr);

    const std::optional<PerformanceTestResult> &latestResult() const { return m_latestResult; }
    void setLatestResult(const std::optional<PerformanceTestResult> &value);

signals:
    void latestResultChanged();

private:
    std::optional<PerformanceTestResult> m_latestResult;
};

} // namespace trevlamark
