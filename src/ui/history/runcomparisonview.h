#pragma once
// Two kept runs side by side: each setting and figure of both, and how far
// the second is from the first in percent.

#include "history/runrecord.h"

#include <QList>
#include <QWidget>

class QGridLayout;
class QLabel;

namespace trevlamark {

class RunComparisonView : public QWidget
{
    Q_OBJECT

public:
    explicit RunComparisonView(QWidget *parent = nullptr);

    // The first run is the base the differences are taken against.
    void setRuns(const RunRecord &first, const RunRecord &second);
    QList<qint64> runIds() const { return m_ids; }
    // The comparison as the CLI prints it, for the clipboard.
    QString summaryText() const { return m_summary; }
    // The difference shown for a row, by its label; empty when there is none.
    QString differenceText(const QString &label) const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void colourVerdicts();

    QGridLayout *m_grid;
    // The difference labels that judge a change, with whether it was for the better.
    QList<std::pair<QLabel *, bool>> m_verdicts;
    QList<qint64> m_ids;
    QString m_summary;
};

} // namespace trevlamark
