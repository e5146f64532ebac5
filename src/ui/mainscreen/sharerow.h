#pragma once
// One row of the main screen's share list: host and share name, file-system
// type, and, once known, the free space and the capacity pie. The capacity is
// read off the main thread, at most once a second.

#include "discovery/networkshare.h"

#include <QDateTime>
#include <QWidget>
#include <functional>
#include <optional>

class QLabel;

namespace trevlamark {

class ElidedLabel;
class StoragePieChart;

class ShareRow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShareRow)

public:
    // Fills the share's capacities; runs off the main thread.
    using CapacityLoader = std::function<bool(NetworkShare &share)>;
    using Clock = std::function<QDateTime()>;

    explicit ShareRow(const NetworkShare &share, bool isSelected, QWidget *parent = nullptr);
    ShareRow(const NetworkShare &share, bool isSelected, CapacityLoader capacityLoader, Clock clock,
             QWidget *parent = nullptr);

    // "host/share", the key of the capacity messages.
    static QString storageKey(const NetworkShare &share);

    // Asks for the capacity unless it is known or was asked for less than a second ago.
    void loadStorageInfo();

    const NetworkShare &share() const { return m_share; }
    bool isSelected() const { return m_isSelected; }
    void setSelected(bool isSelected);
    bool hasStorageInfo() const { return m_hasStorageInfo; }
    std::optional<qint64> totalStorageBytes() const { return m_totalStorageBytes; }
    std::optional<qint64> freeStorageBytes() const { return m_freeStorageBytes; }
    QLabel *freeSpaceLabel() const { return m_freeSpace; }
    // The line under the title: file system and mount point.
    QString caption() const;

    static constexpr double storageLoadIntervalSeconds = 1.0;

signals:
    // The row was clicked.
    void selected(const trevlamark::NetworkShare &share);
    // Capacity figures arrived (or a load failed: hasStorageInfo() tells).
    void storageLoadFinished();

protected:
    void showEvent(QShowEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void setStorage(qint64 totalBytes, qint64 freeBytes);
    void refreshStorage();

    NetworkShare m_share;
    bool m_isSelected;
    CapacityLoader m_capacityLoader;
    Clock m_clock;
    bool m_hasStorageInfo = false;
    std::optional<qint64> m_totalStorageBytes;
    std::optional<qint64> m_freeStorageBytes;
    std::optional<QDateTime> m_lastStorageLoadTime;

    QLabel *m_title;
    ElidedLabel *m_filesystem;
    QLabel *m_freeSpace;
    StoragePieChart *m_pieChart;
};

} // namespace trevlamark
