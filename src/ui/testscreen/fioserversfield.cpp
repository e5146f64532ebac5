#include "ui/testscreen/fioserversfield.h"

#include "settings/preferencesmanager.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace trevlamark {

FioServersField::FioServersField(QWidget *parent)
    : QWidget(parent)
    , m_edit(new QLineEdit(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    auto *label = new QLabel(QStringLiteral("fio servers"), this);
    label->setBuddy(m_edit);
    layout->addWidget(label);
    m_edit->setObjectName(QStringLiteral("fioServers"));
    m_edit->setPlaceholderText(QStringLiteral("none: test from this computer"));
    m_edit->setToolTip(QStringLiteral("Run the test from these machines at once, each running \"fio --server\": "
                                      "host[:port][=path], … (port 8765 unless given; path: the location as that "
                                      "machine sees it, by default this one's)"));
    m_edit->setClearButtonEnabled(true);
    m_edit->setText(PreferencesManager::fioServers());
    connect(m_edit, &QLineEdit::editingFinished, this, [this] { PreferencesManager::setFioServers(m_edit->text()); });
    layout->addWidget(m_edit, 1);
}

std::optional<QList<FioClient>> FioServersField::clients(const QString &defaultPath, QString &problem) const
{
    if (m_edit->text().trimmed().isEmpty())
        return QList<FioClient>();
    return FioClient::parseList(m_edit->text(), defaultPath, problem);
}

} // namespace trevlamark
