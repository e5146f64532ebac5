#include "ui/testscreen/custombytesinput.h"

#include "ui/gauges/gaugegeometry.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace trevlamark {

namespace {

using Unit = ByteAmount::Unit;
const QList<Unit> units{Unit::MB, Unit::GB, Unit::TB};

} // namespace

CustomBytesInput::CustomBytesInput(QWidget *parent)
    : QFrame(parent, Qt::Popup)
    , m_valueField(new QLineEdit(this))
    , m_units(new QButtonGroup(this))
    , m_error(new QLabel(this))
    , m_cancelButton(new QPushButton(QStringLiteral("Cancel"), this))
    , m_okButton(new QPushButton(QStringLiteral("OK"), this))
{
    setFrameShape(QFrame::StyledPanel);
    auto *title = new QLabel(QStringLiteral("Custom Data Size"), this);
    QFont headline = title->font();
    headline.setBold(true);
    title->setFont(headline);

    m_valueField->setPlaceholderText(QStringLiteral("Value"));
    connect(m_valueField, &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString digits = GaugeGeometry::digitsOnly(text);
        if (digits != text)
            m_valueField->setText(digits);
        m_error->hide();
    });

    auto *unitRow = new QHBoxLayout;
    unitRow->setSpacing(0);
    for (qsizetype i = 0; i < units.size(); ++i) {
        auto *button = new QPushButton(ByteAmount::unitText(units.at(i)), this);
        button->setCheckable(true);
        m_units->addButton(button, static_cast<int>(i));
        unitRow->addWidget(button);
    }
    m_units->setExclusive(true);
    connect(m_units, &QButtonGroup::idClicked, this, [this](int id) { setSelectedUnit(units.at(id)); });
    setSelectedUnit(m_selectedUnit);

    QPalette errorPalette = m_error->palette();
    errorPalette.setColor(QPalette::WindowText, Qt::red);
    m_error->setPalette(errorPalette);
    m_error->hide();

    m_okButton->setDefault(true);
    m_okButton->setAutoDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &CustomBytesInput::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &CustomBytesInput::cancel);
    connect(m_valueField, &QLineEdit::returnPressed, this, &CustomBytesInput::accept);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &CustomBytesInput::cancel);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_okButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(m_valueField);
    layout->addLayout(unitRow);
    layout->addWidget(m_error);
    layout->addSpacing(8);
    layout->addLayout(buttons);
}

void CustomBytesInput::setBytesValue(quint64 bytes)
{
    if (m_bytesValue == bytes)
        return;
    m_bytesValue = bytes;
    emit bytesValueChanged(bytes);
}

QString CustomBytesInput::inputText() const
{
    return m_valueField->text();
}

void CustomBytesInput::setInputText(const QString &text)
{
    m_valueField->setText(GaugeGeometry::digitsOnly(text));
}

void CustomBytesInput::setSelectedUnit(ByteAmount::Unit unit)
{
    m_selectedUnit = unit;
    if (QAbstractButton *button = m_units->button(static_cast<int>(units.indexOf(unit))))
        button->setChecked(true);
}

QString CustomBytesInput::errorText() const
{
    return m_error->isHidden() ? QString() : m_error->text();
}

void CustomBytesInput::showBelow(QWidget *anchor)
{
    m_error->hide();
    adjustSize();
    move(anchor->mapToGlobal(QPoint(0, anchor->height())));
    show();
    m_valueField->setFocus();
}

void CustomBytesInput::accept()
{
    const QString text = inputText();
    if (!text.isEmpty()) {
        const std::optional<quint64> bytes = ByteAmount::fromDigits(text, m_selectedUnit).bytes;
        if (!bytes) {
            // Too large for 64 bits (or zero): nothing is stored and the popup stays for a correction.
            m_error->setText(QStringLiteral("Enter an amount above zero and below 16 EB."));
            m_error->show();
            adjustSize();
            return;
        }
        setBytesValue(*bytes);
        emit customBytesAccepted(*bytes);
    }
    hide();
}

void CustomBytesInput::cancel()
{
    hide();
}

void CustomBytesInput::hideEvent(QHideEvent *event)
{
    QFrame::hideEvent(event);
    emit closed();
}

} // namespace trevlamark
