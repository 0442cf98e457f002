#include "app/AppScene.h"

#include "AppFakes.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;
using namespace test;

struct AppSceneTest : testing::Test, AppHarness {
    AppSceneTest() {
        signIn();
        build();
        scene = std::make_unique<AppScene>(delegate, queue);
    }
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
