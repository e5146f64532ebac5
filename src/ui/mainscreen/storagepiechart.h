#pragma once
// The small capacity pie of a share row: the whole volume in a pale "cool",
// the used part as a "warm" slice from the top, clockwise. Hovering enlarges
// it and shows the used, free and total byte counts.

#include <QPainterPath>
#include <QPointer>
#include <QRectF>
#include <QWidget>

class QLabel;
class QVariantAnimation;

namespace trevlamark {

class StoragePieChart : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StoragePieChart)

public:
    explicit StoragePieChart(QWidget *parent = nullptr);
    ~StoragePieChart() override;

    void setStorage(qint64 usedBytes, qint64 freeBytes, qint64 totalBytes);

    // Used fraction of the total, 0 to 1; 0 when the total is not positive.
    static double usedFraction(qint64 usedBytes, qint64 totalBytes);
    // The slice: from the centre to the top of the rim, clockwise over
    // 360 x percentage degrees, and back to the centre.
    static QPainterPath pieSlicePath(const QRectF &rect, double percentage);
    // The three lines of the hover panel.
    static QStringList hoverLines(qint64 usedBytes, qint64 freeBytes, qint64 totalBytes);

    double percentage() const { return m_percentage; }
    bool isHovered() const { return m_isHovered; }
    double scale() const { return m_scale; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int diameterPx = 30;
    static constexpr double hoverScale = 1.2;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setHovered(bool isHovered);

    double m_percentage = 0;
    qint64 m_usedBytes = 0;
    qint64 m_freeBytes = 0;
    qint64 m_totalBytes = 0;
    bool m_isHovered = false;
    double m_scale = 1.0;
    QPointer<QVariantAnimation> m_scaleAnimation;
    QPointer<QWidget> m_hoverPanel;
};

} // namespace trevlamark
