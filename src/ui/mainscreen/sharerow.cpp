#include "ui/mainscreen/sharerow.h"

#include "platform/logcategories.h"
#include "ui/common/backgroundtask.h"
#include "ui/common/bytecountformat.h"
#include "ui/common/elidedlabel.h"
#include "ui/mainscreen/storagepiechart.h"
#include "ui/common/themecolors.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace trevlamark {

namespace {
QString oneDecimal(double seconds)
{
    return QString::asprintf("%.1f", seconds);
}
} // namespace

ShareRow::ShareRow(const NetworkShare &share, bool isSelected, QWidget *parent)
    : ShareRow(
          share, isSelected, [](NetworkShare &target) { return target.loadStorageInfo(); },
          [] { return QDateTime::currentDateTimeUtc(); }, parent)
{
}

ShareRow::ShareRow(const NetworkShare &share, bool isSelected, CapacityLoader capacityLoader, Clock clock,
                   QWidget *parent)
    : QWidget(parent)
    , m_share(share)
    , m_isSelected(isSelected)
    , m_capacityLoader(std::move(capacityLoader))
    , m_clock(std::move(clock))
    , m_title(new QLabel(this))
    , m_filesystem(new ElidedLabel(QString(), this))
    , m_freeSpace(new QLabel(this))
    , m_pieChart(new StoragePieChart(this))
{
    setCursor(Qt::PointingHandCursor);
    setToolTip(m_share.mountPath);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(1);
    m_title->setText(storageKey(m_share));
    QFont titleFont = m_title->font();
    titleFont.setWeight(QFont::Medium);
    m_title->setFont(titleFont);
    // The mount point tells apart two mounts of one share, which share a title.
    m_filesystem->setText(m_share.filesystemType + QStringLiteral(" · ") + m_share.mountPath);
    m_filesystem->setElidedInTheMiddle(true);
    QFont captionFont = m_filesystem->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 0.85);
    m_filesystem->setFont(captionFont);
    m_filesystem->setForegroundRole(QPalette::PlaceholderText);
    texts->addWidget(m_title);
    texts->addWidget(m_filesystem);
    layout->addLayout(texts, 1);
    m_freeSpace->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(m_freeSpace, 0, Qt::AlignVCenter);
    layout->addWidget(m_pieChart, 0, Qt::AlignVCenter);
    refreshStorage();
}

QString ShareRow::storageKey(const NetworkShare &share)
{
    return share.hostname + QLatin1Char('/') + share.shareName;
}

QString ShareRow::caption() const
{
    return m_filesystem->text();
}

void ShareRow::setSelected(bool isSelected)
{
    if (m_isSelected == isSelected)
        return;
    m_isSelected = isSelected;
    update();
}

void ShareRow::loadStorageInfo()
{
    const QString key = storageKey(m_share);
    const QDateTime now = m_clock();
    if (m_lastStorageLoadTime) {
        const double elapsedSeconds = double(m_lastStorageLoadTime->msecsTo(now)) / 1000.0;
        if (elapsedSeconds < storageLoadIntervalSeconds) {
            qCInfo(lcUi).noquote() << QStringLiteral("ShareRow: Skipping storage load for ") + key
                                      + QStringLiteral(" - too soon since last load (") + oneDecimal(elapsedSeconds)
                                      + QStringLiteral("s ago)");
            return;
        }
    }
    if (m_hasStorageInfo) {
        qCInfo(lcUi).noquote() << QStringLiteral("ShareRow: Using existing storage info for ") + key;
        return;
    }
    if (m_share.totalStorageBytes && m_share.freeStorageBytes) {
        setStorage(*m_share.totalStorageBytes, *m_share.freeStorageBytes);
        qCInfo(lcUi).noquote() << QStringLiteral("ShareRow: Using pre-loaded storage info from share object for ")
                                  + key;
        emit storageLoadFinished();
        return;
    }
    m_lastStorageLoadTime = now;
    qCInfo(lcUi).noquote() << QStringLiteral("ShareRow: Loading storage info for ") + key;
    using Loaded = std::optional<NetworkShare>;
    BackgroundTask::run<Loaded>(
        this,
        [loader = m_capacityLoader, share = m_share]() mutable -> Loaded {
            if (!loader(share))
                return std::nullopt;
            return share;
        },
        [this, key](const Loaded &loaded) {
            if (loaded && loaded->totalStorageBytes && loaded->freeStorageBytes) {
                setStorage(*loaded->totalStorageBytes, *loaded->freeStorageBytes);
                qCInfo(lcUi).noquote() << QStringLiteral("ShareRow: Successfully loaded storage info for ")
                                          + key;
            } else {
                qCInfo(lcUi).noquote() << QStringLiteral("ShareRow: Failed to load storage info for ") + key;
            }
            emit storageLoadFinished();
        });
}

void ShareRow::setStorage(qint64 totalBytes, qint64 freeBytes)
{
    m_totalStorageBytes = totalBytes;
    m_freeStorageBytes = freeBytes;
    m_hasStorageInfo = true;
    refreshStorage();
}

void ShareRow::refreshStorage()
{
    m_freeSpace->setVisible(m_hasStorageInfo);
    m_pieChart->setVisible(m_hasStorageInfo);
    if (!m_hasStorageInfo)
        return;
    const qint64 total = m_totalStorageBytes.value_or(0);
    const qint64 free = m_freeStorageBytes.value_or(0);
    m_freeSpace->setText(formatByteCount(quint64(std::max<qint64>(free, 0))) + QStringLiteral(" free"));
    m_pieChart->setStorage(std::max<qint64>(total - free, 0), free, total);
}

void ShareRow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    loadStorageInfo();
}

void ShareRow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    loadStorageInfo();
    emit selected(m_share);
}

void ShareRow::paintEvent(QPaintEvent *)
{
    if (!m_isSelected)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor background = ThemeColors::cool(this);
    background.setAlphaF(0.3f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
}

void ShareRow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        update();
}

} // namespace trevlamark
