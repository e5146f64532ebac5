#pragma once
// Reads the fields of a decoded record from a JSON object, remembering whether
// every field was present (when required) and of the right type.

#include <QJsonObject>
#include <QString>
#include <optional>

namespace trevlamark {

class JsonFields
{
public:
    explicit JsonFields(const QJsonObject &object);

    QString requiredText(const QString &key);
    bool requiredBool(const QString &key);
    // A present key with a value of another type makes the record invalid.
    std::optional<QString> optionalText(const QString &key);
    std::optional<int> optionalInt(const QString &key);
    std::optional<qint64> optionalInt64(const QString &key);
    std::optional<QJsonObject> optionalObject(const QString &key);

    bool isValid() const { return m_valid; }
    void markInvalid() { m_valid = false; }

    static void insertOptional(QJsonObject &object, const QString &key, const std::optional<QString> &value);
    static void insertOptional(QJsonObject &object, const QString &key, const std::optional<int> &value);
    static void insertOptional(QJsonObject &object, const QString &key, const std::optional<qint64> &value);

private:
    std::optional<qint64> integerValue(const QString &key, qint64 minimum, qint64 maximum);

    QJsonObject m_object;
    bool m_valid = true;
};

} // namespace trevlamark
