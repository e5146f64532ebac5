#pragma once
// Two kept runs side by side: each setting and figure of both, and how far
// the second is from the first in percent.

#include "history/runrecord.h"

#include <QList>
#include <QWidget>

class QGridLayout;

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

private:
    QGridLayout *m_grid;
    QList<qint64> m_ids;
    QString m_summary;
};

} // namespace trevlamark
