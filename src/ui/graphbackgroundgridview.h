#pragma once
// The separator grid behind the graphs.

#include <QWidget>

namespace trevlamark {

class GraphBackgroundGridView : public QWidget
{
    Q_OBJECT

public:
    explicit GraphBackgroundGridView(QWidget *parent = nullptr);

    void setMinVerticalSpacing(double minVerticalSpacing);
    void setHorizontalDivisions(int horizontalDivisions);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_minVerticalSpacing = 60;
    int m_horizontalDivisions = 10;
};

} // namespace trevlamark
