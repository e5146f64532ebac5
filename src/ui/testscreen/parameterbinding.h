#pragma once
// The test's parameters between the gauge panel's controls and the edited
// request: keeps each control and its request field equal both ways.

#include <QObject>

namespace trevlamark {

class EditedRequest;
class GaugePanel;

class ParameterBinding : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ParameterBinding)

public:
    ParameterBinding(EditedRequest *request, GaugePanel *panel, QObject *parent = nullptr);
};

} // namespace trevlamark
