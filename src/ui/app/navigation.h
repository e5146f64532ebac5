#pragma once
// Which screen the main window shows (main, test or history), what the test screen was opened with,
// and the location the main screen keeps while a test screen is open.

#include "ui/common/testparameters.h"

#include <QObject>
#include <optional>

namespace trevlamark {

enum class Screen { main, test, history };

class Navigation : public QObject
{
    Q_OBJECT

public:
    explicit Navigation(QObject *parent = nullptr);

    Screen currentScreen() const { return m_currentScreen; }
    const std::optional<TestParameters> &testParameters() const { return m_testParameters; }
    QString selectedLocation() const { return m_selectedLocation; }
    void setSelectedLocation(const QString &value) { m_selectedLocation = value; }

    // Location and parameters first, then the switch, so the test screen
    // finds its parameters in place when it is built.
    void openTest(const TestParameters &parameters);
    // The test screen's close action; the parameters stay as they were.
    void openMain();
    // The list of kept runs, reached from the main screen.
    void openHistory();

signals:
    void currentScreenChanged();

private:
    void setCurrentScreen(Screen value);

    Screen m_currentScreen = Screen::main;
    std::optional<TestParameters> m_testParameters;
    QString m_selectedLocation;
};

} // namespace trevlamark
