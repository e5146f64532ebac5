#pragma once
// The test screen's list of fio servers: when it is not empty, Start runs the
// test from all of them. What is typed is kept in the preferences for the
// location it was typed for.

#include "engine/fioclient.h"

#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;

namespace trevlamark {

class FioServersField : public QWidget
{
    Q_OBJECT

public:
    explicit FioServersField(const QString &location, QWidget *parent = nullptr);

    // The servers typed, an empty list when none; nothing (and a problem) when
    // the text cannot be read. A server without a path gets defaultPath.
    std::optional<QList<FioClient>> clients(const QString &defaultPath, QString &problem) const;

    QLabel *notice() const { return m_notice; }
    bool hasServers() const;

signals:
    void serversChanged();

private:
    void showNotice();

    QLineEdit *m_edit;
    QLabel *m_notice;
};

} // namespace trevlamark
