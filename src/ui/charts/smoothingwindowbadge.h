#pragma once
// Developer aid: shows the current smoothing window of the throughput chart.

#include <QWidget>

namespace trevlamark {

class SmoothingWindowBadge : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int windowSize READ windowSize WRITE setWindowSize)

public:
    explicit SmoothingWindowBadge(QWidget *parent = nullptr);

    int windowSize() const { return m_windowSize; }
    void setWindowSize(int windowSize);
    QString text() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_windowSize = 1;
};

} // namespace trevlamark
