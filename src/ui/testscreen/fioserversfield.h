#pragma once
// The test screen's list of fio servers: when it is not empty, Start runs the
// test from all of them. What is typed is kept in the preferences.

#include "engine/fioclient.h"

#include <QWidget>
#include <optional>

class QLineEdit;

namespace trevlamark {

class FioServersField : public QWidget
{
    Q_OBJECT

public:
    explicit FioServersField(QWidget *parent = nullptr);

    // The servers typed, an empty list when none; nothing (and a problem) when
    // the text cannot be read. A server without a path gets defaultPath.
    std::optional<QList<FioClient>> clients(const QString &defaultPath, QString &problem) const;

private:
    QLineEdit *m_edit;
};

} // namespace trevlamark
