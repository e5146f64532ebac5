#pragma once
// The card that turns one PerformanceTestResult into lines per cycle and phase;
// heading, settings and speeds are the shared result text.

#include "engine/performancetestresult.h"

#include <QFrame>
#include <QList>
#include <QString>

class QVBoxLayout;

namespace trevlamark {

class ResultCard : public QFrame
{
    Q_OBJECT

public:
    enum class LineRole { Heading, Error, CycleTitle, WriteSpeed, ReadSpeed, Detail, Warning };
    struct Line
    {
        QString text;
        LineRole role;
    };

    explicit ResultCard(QWidget *parent = nullptr);

    void setResult(const PerformanceTestResult &result);

    static QList<Line> lines(const PerformanceTestResult &result);
    // The card's fill in a palette; every line is readable on it.
    static QColor background(const QPalette &palette);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void rebuild();

    QVBoxLayout *m_layout;
    PerformanceTestResult m_result;
};

} // namespace trevlamark
