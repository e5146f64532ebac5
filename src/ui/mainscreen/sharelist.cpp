#include "ui/mainscreen/sharelist.h"

#include <QLabel>
#include <QVBoxLayout>

namespace trevlamark {

ShareList::ShareList(ShareRow::CapacityLoader capacityLoader, ShareRow::Clock clock, QWidget *parent)
    : QFrame(parent)
    , m_capacityLoader(std::move(capacityLoader))
    , m_clock(std::move(clock))
    , m_status(new QLabel(this))
    , m_rows(new QWidget(this))
    , m_rowsLayout(new QVBoxLayout(m_rows))
{
    setFrameShape(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_status->setForegroundRole(QPalette::PlaceholderText);
    m_status->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_status);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(2);
    layout->addWidget(m_rows);
}

void ShareList::setLoading(bool isLoading)
{
    m_isLoading = isLoading;
    updateStatus();
}

QList<ShareRow *> ShareList::rows() const
{
    return m_rows->findChildren<ShareRow *>(Qt::FindDirectChildrenOnly);
}

void ShareList::setShares(const QList<NetworkShare> &shares, const std::optional<QString> &selectedMountPath)
{
    for (ShareRow *row : rows()) {
        // Later: the row may be the one whose click brought us here.
        row->hide();
        m_rowsLayout->removeWidget(row);
        row->setParent(nullptr);
        row->deleteLater();
    }
    for (const NetworkShare &share : shares) {
        auto *row = new ShareRow(share, selectedMountPath == share.mountPath, m_capacityLoader, m_clock, m_rows);
        connect(row, &ShareRow::selected, this, &ShareList::shareSelected);
        m_rowsLayout->addWidget(row);
    }
    m_hasShares = !shares.isEmpty();
    updateStatus();
}

void ShareList::setSelectedMountPath(const std::optional<QString> &mountPath)
{
    for (ShareRow *row : rows())
        row->setSelected(mountPath == row->share().mountPath);
}

void ShareList::updateStatus()
{
    if (m_isLoading)
        m_status->setText(QStringLiteral("Looking for network shares..."));
    else if (!m_hasShares)
        m_status->setText(QStringLiteral("No network shares detected"));
    m_status->setVisible(m_isLoading || !m_hasShares);
    m_rows->setVisible(m_hasShares);
}

} // namespace trevlamark
