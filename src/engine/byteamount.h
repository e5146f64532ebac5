#pragma once
// The one reading of a byte amount typed by a user: a whole number of MB, GB
// or TB, 1,024-based. The CLI reads "512MB" as one word; the custom amount
// field reads the digits and takes the unit from its selector.

#include <QString>
#include <optional>

namespace trevlamark {

class ByteAmount
{
public:
    // The value is the shift from bytes to the unit.
    enum class Unit { MB = 20, GB = 30, TB = 40 };
    enum class Refusal { NotAnAmount, Zero, TooLarge };

    struct Parsed
    {
        std::optional<quint64> bytes; // set when accepted
        Refusal refusal = Refusal::NotAnAmount;
        Unit unit = Unit::MB;
    };

    // Digits directly followed by MB, GB or TB, any letter case.
    static Parsed parse(const QString &text);
    // Digits only, in the given unit.
    static Parsed fromDigits(const QString &digits, Unit unit);
    // The largest count of the unit that fits in 64 bits.
    static quint64 largestCount(Unit unit);
    // "MB", "GB" or "TB"
    static QString unitText(Unit unit);
};

} // namespace trevlamark
