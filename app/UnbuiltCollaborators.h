#pragma once

#include "app/UpdateManager.h"
#include "ui/SettingsPresenter.h"
#include "ui/SignInPresenter.h"

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
