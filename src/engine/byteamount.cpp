#include "engine/byteamount.h"

#include <QRegularExpression>
#include <limits>

namespace trevlamark {

ByteAmount::Parsed ByteAmount::parse(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]+)(MB|GB|TB)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return Parsed{};
    const QString unit = match.captured(2).toUpper();
    return fromDigits(match.captured(1),
        unit == QLatin1String("MB") ? Unit::MB : unit == QLatin1String("GB") ? Unit::GB : Unit::TB);
}

ByteAmount::Parsed ByteAmount::fromDigits(const QString &digits, Unit unit)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9]+$"));
    Parsed parsed;
    parsed.unit = unit;
    if (!pattern.match(digits).hasMatch())
        return parsed;
    bool ok = false;
    const quint64 count = digits.toULongLong(&ok);
    if (!ok || count > largestCount(unit)) {
        parsed.refusal = Refusal::TooLarge;
        return parsed;
    }
    // Zero is refused: an empty cycle would transfer nothing yet report a speed.
    if (count == 0) {
        parsed.refusal = Refusal::Zero;
        return parsed;
    }
    parsed.bytes = count << int(unit);
    return parsed;
}

quint64 ByteAmount::largestCount(Unit unit)
{
    return std::numeric_limits<quint64>::max() >> int(unit);
}

QString ByteAmount::unitText(Unit unit)
{
    switch (unit) {
    case Unit::MB:
        return QStringLiteral("MB");
    case Unit::GB:
        return QStringLiteral("GB");
    case Unit::TB:
        break;
    }
    return QStringLiteral("TB");
}

} // namespace trevlamark
