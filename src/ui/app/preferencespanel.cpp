#include "ui/app/preferencespanel.h"

#include "settings/appearancemode.h"
#include "settings/preferencesmanager.h"
#include "ui/common/themecolors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <functional>

namespace trevlamark {

namespace {
QLabel *sectionTitle(const QString &text, qreal scale, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setWeight(QFont::DemiBold);
    font.setPointSizeF(font.pointSizeF() * scale);
    label->setFont(font);
    label->setContentsMargins(0, 6, 0, 0);
    return label;
}

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    return label;
}
} // namespace

PreferencesPanel::PreferencesPanel(PreferencesManager *preferences, QWidget *parent)
    : QWidget(parent)
    , m_preferences(preferences)
    , m_restoreOpeningValues([preferences, mode = preferences->appearanceMode(),
                              disableCache = preferences->disableCacheEnabled(), info = preferences->logInfoEnabled(),
                              warning = preferences->logWarningEnabled(), error = preferences->logErrorEnabled(),
                              debug = preferences->logDebugEnabled(),
                              history = preferences->graphHistoryDurationString(),
                              sampling = preferences->graphSamplingRateString(),
                              refresh = preferences->graphRefreshRateString(),
                              teamDatabase = preferences->teamDatabaseUrl()] {
        preferences->setAppearanceMode(mode);
        preferences->setDisableCacheEnabled(disableCache);
        preferences->setLogInfoEnabled(info);
        preferences->setLogWarningEnabled(warning);
        preferences->setLogErrorEnabled(error);
        preferences->setLogDebugEnabled(debug);
        preferences->setGraphHistoryDurationString(history);
        preferences->setGraphSamplingRateString(sampling);
        preferences->setGraphRefreshRateString(refresh);
        preferences->setTeamDatabaseUrl(teamDatabase);
    })
{
    auto *outer = new QVBoxLayout(this);
    auto *title = sectionTitle(QStringLiteral("Settings"), 1.4, this);
    outer->addWidget(title);

    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *content = new QWidget(scroll);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);

    layout->addWidget(sectionTitle(QStringLiteral("App Settings"), 1.1, content));
    auto *appearanceRow = new QHBoxLayout;
    appearanceRow->addWidget(new QLabel(QStringLiteral("Appearance:"), content));
    m_appearanceMenu = new QComboBox(content);
    for (AppearanceMode mode : allAppearanceModes())
        m_appearanceMenu->addItem(appearanceModeText(mode), QVariant::fromValue(int(mode)));
    m_appearanceMenu->setCurrentIndex(int(allAppearanceModes().indexOf(preferences->appearanceMode())));
    connect(m_appearanceMenu, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_preferences->setAppearanceMode(allAppearanceModes().value(index)); });
    connect(preferences, &PreferencesManager::appearanceModeChanged, this, [this] {
        const QSignalBlocker blocker(m_appearanceMenu);
        m_appearanceMenu->setCurrentIndex(int(allAppearanceModes().indexOf(m_preferences->appearanceMode())));
    });
    appearanceRow->addWidget(m_appearanceMenu);
    appearanceRow->addStretch();
    layout->addLayout(appearanceRow);

    layout->addWidget(sectionTitle(QStringLiteral("Performance Test Settings"), 1.1, content));
    m_disableCache = addSwitch(content, QStringLiteral("Disable Cache"),
                               QStringLiteral("Bypass system cache for more consistent measurements when running I/O "
                                              "tests (Recommended)"),
                               &PreferencesManager::disableCacheEnabled, &PreferencesManager::setDisableCacheEnabled,
                               &PreferencesManager::disableCacheEnabledChanged);
    layout->addWidget(m_disableCache);

    layout->addWidget(sectionTitle(QStringLiteral("Run History"), 1.0, content));
    layout->addWidget(caption(QStringLiteral("Every run is kept. Leave the team database empty to keep them in this "
                                             "computer's history file."),
        content));
    auto *historyForm = new QFormLayout;
    addField(content, historyForm, QStringLiteral("Team database:"), &PreferencesManager::teamDatabaseUrl,
        &PreferencesManager::setTeamDatabaseUrl, &PreferencesManager::teamDatabaseUrlChanged)
        ->setPlaceholderText(QStringLiteral("postgresql://user@host/database"));
    layout->addLayout(historyForm);

    layout->addWidget(sectionTitle(QStringLiteral("Reset Options"), 1.0, content));
    layout->addWidget(
        caption(QStringLiteral("Reset all application data including preferences, logs, and test files."), content));
    m_resetButton = new QPushButton(QStringLiteral("Reset Application State"), content);
    m_resetButton->setToolTip(QStringLiteral("Delete all application data and restart the app"));
    refreshResetButtonColour();
    connect(m_resetButton, &QPushButton::clicked, this, &PreferencesPanel::requestReset);
    auto *resetRow = new QHBoxLayout;
    resetRow->addWidget(m_resetButton);
    resetRow->addStretch();
    layout->addLayout(resetRow);

    layout->addWidget(sectionTitle(QStringLiteral("Logging Settings"), 1.0, content));
    m_logSwitches[0] = addSwitch(content, QStringLiteral("Info Logs"), QStringLiteral("Basic information logs"),
                                 &PreferencesManager::logInfoEnabled, &PreferencesManager::setLogInfoEnabled,
                                 &PreferencesManager::logInfoEnabledChanged);
    m_logSwitches[1] = addSwitch(content, QStringLiteral("Warning Logs"),
                                 QStringLiteral("Warning messages that aren't errors"),
                                 &PreferencesManager::logWarningEnabled, &PreferencesManager::setLogWarningEnabled,
                                 &PreferencesManager::logWarningEnabledChanged);
    m_logSwitches[2] = addSwitch(content, QStringLiteral("Error Logs"), QStringLiteral("Error messages and exceptions"),
                                 &PreferencesManager::logErrorEnabled, &PreferencesManager::setLogErrorEnabled,
                                 &PreferencesManager::logErrorEnabledChanged);
    m_logSwitches[3] = addSwitch(content, QStringLiteral("Debug Logs"),
                                 QStringLiteral("Detailed debugging information (can be verbose)"),
                                 &PreferencesManager::logDebugEnabled, &PreferencesManager::setLogDebugEnabled,
                                 &PreferencesManager::logDebugEnabledChanged);
    for (QCheckBox *box : m_logSwitches)
        layout->addWidget(box);

    if (PreferencesManager::isDeveloperMode()) {
        auto *developer = new QWidget(content);
        developer->setObjectName(QStringLiteral("developerSettings"));
        auto *developerLayout = new QVBoxLayout(developer);
        developerLayout->setContentsMargins(0, 0, 0, 0);
        developerLayout->addWidget(sectionTitle(QStringLiteral("Developer Settings"), 1.1, developer));
        developerLayout->addWidget(sectionTitle(QStringLiteral("Graph Settings"), 1.0, developer));
        auto *form = new QFormLayout;
        m_historyDurationField = addField(developer, form, QStringLiteral("History Duration (sec):"),
                                          &PreferencesManager::graphHistoryDurationString,
                                          &PreferencesManager::setGraphHistoryDurationString,
                                          &PreferencesManager::graphHistoryDurationStringChanged);
        addField(developer, form, QStringLiteral("Sampling Rate (sec):"), &PreferencesManager::graphSamplingRateString,
                 &PreferencesManager::setGraphSamplingRateString, &PreferencesManager::graphSamplingRateStringChanged);
        addField(developer, form, QStringLiteral("Refresh Rate (sec):"), &PreferencesManager::graphRefreshRateString,
                 &PreferencesManager::setGraphRefreshRateString, &PreferencesManager::graphRefreshRateStringChanged);
        developerLayout->addLayout(form);
        layout->addWidget(developer);
    }

    layout->addWidget(caption(QStringLiteral("Trevlamark ") + QStringLiteral(TREVLAMARK_VERSION), content));
    layout->addStretch();
    scroll->setWidget(content);
    outer->addWidget(scroll, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 8, 0, 0);
    buttons->addStretch();
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_saveButton = new QPushButton(QStringLiteral("Save"), this);
    m_saveButton->setDefault(true);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_saveButton);
    outer->addLayout(buttons);
    connect(m_cancelButton, &QPushButton::clicked, this, &PreferencesPanel::cancel);
    connect(m_saveButton, &QPushButton::clicked, this, &PreferencesPanel::save);
    auto *saveShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this);
    connect(saveShortcut, &QShortcut::activated, this, &PreferencesPanel::save);
}

QCheckBox *PreferencesPanel::addSwitch(QWidget *parent, const QString &title, const QString &help,
                                       bool (PreferencesManager::*getter)() const,
                                       void (PreferencesManager::*setter)(bool), void (PreferencesManager::*changed)())
{
    auto *box = new QCheckBox(title, parent);
    box->setToolTip(help);
    box->setChecked((m_preferences->*getter)());
    // The member pointers travel inside std::mem_fn: GCC 12 with the sanitizers
    // loses a bare member-function pointer captured next to `this` in a slot.
    PreferencesManager *preferences = m_preferences;
    connect(box, &QCheckBox::toggled, this, [preferences, set = std::mem_fn(setter)](bool on) { set(preferences, on); });
    connect(m_preferences, changed, box, [preferences, box, get = std::mem_fn(getter)] {
        const QSignalBlocker blocker(box);
        box->setChecked(get(preferences));
    });
    return box;
}

QLineEdit *PreferencesPanel::addField(QWidget *parent, QFormLayout *form, const QString &label,
                                      QString (PreferencesManager::*getter)() const,
                                      void (PreferencesManager::*setter)(const QString &),
                                      void (PreferencesManager::*changed)())
{
    auto *field = new QLineEdit((m_preferences->*getter)(), parent);
    PreferencesManager *preferences = m_preferences;
    connect(field, &QLineEdit::textEdited, this,
            [preferences, set = std::mem_fn(setter)](const QString &text) { set(preferences, text); });
    connect(m_preferences, changed, field, [preferences, field, get = std::mem_fn(getter)] {
        if (field->text() != get(preferences))
            field->setText(get(preferences));
    });
    form->addRow(label, field);
    return field;
}

void PreferencesPanel::cancel()
{
    m_restoreOpeningValues();
    emit closeRequested();
}

void PreferencesPanel::save()
{
    m_preferences->savePreferences();
    emit closeRequested();
}

void PreferencesPanel::requestReset()
{
    emit closeRequested();
    emit resetRequested();
}

void PreferencesPanel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The appearance can switch while the sheet is open.
    if (event->type() == QEvent::PaletteChange && m_resetButton)
        refreshResetButtonColour();
}

void PreferencesPanel::refreshResetButtonColour()
{
    QPalette resetPalette = m_resetButton->palette();
    resetPalette.setColor(QPalette::ButtonText, ThemeColors::red(ThemeColors::isDark(palette())));
    m_resetButton->setPalette(resetPalette);
}

} // namespace trevlamark
