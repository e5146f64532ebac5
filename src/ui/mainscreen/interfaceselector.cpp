#include "ui/mainscreen/interfaceselector.h"

#include "ui/charts/trafficgeometry.h"

#include <QMenu>
#include <QStyle>

namespace trevlamark {

InterfaceSelector::InterfaceSelector(QWidget *parent)
    : QToolButton(parent)
    , m_menu(new QMenu(this))
{
    setMenu(m_menu);
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    rebuildMenu();
}

void InterfaceSelector::setSelectedInterface(const QString &interfaceID)
{
    if (m_selectedInterface == interfaceID)
        return;
    m_selectedInterface = interfaceID;
    rebuildMenu();
    emit selectedInterfaceChanged(m_selectedInterface);
}

void InterfaceSelector::setAvailableInterfaces(const QList<QPair<QString, QString>> &availableInterfaces)
{
    m_availableInterfaces = availableInterfaces;
    rebuildMenu();
}

QSize InterfaceSelector::sizeHint() const
{
    // The style draws the menu arrow in the bottom right corner over centred
    // text; room for it on both sides keeps the text centred and clear of it.
    QSize hint = QToolButton::sizeHint();
    hint.rwidth() += 2 * style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, this);
    return hint;
}

void InterfaceSelector::rebuildMenu()
{
    setText(TrafficGeometry::interfaceSelectorLabel(m_selectedInterface, m_availableInterfaces));
    m_menu->clear();
    for (const auto &[id, name] : std::as_const(m_availableInterfaces)) {
        QAction *action = m_menu->addAction(name);
        action->setCheckable(true);
        action->setChecked(id == m_selectedInterface);
        const QString chosen = id;
        connect(action, &QAction::triggered, this, [this, chosen] { setSelectedInterface(chosen); });
    }
}

} // namespace trevlamark
