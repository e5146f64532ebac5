#pragma once
// The bottom of the test screen: "No test results yet" or the last result's card.

#include "engine/performancetestresult.h"

#include <QWidget>
#include <optional>

class QLabel;

namespace trevlamark {

class ResultCard;

class ResultsSection : public QWidget
{
    Q_OBJECT

public:
    explicit ResultsSection(QWidget *parent = nullptr);

    void setTestResult(const std::optional<PerformanceTestResult> &result);
    ResultCard *card() const { return m_card; }

private:
    QLabel *m_placeholder;
    ResultCard *m_card;
};

} // namespace trevlamark
