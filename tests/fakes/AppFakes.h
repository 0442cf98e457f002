#pragma once

#include "accessibility/SelectionCapture.h"
#include "app/AppDelegate.h"
#include "hotkey/HotkeyRegistration.h"
#include "panels/CommandChooser.h"
#include "panels/ResultPresenter.h"
#include "service/AccountAPI.h"
#include "tests/fakes/FakeAccessibilityTrust.h"
#include "tests/fakes/FakeMainQueue.h"
#include "tests/fakes/InMemoryCredentialStore.h"
#include "tests/fakes/RecordingNotifier.h"
#include "tests/fakes/ScriptedAuthService.h"
#include "ui/PermissionAlert.h"
#include "ui/SettingsPresenter.h"
#include "ui/SignInPresenter.h"
#include "update/UpdateManager.h"

#include <deque>
#include <string>
#include <vector>

namespace scribeon::test {

// Records calls in one shared journal so tests can check their order.
struct Journal {
    std::vector<std::string> entries;
    void add(std::string entry) { entries.push_back(std::move(entry)); }
};

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
    Journal& journal;
    AvailabilityCallback callback;
    explicit FakeUpdateManager(Journal& j) : journal(j) {}
    void startUpdater() override { journal.add("updater.start"); }
    void setOnUpdateAvailabilityChanged(AvailabilityCallback cb) override {
        journal.add("updater.callback");
        callback = std::move(cb);
    }
    void checkForUpdates() override {}
    bool automaticallyChecksForUpdates() override { return true; }
    void setAutomaticallyChecksForUpdates(bool) override {}
};

struct FakeHotkey : HotkeyRegistration {
    Journal& journal;
    std::function<void()> onTrigger;
    int reregisterCount = 0;
    explicit FakeHotkey(Journal& j) : journal(j) {}
    void registerHotkey(std::function<void()> trigger) override {
        journal.add("hotkey.register");
        onTrigger = std::move(trigger);
    }
    bool reregister() override { return ++reregisterCount > 0; }
    void release() override {
        journal.add("hotkey.release");
        onTrigger = nullptr;
    }
    void press() {
        if (onTrigger)
            onTrigger();
    }
};

struct FakePermissionAlert : PermissionAlert {
    Journal& journal;
    PermissionAnswer answer = PermissionAnswer::later;
    explicit FakePermissionAlert(Journal& j) : journal(j) {}
    PermissionAnswer run() override {
        journal.add("alert");
        return answer;
    }
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
        std::optional<RunningApplication> source;
        std::function<void(std::shared_ptr<ResultRun>)> onResult;
    };
    std::vector<Shown> shown;
    std::optional<RunningApplication> source;
    void show(std::string text, std::optional<RunningApplication> from,
              std::function<void(std::shared_ptr<ResultRun>)> onResult) override {
        shown.push_back({std::move(text), std::move(from), std::move(onResult)});
    }
    std::optional<RunningApplication> sourceApp() const override { return source; }
};

struct FakeResultPanel : ResultPresenter {
    FakeMainQueue& queue;
    struct Shown {
        std::shared_ptr<ResultRun> run;
        std::optional<RunningApplication> sourceApp;
        std::optional<std::string> message;
        Milliseconds at;
    };
    std::vector<Shown> shown;
    explicit FakeResultPanel(FakeMainQueue& q) : queue(q) {}
    void show(std::shared_ptr<ResultRun> run, std::optional<RunningApplication> sourceApp,
              std::optional<std::string> message) override {
        shown.push_back({std::move(run), std::move(sourceApp), std::move(message), queue.now()});
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

    Journal journal;
    FakeMainQueue queue;
    InMemoryCredentialStore store;
    KeychainService keychain{store};
    FakeAccountAPI api;
    ScriptedAuthService auth;
    FakeUpdateManager updates{journal};
    FakeHotkey hotkey{journal};
    FakeAccessibilityTrust trust;
    FakePermissionAlert alert{journal};
    FakeCapture capture;
    FakeChooser chooser;
    FakeResultPanel resultPanel{queue};
    FakeLoginWindow login;
    FakeSettingsWindow settings;
    RecordingNotifier notifier;
    std::shared_ptr<AppDelegate> delegate;
};

} // namespace scribeon::test
