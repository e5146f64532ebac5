#include "ui/networkmonitoringstate.h"

#include "ui/statesetter.h"

namespace trevlamark {

NetworkMonitoringState::NetworkMonitoringState(const std::optional<NetworkInterfaceInfo> &interfaceInfo,
                                               const std::optional<NetworkShare> &share, bool isNetworkLocation,
                                               QObject *parent)
    : QObject(parent)
    , m_networkInterfaceInfo(interfaceInfo)
    , m_isNetworkLocation(isNetworkLocation)
{
    if (interfaceInfo) {
        m_networkInterface = interfaceInfo->interfaceID;
        m_networkSpeed = interfaceInfo->isWifi ? std::optional<QString>(QStringLiteral("Wi-Fi")) : interfaceInfo->speed;
        m_networkRawSpeed = interfaceInfo->rawSpeed;
        m_networkMaxSpeedMbps = interfaceInfo->speedMbps;
    }
    if (share) {
        m_networkProtocol = NetworkShare::protocolText(share->shareProtocol);
        m_serverName = share->hostname;
        m_shareName = share->shareName;
    }
}

TREVLAMARK_NOTIFYING_SETTER(NetworkMonitoringState, const QList<NetworkTrafficSample> &, setNetworkChartData,
                            m_networkChartData, networkChartDataChanged)
TREVLAMARK_NOTIFYING_SETTER(NetworkMonitoringState, bool, setRestartMonitoringTrigger, m_restartMonitoringTrigger,
                            restartMonitoringTriggerChanged)

} // namespace trevlamark
