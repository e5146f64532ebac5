#include "engine/checkreport.h"

#include <QJsonArray>
#include <algorithm>

namespace trevlamark {

bool CheckReport::isRefused() const
{
    return std::any_of(findings.cbegin(), findings.cend(),
                       [](const Finding &finding) { return finding.severity == Severity::refusal; });
}

QString CheckReport::refusalText() const
{
    QStringList reasons;
    for (const Finding &finding : findings) {
        if (finding.severity == Severity::refusal)
            reasons << finding.text;
    }
    return reasons.join(QStringLiteral("; "));
}

QStringList CheckReport::lines() const
{
    QStringList result;
    for (const Finding &finding : findings) {
        QString topic = finding.topic;
        topic[0] = topic[0].toUpper();
        const QString mark = finding.severity == Severity::refusal ? QStringLiteral("Refused: ")
                           : finding.severity == Severity::hint    ? QStringLiteral("Hint: ")
                                                                   : QString();
        result << QStringLiteral("%1: %2%3").arg(topic, mark, finding.text);
    }
    return result;
}

QString CheckReport::severityText(Severity severity)
{
    switch (severity) {
    case Severity::fact: return QStringLiteral("fact");
    case Severity::hint: return QStringLiteral("hint");
    case Severity::refusal: return QStringLiteral("refusal");
    }
    return {};
}

QJsonObject CheckReport::toJson() const
{
    QJsonArray array;
    for (const Finding &finding : findings) {
        array.append(QJsonObject{{QStringLiteral("topic"), finding.topic}, {QStringLiteral("text"), finding.text},
                                 {QStringLiteral("severity"), severityText(finding.severity)}});
    }
    QJsonObject object{{QStringLiteral("findings"), array}, {QStringLiteral("refused"), isRefused()}};
    if (isRefused())
        object.insert(QStringLiteral("refusal"), refusalText());
    return object;
}

} // namespace trevlamark
