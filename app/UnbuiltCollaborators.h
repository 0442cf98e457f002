#pragma once

#include "app/SettingsPresenter.h"
#include "app/SignInPresenter.h"
#include "app/UpdateManager.h"

namespace scribeon {

// What the program uses for the parts whose real adapters are not in this
// build yet: each one does nothing and reports nothing, so the program runs
// without an update check, sign-in window or settings window.
struct UnbuiltCollaborators final : UpdateManager, SignInPresenter, SettingsPresenter {
    void startUpdater() override {}
    void setOnUpdateAvailabilityChanged(AvailabilityCallback) override {}
    void show(std::function<void()>) override {}
    void show() override {}
};

} // namespace scribeon
