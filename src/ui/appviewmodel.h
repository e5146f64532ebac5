#pragma once
// Navigation between the main screen and the test screen.

#include "ui/testparameters.h"

#include <QObject>
#include <optional>

namespace trevlamark {

enum class AppView { main, performanceTest };

class AppViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(trevlamark::AppView currentView READ currentView WRITE setCurrentView NOTIFY currentViewChanged)
    Q_PROPERTY(QString selectedLocation READ selectedLocation WRITE setSelectedLocation NOTIFY selectedLocationChanged)

public:
    explicit AppViewModel(QObject *parent = nullptr);

    AppView currentView() const { return m_currentView; }
    const std::optional<TestParameters> &testParameters() const { return m_testParameters; }
    QString selectedLocation() const { return m_selectedLocation; }

    void setCurrentView(AppView value);
    void setTestParameters(const std::optional<TestParameters> &value);
    void setSelectedLocation(const QString &value);

    // Location first, then the parameters, then the switch, so the test screen
    // finds its parameters in place when it is built.
    void navigateToPerformanceTest(const QString &location, bool isNetworkLocation,
                                   const std::optional<NetworkShare> &networkShare,
                                   const std::optional<NetworkInterfaceInfo> &networkInterfaceInfo,
                                   const std::shared_ptr<ShareManager> &shareManager);
    // The test screen's close action; the parameters stay as they were.
    void navigateToMain();

signals:
    void currentViewChanged();
    void testParametersChanged();
    void selectedLocationChanged();

private:
    AppView m_currentView = AppView::main;
    std::optional<TestParameters> m_testParameters;
    QString m_selectedLocation;
};

} // namespace trevlamark
