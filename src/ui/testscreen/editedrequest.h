#pragma once
// The test the user is setting up: one TestRequest that the gauge panel's
// controls edit and that Start hands to the run as it is. Notifies only when
// a setting the window edits changed.

#include "engine/testrequest.h"

#include <QObject>
#include <functional>

namespace trevlamark {

class EditedRequest : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditedRequest)

public:
    explicit EditedRequest(QObject *parent = nullptr);

    const TestRequest &value() const { return m_value; }
    void setValue(const TestRequest &value);
    // Applies `edit` to a copy and keeps the copy.
    void update(const std::function<void(TestRequest &request)> &edit);

signals:
    void changed();

private:
    TestRequest m_value;
};

} // namespace trevlamark
