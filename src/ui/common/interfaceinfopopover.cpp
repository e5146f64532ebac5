#include "ui/common/interfaceinfopopover.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace trevlamark {

namespace {

QString yesNo(bool value)
{
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

} // namespace

InterfaceInfoPopover::InterfaceInfoPopover(QWidget *parent)
    : QFrame(parent, Qt::Popup)
    , m_title(new QLabel(this))
    , m_loading(new QLabel(QStringLiteral("Loading interface information..."), this))
    , m_rows(new QFormLayout)
{
    setFrameShape(QFrame::StyledPanel);
    QFont headline = m_title->font();
    headline.setBold(true);
    m_title->setFont(headline);
    m_title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_loading->setForegroundRole(QPalette::PlaceholderText);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_loading);
    layout->addLayout(m_rows);
    rebuild();
}

void InterfaceInfoPopover::setInterfaceID(const QString &interfaceID)
{
    m_interfaceID = interfaceID;
    rebuild();
}

void InterfaceInfoPopover::setInterfaceInfo(const std::optional<NetworkInterfaceInfo> &info)
{
    m_info = info;
    rebuild();
}

QString InterfaceInfoPopover::title() const
{
    return m_title->text();
}

QList<QPair<QString, QString>> InterfaceInfoPopover::rows() const
{
    QList<QPair<QString, QString>> result;
    if (!m_info)
        return result;
    result.append({QStringLiteral("Name"), m_info->name});
    result.append({QStringLiteral("Is Virtual"), yesNo(m_info->isVirtual)});
    result.append({QStringLiteral("Is WiFi"), yesNo(m_info->isWifi)});
    if (m_info->mtu)
        result.append({QStringLiteral("MTU"), QString::number(*m_info->mtu) + QStringLiteral(" bytes")});
    if (m_info->speed)
        result.append({QStringLiteral("Speed Info"), *m_info->speed});
    return result;
}

void InterfaceInfoPopover::rebuild()
{
    m_title->setText(QStringLiteral("Network Interface Details for ") + m_interfaceID);
    m_loading->setVisible(!m_info);
    while (m_rows->rowCount() > 0)
        m_rows->removeRow(0);
    for (const auto &[label, value] : rows()) {
        auto *valueLabel = new QLabel(value, this);
        valueLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_rows->addRow(new QLabel(label + QLatin1Char(':'), this), valueLabel);
    }
    adjustSize();
}

void InterfaceInfoPopover::showBelow(QWidget *anchor)
{
    adjustSize();
    move(anchor->mapToGlobal(QPoint(anchor->width() / 2 - width() / 2, anchor->height())));
    show();
}

void InterfaceInfoPopover::hideEvent(QHideEvent *event)
{
    QFrame::hideEvent(event);
    emit closed();
}

} // namespace trevlamark
