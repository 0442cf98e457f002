#include "app/AppScene.h"

#include "base/WeakCallback.h"

namespace scribeon {

AppScene::AppScene(std::shared_ptr<AppDelegate> delegate, MainQueue& queue)
    : delegate_(std::move(delegate)), queue_(queue) {
    AppViewModel& vm = delegate_->appViewModel();
    loginPulse_ = vm.showLoginWindow.observe([this](bool requested) {
        if (!requested)
            return;
        delegate_->showLogin();
        delegate_->appViewModel().showLoginWindow.set(false);
    });
    settingsPulse_ = vm.showSettingsWindow.observe([this](bool requested) {
        if (!requested)
            return;
        delegate_->settingsWindow().show();
        delegate_->appViewModel().showSettingsWindow.set(false);
    });
}

AppScene::~AppScene() {
    pendingLoad_.cancel();
}

void AppScene::menuShown() {
    pendingLoad_.cancel();
    auto vm = delegate_->appViewModel().shared_from_this();
    pendingLoad_ =
        queue_.postAfter(menuLoadDelay, weakly(vm, [](AppViewModel& model) { model.loadUser(); }));
}

void AppScene::menuHidden() {
    pendingLoad_.cancel();
}

} // namespace scribeon
