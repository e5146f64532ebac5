#pragma once
// Details of the graph's network interface, in a popup anchored to the info button.

#include "discovery/networkinterfaceinfo.h"

#include <QFrame>
#include <optional>

class QFormLayout;
class QLabel;

namespace trevlamark {

class InterfaceInfoPopover : public QFrame
{
    Q_OBJECT

public:
    explicit InterfaceInfoPopover(QWidget *parent = nullptr);

    void setInterfaceID(const QString &interfaceID);
    // None while the record is still being looked up.
    void setInterfaceInfo(const std::optional<NetworkInterfaceInfo> &info);
    // Label/value pairs currently shown, in order.
    QList<QPair<QString, QString>> rows() const;
    QString title() const;

    void showBelow(QWidget *anchor);

signals:
    void closed();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void rebuild();

    QString m_interfaceID;
    std::optional<NetworkInterfaceInfo> m_info;
    QLabel *m_title;
    QLabel *m_loading;
    QFormLayout *m_rows;
};

} // namespace trevlamark
