#pragma once
// The network side of the test screen: the samples drawn by the traffic graph
// and the link facts fixed when the screen is built.

#include "discovery/networkinterfaceinfo.h"
#include "discovery/networkshare.h"
#include "monitor/networktrafficsample.h"

#include <QList>
#include <QObject>
#include <optional>

namespace trevlamark {

class NetworkMonitoringState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<trevlamark::NetworkTrafficSample> networkChartData READ networkChartData WRITE setNetworkChartData NOTIFY networkChartDataChanged)
    Q_PROPERTY(bool restartMonitoringTrigger READ restartMonitoringTrigger WRITE setRestartMonitoringTrigger NOTIFY restartMonitoringTriggerChanged)

public:
    NetworkMonitoringState(const std::optional<NetworkInterfaceInfo> &interfaceInfo,
                           const std::optional<NetworkShare> &share, bool isNetworkLocation,
                           QObject *parent = nullptr);

    QList<NetworkTrafficSample> networkChartData() const { return m_networkChartData; }
    bool restartMonitoringTrigger() const { return m_restartMonitoringTrigger; }
    void setNetworkChartData(const QList<NetworkTrafficSample> &value);
    void setRestartMonitoringTrigger(bool value);

    const std::optional<NetworkInterfaceInfo> &networkInterfaceInfo() const { return m_networkInterfaceInfo; }
    const std::optional<QString> &networkSpeed() const { return m_networkSpeed; }
    const std::optional<QString> &networkRawSpeed() const { return m_networkRawSpeed; }
    std::optional<int> networkMaxSpeedMbps() const { return m_networkMaxSpeedMbps; }
    const std::optional<QString> &networkProtocol() const { return m_networkProtocol; }
    const std::optional<QString> &serverName() const { return m_serverName; }
    const std::optional<QString> &shareName() const { return m_shareName; }
    const std::optional<QString> &networkInterface() const { return m_networkInterface; }
    bool isNetworkLocation() const { return m_isNetworkLocation; }

signals:
    void networkChartDataChanged();
    void restartMonitoringTriggerChanged();

private:
    QList<NetworkTrafficSample> m_networkChartData;
    bool m_restartMonitoringTrigger = false;
    std::optional<NetworkInterfaceInfo> m_networkInterfaceInfo;
    std::optional<QString> m_networkSpeed;
    std::optional<QString> m_networkRawSpeed;
    std::optional<int> m_networkMaxSpeedMbps;
    std::optional<QString> m_networkProtocol;
    std::optional<QString> m_serverName;
    std::optional<QString> m_shareName;
    std::optional<QString> m_networkInterface;
    bool m_isNetworkLocation = false;
};

} // namespace trevlamark
