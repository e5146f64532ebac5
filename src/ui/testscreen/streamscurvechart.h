#pragma once
// The curve of a search for the most streams: per count tried, the share of
// its frames that were late (a bar, none for a clean step) and its p99 frame
// latency.

#include "engine/maxstreamsfinder.h"

#include <QWidget>

namespace trevlamark {

class StreamsCurveChart : public QWidget
{
    Q_OBJECT

public:
    explicit StreamsCurveChart(QWidget *parent = nullptr);

    void setSteps(const QList<MaxStreamsFinder::Step> &steps);
    QSize sizeHint() const override { return {560, 180}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<MaxStreamsFinder::Step> m_steps;
};

} // namespace trevlamark
