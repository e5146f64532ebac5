#pragma once
// Two stored runs side by side: each figure and setting of both, and for the
// figures how far the second run is from the first in percent.

#include "history/runrecord.h"

#include <QList>
#include <QString>
#include <optional>

namespace trevlamark {

class RunComparison
{
public:
    struct Row
    {
        QString label;
        QString first;
        QString second;
        // (second - first) / first * 100; nothing for settings and when the first is 0.
        std::optional<double> percentChange;
    };

    RunComparison(const RunRecord &first, const RunRecord &second);

    const QList<Row> &rows() const { return m_rows; }
    // "+12.5 %", "-3.0 %", or "" when there is no change to show.
    static QString percentText(const std::optional<double> &change);
    static std::optional<double> percentChange(double first, double second);
    // The rows as an aligned plain-text table, as the CLI prints it.
    QString text() const;

private:
    void addFigure(const QString &label, double first, double second, const QString &unit);
    void addSetting(const QString &label, const QString &first, const QString &second);

    QList<Row> m_rows;
};

} // namespace trevlamark
