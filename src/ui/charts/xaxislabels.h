#pragma once
// Time labels under a graph, each under its grid line: "-50 s", "-40" … "now"
// (or "end" once the test is over).

#include <QWidget>

class QVariantAnimation;

namespace trevlamark {

class XAxisLabels : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(XAxisLabels)

public:
    explicit XAxisLabels(QWidget *parent = nullptr);

    void setTimeWindow(double timeWindowSeconds);
    void setRunningTest(bool isRunningTest);
    // The labels for the window as set (the drawing eases towards them).
    QStringList labelTexts() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_timeWindowSeconds = 60;
    double m_shownTimeWindowSeconds = 60;
    QVariantAnimation *m_windowAnimation;
    bool m_isRunningTest = false;
};

} // namespace trevlamark
