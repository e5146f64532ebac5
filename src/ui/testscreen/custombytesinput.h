#pragma once
// Popup for a custom amount of data per cycle: digits and a unit (MB, GB, TB).

#include "engine/byteamount.h"


#include <QFrame>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;

namespace trevlamark {

class CustomBytesInput : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(quint64 bytesValue READ bytesValue WRITE setBytesValue NOTIFY bytesValueChanged)

public:
    explicit CustomBytesInput(QWidget *parent = nullptr);

    quint64 bytesValue() const { return m_bytesValue; }
    void setBytesValue(quint64 bytes);

    QString inputText() const;
    void setInputText(const QString &text);
    ByteAmount::Unit selectedUnit() const { return m_selectedUnit; }
    void setSelectedUnit(ByteAmount::Unit unit);
    // Shown when an amount could not be stored.
    QString errorText() const;

    void showBelow(QWidget *anchor);
    void accept();
    void cancel();

    QPushButton *cancelButton() const { return m_cancelButton; }

signals:
    void bytesValueChanged(quint64 bytes);
    // OK with a valid amount: the custom choice is to be selected.
    void customBytesAccepted(quint64 bytes);
    void closed();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    quint64 m_bytesValue = 0;
    ByteAmount::Unit m_selectedUnit = ByteAmount::Unit::GB;
    QLineEdit *m_valueField;
    QButtonGroup *m_units;
    QLabel *m_error;
    QPushButton *m_cancelButton;
    QPushButton *m_okButton;
};

} // namespace trevlamark
