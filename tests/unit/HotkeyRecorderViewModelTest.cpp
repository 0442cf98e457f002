#include "hotkey/HotkeyRecorderViewModel.h"
#include "hotkey/HotkeyService.h"
#include "tests/fakes/FakeGlobalHotkey.h"
#include "tests/fakes/FakeMainQueue.h"
#include "tests/fakes/InMemoryPreferences.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using namespace CarbonModifier;

struct HotkeyRecorderViewModelTest : ::testing::Test {
    FakeGlobalHotkey hotkey;
    InMemoryPreferences preferences;
    FakeMainQueue queue;
    HotkeyService service{hotkey, preferences, queue};

    int triggers = 0;
    void SetUp() override {
        service.registerHotkey([this] { ++triggers; });
    }
    HotkeyPair stored() {
        return {static_cast<std::uint32_t>(*preferences.integer("hotkeyKeyCode")),
                static_cast<std::uint32_t>(*preferences.integer("hotkeyModifiers"))};
    }
};

// Recording a combination is covered with the settings window; here what
// leaves the stored shortcut alone.
TEST_F(HotkeyRecorderViewModelTest, KeysOutsideARecordingAndCancellingChangeNothing) {
    HotkeyRecorderViewModel recorder(preferences, service);
    EXPECT_FALSE(recorder.keyDown(40, shift)) << "not recording: the key passes on";
    recorder.toggleRecording();
    recorder.toggleRecording();
    EXPECT_FALSE(recorder.keyDown(40, command));
    recorder.toggleRecording();
    recorder.stopRecording(); // the page closes
    EXPECT_FALSE(recorder.keyDown(40, command));
    EXPECT_EQ(stored(), HotkeyPair{});
    EXPECT_EQ(hotkey.registrationAttempts.size(), 1u);
}

TEST_F(HotkeyRecorderViewModelTest, ResetIsShownOnlyOffTheDefault) {
    HotkeyRecorderViewModel recorder(preferences, service);
    EXPECT_FALSE(recorder.isResetShown());
    recorder.toggleRecording();
    recorder.keyDown(34, command); // same key, other modifiers
    EXPECT_TRUE(recorder.isResetShown());
    recorder.reset();
    EXPECT_FALSE(recorder.isResetShown());
    EXPECT_EQ(stored(), HotkeyPair{});
    EXPECT_EQ(hotkey.registrationAttempts.back(), HotkeyPair{});
}

TEST_F(HotkeyRecorderViewModelTest, APairHeldElsewhereLeavesTheOldOneInForceAndIsNamed) {
    hotkey.refused = {HotkeyPair{49, option}};
    HotkeyRecorderViewModel recorder(preferences, service);
    recorder.toggleRecording();
    recorder.keyDown(49, option);
    hotkey.press();
    EXPECT_EQ(triggers, 1) << "the old shortcut still works";

    recorder.toggleRecording();
    EXPECT_FALSE(recorder.refused.get()) << "a new recording clears the complaint";
}

TEST_F(HotkeyRecorderViewModelTest, WhereNothingRegistersTheChoiceIsStillStored) {
    hotkey.refused = {HotkeyPair{}, HotkeyPair{49, option}};
    service.reregister();
    HotkeyRecorderViewModel recorder(preferences, service);
    recorder.toggleRecording();
    recorder.keyDown(49, option);
    EXPECT_EQ(recorder.displayText.get(), "Alt+Space");
    EXPECT_EQ(stored(), (HotkeyPair{49, option}));
    EXPECT_FALSE(recorder.refused.get());
    EXPECT_FALSE(service.isRegistered.get());
}

} // namespace
} // namespace scribeon
