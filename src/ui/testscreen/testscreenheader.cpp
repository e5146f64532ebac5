#include "ui/testscreen/testscreenheader.h"

#include "ui/common/elidedlabel.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QStyle>
#include <QToolButton>

namespace trevlamark {

TestScreenHeader::TestScreenHeader(const QString &title, QWidget *parent)
    : QWidget(parent)
    , m_backButton(new QToolButton(this))
    , m_mediaTestButton(new QToolButton(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 8);
    m_backButton->setObjectName(QStringLiteral("backButton"));
    m_backButton->setText(QStringLiteral("Back"));
    m_backButton->setIcon(QIcon::fromTheme(QStringLiteral("go-previous"), style()->standardIcon(QStyle::SP_ArrowBack)));
    m_backButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_backButton->setAutoRaise(true);
    m_backButton->setToolTip(QStringLiteral("Return to main view"));
    layout->addWidget(m_backButton);
    auto *titleLabel = new ElidedLabel(QLatin1Char(' ') + title, this);
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    QFont titleFont = titleLabel->font();
    titleFont.setWeight(QFont::DemiBold);
    titleLabel->setFont(titleFont);
    titleLabel->setElidedInTheMiddle(true);
    layout->addWidget(titleLabel, 1);
    m_mediaTestButton->setObjectName(QStringLiteral("mediaTestButton"));
    m_mediaTestButton->setText(QStringLiteral("Media test…"));
    m_mediaTestButton->setToolTip(QStringLiteral("Play or record paced streams of a media format and count late frames"));
    layout->addWidget(m_mediaTestButton);
}

QString TestScreenHeader::locationDescription(const NetworkShare &share, bool isNetworkLocation,
                                              const QString &selectedLocation, bool forHeader)
{
    if (isNetworkLocation && share.hostname != QLatin1String("local")) {
        return NetworkShare::protocolText(share.shareProtocol) + QStringLiteral(" - ") + share.shareName
               + QStringLiteral(" (") + share.hostname + QLatin1Char(')');
    }
    return forHeader ? share.mountPath : selectedLocation;
}

} // namespace trevlamark
