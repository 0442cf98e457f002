#pragma once

#include "accessibility/AccessibilityCapture.h"
#include "accessibility/AccessibilityReplacement.h"
#include "accessibility/FocusedText.h"
#include "app/AppDelegate.h"
#include "app/AppScene.h"
#include "base/Subscription.h"
#include "hotkey/HotkeyService.h"
#include "hotkey/PortalShortcuts.h"
#include "main/ClientStack.h"
#include "main/DesktopPorts.h"
#include "panels/CommandPanelController.h"
#include "panels/ResultPanelController.h"
#include "panels/widgets/QtPanelPresenter.h"
#include "platform/GlobalHotkey.h"
#include "platform/linux/AtspiAccessibilityBridge.h"
#include "platform/linux/DpkgPackageVersionReader.h"
#include "platform/linux/LinuxAccessibilityTrust.h"
#include "platform/linux/LinuxDownloadFolder.h"
#include "platform/linux/SystemLog.h"
#include "platform/linux/ThreadSleeper.h"
#include "platform/qt/DesktopNotifier.h"
#include "platform/qt/DesktopUrlOpener.h"
#include "platform/qt/QtAppcastParser.h"
#include "platform/qt/SingleInstance.h"
#include "platform/qt/XdgAutostartEntry.h"
#include "platform/wayland/DBusGlobalShortcutsPortal.h"
#include "platform/wayland/GnomeCustomKeybinding.h"
#include "ui/MenuBarModel.h"
#include "ui/ShortcutSettingsModel.h"
#include "ui/widgets/LoginWindow.h"
#include "ui/widgets/MenuBarView.h"
#include "ui/widgets/PermissionAlertBox.h"
#include "ui/widgets/SettingsWindow.h"
#include "ui/widgets/UpdateDialog.h"
#include "update/AppcastUpdater.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

namespace scribeon {

// The program as a whole: builds every collaborator, the delegate and the
// tray scene, and runs launch and termination.
class ScribeonApp : public QObject {
    Q_OBJECT
public:
    ScribeonApp();
    ~ScribeonApp() override;

    void launch();
    void terminate();
    // Serves later `scribeon` and `scribeon --trigger` calls.
    SingleInstance::Listen serveOtherInstances();
    // What a shortcut press does; for presses that arrive through --trigger.
    void trigger();

private:
    void buildTray();
    void watchShortcutRegistration();
    MenuBarModel menuBarModel();
    void openTrayPanel(const QRect& anchor);

    std::unique_ptr<GlobalHotkey> openGlobalHotkey();

    ClientStack client_;
    SystemLog systemLog_;
    AtspiAccessibilityBridge accessibilityBridge_;
    ThreadSleeper sleeper_;
    DesktopPorts desktop_;
    std::unique_ptr<DBusGlobalShortcutsPortal> shortcutsPortal_;
    PortalShortcuts* portalShortcuts_ = nullptr; // owned by globalHotkey_
    std::unique_ptr<GnomeCustomKeybinding> gnomeKeybinding_;
    std::unique_ptr<GlobalHotkey> globalHotkey_;
    HotkeyService hotkeyService_;
    ShortcutSettingsModel shortcutSettings_;
    Subscription portalRefusal_;
    FocusedText focusedText_;
    AccessibilityCapture capture_{focusedText_};
    AccessibilityReplacement replacement_{focusedText_};
    QtPanelPresenter panelPresenter_;
    std::shared_ptr<CommandPanelController> commandPanel_;
    std::shared_ptr<ResultPanelController> resultPanel_;
    LinuxAccessibilityTrust trust_{desktop_.session()};
    PermissionAlertBox permissionAlert_{desktop_.session().isWayland()};
    LoginWindow loginWindow_{client_.authService};
    DesktopUrlOpener urlOpener_;
    QtAppcastParser appcastParser_;
    UpdateDialog updateDialog_{urlOpener_, systemLog_};
    LinuxDownloadFolder downloadFolder_;
    DpkgPackageVersionReader packageReader_;
    std::shared_ptr<AppcastUpdater> updater_;
    XdgAutostartEntry autostart_;
    std::unique_ptr<SettingsWindow> settingsWindow_;
    std::shared_ptr<AppDelegate> delegate_;
    std::unique_ptr<AppScene> scene_;
    std::unique_ptr<MenuBarModel> menuModel_;
    std::unique_ptr<MenuBarView> menuView_;
    QMenu trayMenu_;
    QSystemTrayIcon trayIcon_;
    DesktopNotifier notifier_{trayIcon_};
    SingleInstance singleInstance_;
    bool terminated_ = false;
};

} // namespace scribeon
