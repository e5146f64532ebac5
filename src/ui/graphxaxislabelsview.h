#pragma once
// Time labels under a graph: "-60s" … "now" (or "end" once the test is over).

#include <QWidget>

namespace trevlamark {

class GraphXAxisLabelsView : public QWidget
{
    Q_OBJECT

public:
    explicit GraphXAxisLabelsView(QWidget *parent = nullptr);

    void setTimeWindow(double timeWindowSeconds);
    void setRunningTest(bool isRunningTest);
    void setMinLabelSpacing(double minLabelSpacing);
    QStringList labelTexts() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double labelWidth() const;

    double m_timeWindowSeconds = 60;
    bool m_isRunningTest = false;
    double m_minLabelSpacing = 80;
};

} // namespace trevlamark
