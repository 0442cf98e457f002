#include "app/AppDelegate.h"

#include "base/UnicodeText.h"
#include "base/WeakCallback.h"
#include "hotkey/KeyText.h"

namespace scribeon {

std::shared_ptr<AppDelegate> AppDelegate::create(AppCollaborators collaborators,
                                                 std::shared_ptr<AppViewModel> appViewModel) {
    return std::shared_ptr<AppDelegate>(new AppDelegate(collaborators, std::move(appViewModel)));
}

AppDelegate::AppDelegate(AppCollaborators collaborators, std::shared_ptr<AppViewModel> appViewModel)
    : c_(collaborators), appViewModel_(std::move(appViewModel)) {}

void AppDelegate::applicationDidFinishLaunching() {
    c_.updateManager.startUpdater();
    c_.updateManager.setOnUpdateAvailabilityChanged(
        weakly(shared_from_this(),
               [](AppDelegate& self, bool available, std::optional<std::string> version) {
                   self.appViewModel_->isUpdateAvailable.set(available);
                   self.appViewModel_->availableVersion.set(std::move(version));
               }));
    c_.hotkey.registerHotkey(
        weakly(shared_from_this(), [](AppDelegate& self) { self.handleHotkey(); }));
    if (!c_.trust.isTrusted())
        showAccessibilityAlert();
}

void AppDelegate::showAccessibilityAlert() {
    if (c_.permissionAlert.run() != PermissionAnswer::enableAccessibility)
        return;
    c_.trust.prompt();
    startAccessibilityPermissionCheck();
}

void AppDelegate::startAccessibilityPermissionCheck() {
    c_.queue.postAfter(trustPollInterval, weakly(shared_from_this(), [](AppDelegate& self) {
                           if (self.c_.trust.isTrusted())
                               self.c_.hotkey.reregister();
                           else
                               self.startAccessibilityPermissionCheck();
                       }));
}

void AppDelegate::handleHotkey() {
    if (!appViewModel_->isAuthenticated.get()) {
        showLogin();
        return;
    }
    std::optional<std::string> text = c_.capture.getSelectedText();
    if (!text || isBlank(*text)) {
        appViewModel_->showErrorMessage(emptySelectionMessage);
        c_.notifier.notify(std::string(KeyText::notificationTitle), emptySelectionMessage,
                           AppViewModel::errorMessageLifetime);
        return;
    }
    auto self = shared_from_this();
    c_.commandPanelWindow.show(std::move(*text), c_.capture.lastSource(),
                               weakly(self, [](AppDelegate& me, std::shared_ptr<ResultRun> run) {
                                   me.showResult(std::move(run));
                               }));
}

void AppDelegate::showResult(std::shared_ptr<ResultRun> run) {
    auto sourceApp = c_.commandPanelWindow.sourceApp();
    c_.queue.postAfter(
        resultHandOffDelay,
        weakly(shared_from_this(), [run = std::move(run), sourceApp](AppDelegate& self) {
            self.c_.resultPanelWindow.show(run, sourceApp, std::nullopt);
        }));
}

void AppDelegate::showLogin() {
    c_.loginWindow.show(weakly(appViewModel_, [](AppViewModel& vm) { vm.onLoginSuccess(); }));
}

void AppDelegate::applicationWillTerminate() {
    c_.hotkey.release();
}

} // namespace scribeon
