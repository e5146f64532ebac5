#include "discovery/networkinterfaceinfo.h"

#include "discovery/jsonfields.h"

namespace trevlamark {

QJsonObject NetworkInterfaceInfo::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("interfaceID"), interfaceID);
    object.insert(QStringLiteral("name"), name);
    object.insert(QStringLiteral("isVirtual"), isVirtual);
    JsonFields::insertOptional(object, QStringLiteral("speed"), speed);
    JsonFields::insertOptional(object, QStringLiteral("rawSpeed"), rawSpeed);
    object.insert(QStringLiteral("isWifi"), isWifi);
    JsonFields::insertOptional(object, QStringLiteral("speedMbps"), speedMbps);
    JsonFields::insertOptional(object, QStringLiteral("mtu"), mtu);
    return object;
}

std::optional<NetworkInterfaceInfo> NetworkInterfaceInfo::fromJson(const QJsonObject &object)
{
    JsonFields fields(object);
    NetworkInterfaceInfo info;
    info.interfaceID = fields.requiredText(QStringLiteral("interfaceID"));
    info.name = fields.requiredText(QStringLiteral("name"));
    info.isVirtual = fields.requiredBool(QStringLiteral("isVirtual"));
    info.speed = fields.optionalText(QStringLiteral("speed"));
    info.rawSpeed = fields.optionalText(QStringLiteral("rawSpeed"));
    info.isWifi = fields.requiredBool(QStringLiteral("isWifi"));
    info.speedMbps = fields.optionalInt(QStringLiteral("speedMbps"));
    info.mtu = fields.optionalInt(QStringLiteral("mtu"));
    if (!fields.isValid())
        return std::nullopt;
    return info;
}

} // namespace trevlamark
