#pragma once

#include "accessibility/SelectionCapture.h"
#include "app/AppViewModel.h"
#include "hotkey/HotkeyRegistration.h"
#include "panels/CommandChooser.h"
#include "panels/ResultPresenter.h"
#include "platform/AccessibilityTrust.h"
#include "platform/MainQueue.h"
#include "platform/Notifier.h"
#include "ui/PermissionAlert.h"
#include "ui/SettingsPresenter.h"
#include "ui/SignInPresenter.h"
#include "update/UpdateManager.h"

#include <memory>

namespace scribeon {

struct AppCollaborators {
    MainQueue& queue;
    UpdateManager& updateManager;
    HotkeyRegistration& hotkey;
    AccessibilityTrust& trust;
    PermissionAlert& permissionAlert;
    SelectionCapture& capture;
    CommandChooser& commandPanelWindow;
    ResultPresenter& resultPanelWindow;
    SignInPresenter& loginWindow;
    SettingsPresenter& settingsWindow;
    Notifier& notifier;
};

// Launch, the hotkey pipeline and termination. Everything runs on the main
// queue; every callback handed out holds the delegate weakly.
class AppDelegate : public std::enable_shared_from_this<AppDelegate> {
public:
    static constexpr Milliseconds trustPollInterval{1000};
    static constexpr Milliseconds resultHandOffDelay{50};
    static constexpr const char* emptySelectionMessage = "Please select some text first.";

    static std::shared_ptr<AppDelegate> create(AppCollaborators collaborators,
                                               std::shared_ptr<AppViewModel> appViewModel);

    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    void showLogin();

    AppViewModel& appViewModel() { return *appViewModel_; }
    SettingsPresenter& settingsWindow() { return c_.settingsWindow; }

private:
    AppDelegate(AppCollaborators collaborators, std::shared_ptr<AppViewModel> appViewModel);
    void handleHotkey();
    void showResult(std::shared_ptr<ResultRun> run);
    void showAccessibilityAlert();
    void startAccessibilityPermissionCheck();

    AppCollaborators c_;
    std::shared_ptr<AppViewModel> appViewModel_;
};

} // namespace scribeon
