#include "app/AppDelegate.h"
#include "app/AppScene.h"

#include "tests/fakes/AppFakes.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;
using namespace test;

struct AppDelegateTest : testing::Test, AppHarness {
    // Signed in and trusted: a hotkey press runs the whole pipeline.
    void launchReady() {
        signIn();
        trust.trusted = true;
        launch();
    }
};

// Termination releases the hotkey, so later presses do nothing.
TEST_F(AppDelegateTest, LaterAnswerRunsNoPollButTheHotkeyWorksUntilTermination) {
    signIn();
    alert.answer = PermissionAnswer::later;
    launch();
    EXPECT_EQ(trust.promptCount, 0);
    EXPECT_EQ(queue.pendingCount(), 0u);
    capture.selection = "text elsewhere";
    hotkey.press();
    delegate->applicationWillTerminate();
    hotkey.press();
    EXPECT_EQ(std::pair(capture.captures, chooser.shown.size()), std::pair(1, std::size_t{1}));
}

TEST_F(AppDelegateTest, EnableAnswerPromptsAndPollsUntilTrustThenReregistersOnce) {
    alert.answer = PermissionAnswer::enableAccessibility;
    launch();
    EXPECT_EQ(trust.promptCount, 1);
    queue.advance(4500ms);
    trust.trusted = true; // granted at 4.5 s, seen by the tick at 5 s
    queue.advance(499ms);
    EXPECT_EQ(hotkey.reregisterCount, 0);
    queue.advance(60s);
    EXPECT_EQ(std::pair(hotkey.reregisterCount, queue.pendingCount()),
              std::pair(1, std::size_t{0}));
}

TEST_F(AppDelegateTest, SignedOutPressOpensSignInWithoutReadingTheSelection) {
    trust.trusted = true;
    launch();
    capture.selection = "hello";
    hotkey.press();
    EXPECT_EQ(capture.captures, 0);
    ASSERT_EQ(login.shown.size(), 1u);
    login.shown[0]();
    EXPECT_TRUE(chooser.shown.empty()) << "the pipeline does not resume after sign-in";
}

// An absent or blank selection shows the message and no chooser; the state
// alone is seen by nobody while the user looks at their document, so each
// press also sends a passing notification.
TEST_F(AppDelegateTest, ChooserGetsTheUntrimmedTextAndTheResultFollowsAfterFiftyMilliseconds) {
    launchReady();
    const std::optional<std::string> selections[] = {std::nullopt, "\xC2\xA0\xE2\x80\xA8 "};
    for (const auto& selection : selections) {
        capture.selection = selection;
        hotkey.press();
        EXPECT_EQ(delegate->appViewModel().errorMessage.get(), "Please select some text first.");
    }
    EXPECT_TRUE(chooser.shown.empty());
    EXPECT_EQ(notifier.shown.size(), std::size(selections));
    capture.selection = "  teh cat \n";
    capture.source = RunningApplication{4242, "mousepad", "mousepad"};
    hotkey.press();
    ASSERT_EQ(chooser.shown.size(), 1u);
    EXPECT_EQ(chooser.shown[0].text, "  teh cat \n");

    chooser.source = capture.source;
    const auto result = ResultRun::finished({"fix", "Fix", "  teh cat \n", "the cat"});
    chooser.shown[0].onResult(result);
    chooser.source = RunningApplication{1, "changed after the result", ""};
    queue.advance(49ms);
    EXPECT_TRUE(resultPanel.shown.empty());
    queue.advance(1ms);
    ASSERT_EQ(resultPanel.shown.size(), 1u);
    EXPECT_EQ(std::pair(resultPanel.shown[0].run, resultPanel.shown[0].sourceApp),
              std::pair(result, capture.source));

    capture.selection = "two"; // a second press while the chooser is open runs a new pass
    hotkey.press();
    ASSERT_EQ(chooser.shown.size(), 2u);
    EXPECT_EQ(chooser.shown[1].text, "two");
}

TEST_F(AppDelegateTest, CallbacksOfADestroyedDelegateDoNothing) {
    signIn();
    alert.answer = PermissionAnswer::enableAccessibility;
    launch();
    capture.selection = "text";
    hotkey.press();
    auto onResult = chooser.shown[0].onResult;
    delegate.reset();
    onResult(ResultRun::finished({}));
    hotkey.press();
    trust.trusted = true;
    queue.advance(10s);
    EXPECT_TRUE(resultPanel.shown.empty());
    EXPECT_EQ(std::pair(hotkey.reregisterCount, chooser.shown.size()),
              std::pair(0, std::size_t{1}));
}

struct AppSceneTest : AppDelegateTest {
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
    vm.showSettingsWindow.set(true);
    vm.showSettingsWindow.set(true);
    EXPECT_EQ(login.shown.size(), 1u);
    EXPECT_EQ(settings.shown, 2);
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
