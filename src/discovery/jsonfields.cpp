#include "discovery/jsonfields.h"

#include <QJsonValue>
#include <cmath>
#include <limits>

namespace trevlamark {

namespace {
// Integers above 2^53 cannot travel through a JSON number without loss.
constexpr double largestExactInteger = 9007199254740992.0;
}

JsonFields::JsonFields(const QJsonObject &object)
    : m_object(object)
{
}

QString JsonFields::requiredText(const QString &key)
{
    const QJsonValue value = m_object.value(key);
    if (!value.isString()) {
        m_valid = false;
        return {};
    }
    return value.toString();
}

bool JsonFields::requiredBool(const QString &key)
{
    const QJsonValue value = m_object.value(key);
    if (!value.isBool()) {
        m_valid = false;
        return false;
    }
    return value.toBool();
}

std::optional<QString> JsonFields::optionalText(const QString &key)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString()) {
        m_valid = false;
        return std::nullopt;
    }
    return value.toString();
}

std::optional<qint64> JsonFields::integerValue(const QString &key, qint64 minimum, qint64 maximum)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    const double number = value.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!value.isDouble() || !std::isfinite(number) || std::trunc(number) != number
        || std::fabs(number) > largestExactInteger || number < double(minimum) || number > double(maximum)) {
        m_valid = false;
        return std::nullopt;
    }
    return qint64(number);
}

std::optional<int> JsonFields::optionalInt(const QString &key)
{
    const auto value = integerValue(key, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    if (!value)
        return std::nullopt;
    return int(*value);
}

std::optional<qint64> JsonFields::optionalInt64(const QString &key)
{
    return integerValue(key, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
}

std::optional<QJsonObject> JsonFields::optionalObject(const QString &key)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isObject()) {
        m_valid = false;
        return std::nullopt;
    }
    return value.toObject();
}

void JsonFields::insertOptional(QJsonObject &object, const QString &key, const std::optional<QString> &value)
{
    if (value)
        object.insert(key, *value);
}

void JsonFields::insertOptional(QJsonObject &object, const QString &key, const std::optional<int> &value)
{
    if (value)
        object.insert(key, *value);
}

void JsonFields::insertOptional(QJsonObject &object, const QString &key, const std::optional<qint64> &value)
{
    if (value)
        object.insert(key, *value);
}

} // namespace trevlamark
