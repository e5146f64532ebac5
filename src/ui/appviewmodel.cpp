#include "ui/appviewmodel.h"

namespace trevlamark {

AppViewModel::AppViewModel(QObject *parent)
    : QObject(parent)
{
}

void AppViewModel::setCurrentView(AppView value)
{
    m_currentView = value;
    emit currentViewChanged();
}

void AppViewModel::setTestParameters(const std::optional<TestParameters> &value)
{
    m_testParameters = value;
    emit testParametersChanged();
}

void AppViewModel::setSelectedLocation(const QString &value)
{
    m_selectedLocation = value;
    emit selectedLocationChanged();
}

void AppViewModel::navigateToPerformanceTest(const QString &location, bool isNetworkLocation,
                                             const std::optional<NetworkShare> &networkShare,
                                             const std::optional<NetworkInterfaceInfo> &networkInterfaceInfo,
                                             const std::shared_ptr<ShareManager> &shareManager)
{
    setSelectedLocation(location);
    setTestParameters(TestParameters{location, isNetworkLocation, networkShare, networkInterfaceInfo, shareManager});
    setCurrentView(AppView::performanceTest);
}

void AppViewModel::navigateToMain()
{
    setCurrentView(AppView::main);
}

} // namespace trevlamark
