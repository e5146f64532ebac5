#pragma once
// The test screen's top row: Back, the location's title and the media test.

#include "discovery/networkshare.h"

#include <QWidget>

class QToolButton;

namespace trevlamark {

class TestScreenHeader : public QWidget
{
    Q_OBJECT

public:
    TestScreenHeader(const QString &title, QWidget *parent = nullptr);

    // The header title (forHeader) or the text handed to the run for a stop by hand.
    static QString locationDescription(const NetworkShare &share, bool isNetworkLocation,
                                       const QString &selectedLocation, bool forHeader);

    QToolButton *backButton() const { return m_backButton; }
    QToolButton *mediaTestButton() const { return m_mediaTestButton; }

private:
    QToolButton *m_backButton;
    QToolButton *m_mediaTestButton;
};

} // namespace trevlamark
