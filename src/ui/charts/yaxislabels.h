#pragma once
// Scale labels beside a graph: round values down to 0 at the midline and up
// again below it, each level with the grid line the plot draws there.

#include <QWidget>

namespace trevlamark {

class YAxisLabels : public QWidget
{
    Q_OBJECT

public:
    explicit YAxisLabels(QWidget *parent = nullptr);

    void setMaxY(double maxY);
    QStringList labelTexts() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    double m_maxY = 125;
};

} // namespace trevlamark
