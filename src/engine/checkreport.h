#pragma once
// What the check before a run found about its location: facts, hints that
// explain a figure before it is measured, and refusals that keep the run from
// starting (a volume too small, a folder that cannot be written).

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace trevlamark {

struct CheckReport
{
    enum class Severity { fact, hint, refusal };

    struct Finding
    {
        QString topic; // "where", "link", "mount", "space", "writable", "direct I/O"
        QString text;
        Severity severity = Severity::fact;

        bool operator==(const Finding &) const = default;
    };

    QList<Finding> findings;

    bool isRefused() const;
    // The refusals joined into one reason; empty when nothing refuses.
    QString refusalText() const;
    // One line per finding, "Topic: text", hints and refusals marked.
    QStringList lines() const;
    QJsonObject toJson() const;

    static QString severityText(Severity severity);
};

} // namespace trevlamark
