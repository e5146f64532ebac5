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
        // Whether the change is for the better: a higher speed, a lower
        // latency. Nothing when there is no change to judge.
        std::optional<bool> better;
    };

    RunComparison(const RunRecord &first, const RunRecord &second);

    const QList<Row> &rows() const { return m_rows; }
    // "+12.5 %", "-3.0 %", or "" when there is no change to show.
    static QString percentText(const std::optional<double> &change);
    // "better", "worse" or "".
    static QString verdictText(const std::optional<bool> &better);
    static std::optional<double> percentChange(double first, double second);
    // The rows as an aligned plain-text table, as the CLI prints it.
    QString text() const;

private:
    enum class Better { Higher, Lower };
    void addFigure(const QString &label, std::optional<double> first, std::optional<double> second,
                   const QString &unit, Better better);
    void addSetting(const QString &label, const QString &first, const QString &second);

    QList<Row> m_rows;
};

} // namespace trevlamark
