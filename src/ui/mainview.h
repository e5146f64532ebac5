#pragma once
// The first screen: the header with Settings, and the test location with its
// folder picker and "Open Test".

#include "discovery/networkshare.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;
class QToolButton;

namespace trevlamark {

class AppViewModel;
class ShareManager;

class MainView : public QWidget
{
    Q_OBJECT

public:
    // Shows a folder picker with a message, starting in a folder; the chosen
    // folder or nothing when cancelled.
    using FolderPicker = std::function<std::optional<QString>(const QString &message, const QString &startFolder)>;

    explicit MainView(AppViewModel *viewModel, QWidget *parent = nullptr);
    ~MainView() override;
    Q_DISABLE_COPY_MOVE(MainView)

    static QString defaultTestLocation();
    static constexpr const char *defaultLocationName = "Default Test Location";
    static constexpr const char *customLocationName = "Custom Location";

    void setFolderPicker(FolderPicker picker) { m_folderPicker = std::move(picker); }
    void showCustomFolderPicker();
    // The folder, and the name proposed for it (empty: its last path component).
    void selectLocation(const QString &path, const QString &proposedName);
    void openTest();

    QString selectedLocation() const { return m_selectedLocation; }
    QString selectedShareName() const { return m_selectedShareName; }
    bool isNetworkLocation() const { return m_isNetworkLocation; }
    QPushButton *openTestButton() const { return m_openTestButton; }
    QToolButton *folderButton() const { return m_folderButton; }
    QPushButton *settingsButton() const { return m_settingsButton; }

signals:
    void settingsRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    void refreshLocation();

    AppViewModel *m_viewModel;
    std::unique_ptr<ShareManager> m_shareManager;
    FolderPicker m_folderPicker;
    QString m_selectedLocation;
    QString m_selectedShareName;
    bool m_isNetworkLocation = false;
    std::optional<NetworkShare> m_selectedShareDetails;

    QLabel *m_locationIcon = nullptr;
    QLabel *m_locationName = nullptr;
    QLabel *m_locationPath = nullptr;
    QToolButton *m_folderButton = nullptr;
    QPushButton *m_openTestButton = nullptr;
    QPushButton *m_settingsButton = nullptr;
};

} // namespace trevlamark
