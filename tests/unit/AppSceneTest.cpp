#include "app/AppScene.h"

#include "AppFakes.h"
#include "platform/fake/FakeAccessibilityTrust.h"
#include "platform/fake/InMemoryCredentialStore.h"
#include "platform/fake/RecordingNotifier.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;
using namespace test;

class AppSceneTest : public testing::Test {
protected:
    AppSceneTest() {
        store.save(KeychainService::serviceName, "auth_token", "t");
        auto vm = AppViewModel::create(queue, keychain, api, auth);
        delegate =
            AppDelegate::create(AppCollaborators{queue, updates, hotkey, trust, alert, capture,
                                                 chooser, resultPanel, login, settings, notifier},
                                vm);
        scene = std::make_unique<AppScene>(delegate, queue);
    }

    Journal journal;
    FakeMainQueue queue;
    InMemoryCredentialStore store;
    KeychainService keychain{store};
    FakeAccountAPI api;
    FakeAuthService auth;
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
    std::unique_ptr<AppScene> scene;
};

TEST_F(AppSceneTest, PulsesOpenTheirWindowAndResetTheFlag) {
    AppViewModel& vm = delegate->appViewModel();
    vm.showLoginWindow.set(true);
    EXPECT_EQ(login.shown.size(), 1u);
    EXPECT_FALSE(vm.showLoginWindow.get());
    vm.showSettingsWindow.set(true);
    vm.showSettingsWindow.set(true);
    EXPECT_EQ(settings.shown, 2);
    EXPECT_FALSE(vm.showSettingsWindow.get());
}

TEST_F(AppSceneTest, MenuLoadsTheAccountOnlyWhenShownForATenthOfASecond) {
    scene->menuShown();
    queue.advance(99ms);
    scene->menuHidden();
    queue.advance(1s);
    EXPECT_EQ(api.requests, 0);

    scene->menuShown();
    queue.advance(100ms);
    EXPECT_EQ(api.requests, 1);
}

} // namespace
} // namespace scribeon
