#include "ui/app/navigation.h"

namespace trevlamark {

Navigation::Navigation(QObject *parent)
    : QObject(parent)
{
}

void Navigation::setCurrentScreen(Screen value)
{
    if (m_currentScreen == value)
        return;
    m_currentScreen = value;
    emit currentScreenChanged();
}

void Navigation::openTest(const TestParameters &parameters)
{
    m_selectedLocation = parameters.selectedLocation;
    m_testParameters = parameters;
    setCurrentScreen(Screen::test);
}

void Navigation::openMain()
{
    setCurrentScreen(Screen::main);
}

void Navigation::openHistory()
{
    setCurrentScreen(Screen::history);
}

} // namespace trevlamark
