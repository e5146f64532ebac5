#pragma once
// The Settings window's content: edits the application's PreferencesManager
// directly; Save writes and announces it, Cancel (or closing the window)
// puts back the values the panel opened with, so an abandoned edit reaches no
// screen and a tried appearance goes back.

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPushButton;

namespace trevlamark {

class PreferencesManager;

class PreferencesPanel : public QWidget
{
    Q_OBJECT

public:
    explicit PreferencesPanel(PreferencesManager *preferences, QWidget *parent = nullptr);
    ~PreferencesPanel() override;
    Q_DISABLE_COPY_MOVE(PreferencesPanel)

    // Delay between closing and asking to confirm the reset.
    static constexpr int resetConfirmationDelayMilliseconds = 100;

    QComboBox *appearanceMenu() const { return m_appearanceMenu; }
    QCheckBox *disableCacheSwitch() const { return m_disableCache; }
    QPushButton *saveButton() const { return m_saveButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QCheckBox *logSwitch(int index) const { return m_logSwitches[index]; }

signals:
    void closeRequested();
    // "Reset Application State" was pressed; the sheet is closing.
    void resetRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    void save();
    void cancel();
    void refreshResetButtonColour();
    void requestReset();
    QCheckBox *addSwitch(QWidget *parent, const QString &title, const QString &help, bool (PreferencesManager::*getter)() const,
                         void (PreferencesManager::*setter)(bool), void (PreferencesManager::*changed)());
    QLineEdit *addField(QWidget *parent, QFormLayout *form, const QString &label,
                        QString (PreferencesManager::*getter)() const, void (PreferencesManager::*setter)(const QString &),
                        void (PreferencesManager::*changed)());

    PreferencesManager *m_preferences;
    std::function<void()> m_restoreOpeningValues;
    // Save or Cancel was pressed; otherwise going away counts as Cancel.
    bool m_isDecided = false;
    QComboBox *m_appearanceMenu = nullptr;
    QCheckBox *m_disableCache = nullptr;
    QCheckBox *m_logSwitches[4] = {};
    QLineEdit *m_historyDurationField = nullptr;
    QPushButton *m_resetButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_saveButton = nullptr;
};

} // namespace trevlamark
