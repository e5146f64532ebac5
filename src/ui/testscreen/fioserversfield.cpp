#include "ui/testscreen/fioserversfield.h"

#include "settings/preferencesmanager.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace trevlamark {

FioServersField::FioServersField(const QString &location, QWidget *parent)
    : QWidget(parent)
    , m_edit(new QLineEdit(this))
    , m_notice(new QLabel(this))
{
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(4, 0, 4, 0);
    auto *layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    rows->addLayout(layout);
    auto *label = new QLabel(QStringLiteral("fio servers"), this);
    label->setBuddy(m_edit);
    layout->addWidget(label);
    m_edit->setObjectName(QStringLiteral("fioServers"));
    m_edit->setPlaceholderText(QStringLiteral("none: test from this computer"));
    m_edit->setToolTip(QStringLiteral("Run the test from these machines at once, each running \"fio --server\": "
                                      "host[:port][=path], … (port 8765 unless given; path: the location as that "
                                      "machine sees it, by default this one's)"));
    m_edit->setClearButtonEnabled(true);
    // The servers belong to the location they were typed for: another
    // location's test must never run from them unnoticed.
    m_edit->setText(PreferencesManager::fioServers(location));
    connect(m_edit, &QLineEdit::editingFinished, this,
        [this, location] { PreferencesManager::setFioServers(location, m_edit->text()); });
    connect(m_edit, &QLineEdit::textChanged, this, &FioServersField::showNotice);
    layout->addWidget(m_edit, 1);
    m_notice->setObjectName(QStringLiteral("fioServersNotice"));
    m_notice->setWordWrap(true);
    rows->addWidget(m_notice);
    showNotice();
}

void FioServersField::showNotice()
{
    m_notice->setText(QStringLiteral("Start runs the test from these fio servers, not from this computer."));
    m_notice->setVisible(hasServers());
    emit serversChanged();
}

bool FioServersField::hasServers() const
{
    return !m_edit->text().trimmed().isEmpty();
}

std::optional<QList<FioClient>> FioServersField::clients(const QString &defaultPath, QString &problem) const
{
    if (!hasServers())
        return QList<FioClient>();
    return FioClient::parseList(m_edit->text(), defaultPath, problem);
}

} // namespace trevlamark
