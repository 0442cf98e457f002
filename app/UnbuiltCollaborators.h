#pragma once

#include "app/CommandChooser.h"
#include "app/HotkeyRegistration.h"
#include "app/ResultPresenter.h"
#include "app/SettingsPresenter.h"
#include "app/SignInPresenter.h"
#include "app/UpdateManager.h"

namespace scribeon {

// What the program uses for the parts whose real adapters are not in this
// build yet: each one does nothing and reports nothing, so the program runs
// with no shortcut and no panels.
struct UnbuiltCollaborators final : UpdateManager,
                                    HotkeyRegistration,
                                    CommandChooser,
                                    ResultPresenter,
                                    SignInPresenter,
                                    SettingsPresenter {
    void startUpdater() override {}
    void setOnUpdateAvailabilityChanged(AvailabilityCallback) override {}
    void registerHotkey(std::function<void()>) override {}
    void reregister() override {}
    void release() override {}
    void show(std::string, std::function<void(ProcessResult)>, std::function<void()>,
              std::function<void(std::string)>) override {}
    std::optional<RunningApplication> sourceApp() const override { return std::nullopt; }
    void show(ProcessResult, std::optional<RunningApplication>, std::function<void()>,
              std::function<void(std::string)>, std::optional<std::string>) override {}
    void show(std::function<void()>) override {}
    void show() override {}
};

} // namespace scribeon
