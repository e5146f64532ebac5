#pragma once
// The card that draws a run's result text, each line in the style of its role.

#include "engine/performancetestresult.h"
#include "engine/resultline.h"

#include <QFrame>
#include <QList>
#include <QString>

class QVBoxLayout;

namespace trevlamark {

class ResultCard : public QFrame
{
    Q_OBJECT

public:
    explicit ResultCard(QWidget *parent = nullptr);

    void setResult(const PerformanceTestResult &result);

    // The shared result text, sizes as the screen writes them.
    static QList<ResultLine> lines(const PerformanceTestResult &result);
    // The card's fill in a palette; every line is readable on it.
    static QColor background(const QPalette &palette);

signals:
    // Chosen in the Plays view of the result: the screen opens its media test.
    void pacedTestRequested(const QString &format, int streams);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void rebuild();

    QVBoxLayout *m_layout;
    PerformanceTestResult m_result;
};

} // namespace trevlamark
