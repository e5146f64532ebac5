#pragma once
// The curve of a search for the most streams: per count tried, the share of
// its frames that were late (a bar, none for a clean step) and its p99 frame
// latency.

#include "engine/maxstreamsstep.h"

#include <QList>
#include <QWidget>

namespace trevlamark {

class StreamsCurveChart : public QWidget
{
    Q_OBJECT

public:
    explicit StreamsCurveChart(QWidget *parent = nullptr);

    void setSteps(const QList<MaxStreamsStep> &steps);
    QSize sizeHint() const override { return {560, 180}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<MaxStreamsStep> m_steps;
};

} // namespace trevlamark
