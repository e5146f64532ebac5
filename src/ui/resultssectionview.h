#pragma once
// The bottom of the test screen: "No test results yet" or the last result's card.

#include "engine/performancetestresult.h"

#include <QWidget>
#include <optional>

class QLabel;

namespace trevlamark {

class ResultItemView;

class ResultsSectionView : public QWidget
{
    Q_OBJECT

public:
    explicit ResultsSectionView(QWidget *parent = nullptr);

    void setTestResult(const std::optional<PerformanceTestResult> &result);
    ResultItemView *itemView() const { return m_itemView; }

private:
    QLabel *m_placeholder;
    ResultItemView *m_itemView;
};

} // namespace trevlamark
