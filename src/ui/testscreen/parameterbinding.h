#pragma once
// The test's parameters between the gauge panel's controls, the session and
// the engine: keeps the controls and the session's fields equal both ways,
// picks the defaults for a location, and reads the fields into the request a
// start hands to the engine, which the run then keeps as its own settings.

#include "engine/bytespercycleoptions.h"
#include "engine/testrequest.h"

#include <QObject>
#include <optional>
#include <utility>

namespace trevlamark {

class GaugePanel;
class TestSession;

class ParameterBinding : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ParameterBinding)

public:
    ParameterBinding(TestSession *session, GaugePanel *panel, QObject *parent = nullptr);

    // The session's parameters as they are now; the caller adds where to test.
    TestRequest request() const;

private:
    TestSession *m_session;
};

} // namespace trevlamark
