#pragma once

#include "accessibility/SelectionCapture.h"
#include "app/AppDelegate.h"
#include "hotkey/HotkeyRegistration.h"
#include "panels/CommandChooser.h"
#include "panels/ResultPresenter.h"
#include "platform/AccessibilityTrust.h"
#include "platform/Notifier.h"
#include "service/AccountAPI.h"
#include "tests/fakes/FakeMainQueue.h"
#include "tests/fakes/InMemoryCredentialStore.h"
#include "tests/fakes/ScriptedAuthService.h"
#include "ui/PermissionAlert.h"
#include "ui/SettingsPresenter.h"
#include "ui/SignInPresenter.h"
#include "update/UpdateManager.h"

#include <deque>
#include <string>
#include <vector>

namespace scribeon::test {

struct FakeAccountAPI : AccountAPI {
    std::deque<Completion<UserResponse>> pending;
    int requests = 0;
    void fetchUser(Completion<UserResponse> completion) override {
        ++requests;
        pending.push_back(std::move(completion));
    }
    void completeNext(ServiceResult<UserResponse> result) {
        auto completion = std::move(pending.front());
        pending.pop_front();
        completion(std::move(result));
    }
};

struct FakeUpdateManager : UpdateManager {
    void startUpdater() override {}
    void setOnUpdateAvailabilityChanged(AvailabilityCallback) override {}
    void checkForUpdates() override {}
    bool automaticallyChecksForUpdates() override { return true; }
    void setAutomaticallyChecksForUpdates(bool) override {}
};

struct FakeHotkey : HotkeyRegistration {
    std::function<void()> onTrigger;
    int reregisterCount = 0;
    void registerHotkey(std::function<void()> trigger) override { onTrigger = std::move(trigger); }
    bool reregister() override { return ++reregisterCount > 0; }
    void release() override { onTrigger = nullptr; }
    void press() {
        if (onTrigger)
            onTrigger();
    }
};

struct FakeAccessibilityTrust : AccessibilityTrust {
    bool trusted = false;
    int promptCount = 0;
    bool isTrusted() override { return trusted; }
    void prompt() override { ++promptCount; }
};

struct FakePermissionAlert : PermissionAlert {
    PermissionAnswer answer = PermissionAnswer::later;
    PermissionAnswer run() override { return answer; }
};

struct FakeCapture : SelectionCapture {
    std::optional<std::string> selection;
    std::optional<RunningApplication> source;
    int captures = 0;
    std::optional<std::string> getSelectedText() override {
        ++captures;
        return selection;
    }
    std::optional<RunningApplication> lastSource() const override { return source; }
};

struct FakeChooser : CommandChooser {
    struct Shown {
        std::string text;
        std::function<void(std::shared_ptr<ResultRun>)> onResult;
    };
    std::vector<Shown> shown;
    std::optional<RunningApplication> source;
    void show(std::string text, std::optional<RunningApplication>,
              std::function<void(std::shared_ptr<ResultRun>)> onResult) override {
        shown.push_back({std::move(text), std::move(onResult)});
    }
    std::optional<RunningApplication> sourceApp() const override { return source; }
};

struct FakeResultPanel : ResultPresenter {
    struct Shown {
        std::shared_ptr<ResultRun> run;
        std::optional<RunningApplication> sourceApp;
    };
    std::vector<Shown> shown;
    void show(std::shared_ptr<ResultRun> run, std::optional<RunningApplication> sourceApp,
              std::optional<std::string>) override {
        shown.push_back({std::move(run), std::move(sourceApp)});
    }
};

struct FakeLoginWindow : SignInPresenter {
    std::vector<std::function<void()>> shown;
    void show(std::function<void()> onSuccess) override { shown.push_back(std::move(onSuccess)); }
};

struct FakeSettingsWindow : SettingsPresenter {
    int shown = 0;
    void show() override { ++shown; }
};

struct RecordingNotifier : Notifier {
    std::vector<std::string> shown;
    void notify(const std::string&, const std::string& message,
                std::optional<std::chrono::milliseconds>) override {
        shown.push_back(message);
    }
};

// Every collaborator of the delegate, faked, for tests that drive the whole
// application from a hotkey press or a window pulse.
struct AppHarness {
    void signIn() { store.save(KeychainService::serviceName, "auth_token", "t"); }
    void build() {
        auto vm = AppViewModel::create(queue, keychain, api, auth);
        delegate =
            AppDelegate::create(AppCollaborators{queue, updates, hotkey, trust, alert, capture,
                                                 chooser, resultPanel, login, settings, notifier},
                                vm);
    }
    void launch() {
        build();
        delegate->applicationDidFinishLaunching();
    }

    FakeMainQueue queue;
    InMemoryCredentialStore store;
    KeychainService keychain{store};
    FakeAccountAPI api;
    ScriptedAuthService auth;
    FakeUpdateManager updates;
    FakeHotkey hotkey;
    FakeAccessibilityTrust trust;
    FakePermissionAlert alert;
    FakeCapture capture;
    FakeChooser chooser;
    FakeResultPanel resultPanel;
    FakeLoginWindow login;
    FakeSettingsWindow settings;
    RecordingNotifier notifier;
    std::shared_ptr<AppDelegate> delegate;
};

} // namespace scribeon::test
