#pragma once

#include "accessibility/AccessibilityService.h"
#include "app/AppDelegate.h"
#include "app/AppScene.h"
#include "hotkey/HotkeyService.h"
#include "main/ClientStack.h"
#include "panels/CommandPanelController.h"
#include "panels/ResultPanelController.h"
#include "panels/widgets/QtPanelPresenter.h"
#include "platform/GlobalHotkey.h"
#include "platform/linux/AtspiAccessibilityBridge.h"
#include "platform/linux/LinuxAccessibilityTrust.h"
#include "platform/linux/SystemLog.h"
#include "platform/linux/ThreadSleeper.h"
#include "platform/qt/DesktopNotifier.h"
#include "platform/qt/DesktopUrlOpener.h"
#include "platform/qt/QtAppcastParser.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/SingleInstance.h"
#include "platform/qt/XdgAutostartEntry.h"
#include "ui/MenuBarModel.h"
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

    ClientStack client_;
    SystemLog systemLog_; // before the collaborators that write to it
    std::unique_ptr<GlobalHotkey> globalHotkey_;
    HotkeyService hotkeyService_;
    AtspiAccessibilityBridge accessibilityBridge_;
    std::unique_ptr<Workspace> workspace_;
    std::unique_ptr<KeySynth> keySynth_;
    QtClipboard clipboard_;
    ThreadSleeper sleeper_;
    AccessibilityService accessibilityService_;
    QtPanelPresenter panelPresenter_;
    std::shared_ptr<CommandPanelController> commandPanel_;
    std::shared_ptr<ResultPanelController> resultPanel_;
    LinuxAccessibilityTrust trust_;
    PermissionAlertBox permissionAlert_;
    LoginWindow loginWindow_{client_.authService};
    DesktopUrlOpener urlOpener_;
    QtAppcastParser appcastParser_;
    UpdateDialog updateDialog_;
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
