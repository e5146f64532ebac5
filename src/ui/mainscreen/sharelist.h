#pragma once
// The main screen's "Network Shares" card: a status line while looking or when
// nothing is mounted, otherwise one row per share with the chosen one marked.

#include "discovery/networkshare.h"
#include "ui/mainscreen/sharerow.h"

#include <QFrame>
#include <QList>
#include <optional>

class QLabel;
class QVBoxLayout;

namespace trevlamark {

class ShareList : public QFrame
{
    Q_OBJECT

public:
    ShareList(ShareRow::CapacityLoader capacityLoader, ShareRow::Clock clock, QWidget *parent = nullptr);

    void setLoading(bool isLoading);
    // New rows for the shares; the one mounted at selectedMountPath is marked.
    void setShares(const QList<NetworkShare> &shares, const std::optional<QString> &selectedMountPath);
    void setSelectedMountPath(const std::optional<QString> &mountPath);

    QList<ShareRow *> rows() const;

signals:
    void shareSelected(const trevlamark::NetworkShare &share);

private:
    void updateStatus();

    ShareRow::CapacityLoader m_capacityLoader;
    ShareRow::Clock m_clock;
    QLabel *m_status;
    QWidget *m_rows;
    QVBoxLayout *m_rowsLayout;
    bool m_isLoading = false;
    bool m_hasShares = false;
};

} // namespace trevlamark
