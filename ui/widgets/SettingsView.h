#pragma once

#include "base/Subscription.h"
#include "hotkey/HotkeyRecorderViewModel.h"
#include "hotkey/HotkeyRegistration.h"
#include "platform/AutostartEntry.h"
#include "platform/UrlOpener.h"
#include "ui/GeneralSettingsViewModel.h"
#include "ui/SettingsViewModel.h"
#include "ui/ShortcutSettingsModel.h"
#include "update/UpdateManager.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QStackedWidget;
class QListWidget;
class QWindow;

namespace scribeon {

class CommandsSettingsPage;
class ErrorToastView;

// What the settings window works with; it outlives every window.
struct SettingsCollaborators {
    CommandService& commands;
    MainQueue& queue;
    Preferences& preferences;
    HotkeyRegistration& hotkey;
    Property<bool>& isHotkeyRegistered;
    bool shortcutsAvailable;
    UpdateManager* updater;
    AutostartEntry& autostart;
    UrlOpener& urlOpener;
    std::string serviceOrigin;
    // How the desktop holds the shortcut on Wayland; null on X11.
    ShortcutSettingsModel* desktopShortcut = nullptr;
};

enum class SettingsPage { general, commands };

// The settings window's content: the page sidebar, the page, and the toast
// over them. Each one has its own state, made afresh with it.
class SettingsView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int sidebarWidth = 180;

    explicit SettingsView(SettingsCollaborators& collaborators, QWidget* parent = nullptr);
    ~SettingsView() override;

    SettingsViewModel& viewModel() const { return *model_; }
    SettingsPage selectedPage() const;
    void select(SettingsPage page);
    // Shown again from the tray: the user is coming back to it.
    void broughtForward() { model_->windowBecameActive(windowTitle().toStdString()); }
    CommandsSettingsPage* commandsPage() const { return commandsPage_; }
    ErrorToastView* toast() const { return toast_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* sidebar();
    void focusWindowChanged(QWindow* window);

    std::shared_ptr<SettingsViewModel> model_;
    HotkeyRecorderViewModel recorder_;
    GeneralSettingsViewModel general_;
    QStackedWidget* pages_;
    CommandsSettingsPage* commandsPage_;
    QListWidget* sidebar_ = nullptr;
    ErrorToastView* toast_;
    QPointer<QWindow> focused_;
    bool appeared_ = false;
    std::vector<Subscription> subscriptions_;
};

} // namespace scribeon
