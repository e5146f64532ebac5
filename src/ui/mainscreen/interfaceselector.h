#pragma once
// A menu of the available network interfaces by name.

#include <QList>
#include <QPair>
#include <QToolButton>

class QMenu;

namespace trevlamark {

class InterfaceSelector : public QToolButton
{
    Q_OBJECT
    Q_PROPERTY(QString selectedInterface READ selectedInterface WRITE setSelectedInterface NOTIFY
                   selectedInterfaceChanged)

public:
    explicit InterfaceSelector(QWidget *parent = nullptr);

    QString selectedInterface() const { return m_selectedInterface; }
    void setSelectedInterface(const QString &interfaceID);
    // (identifier, name) pairs, in menu order.
    void setAvailableInterfaces(const QList<QPair<QString, QString>> &availableInterfaces);

    QSize sizeHint() const override;

signals:
    void selectedInterfaceChanged(const QString &interfaceID);

private:
    void rebuildMenu();

    QString m_selectedInterface;
    QList<QPair<QString, QString>> m_availableInterfaces;
    QMenu *m_menu;
};

} // namespace trevlamark
