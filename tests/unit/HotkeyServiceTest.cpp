#include "hotkey/HotkeyService.h"
#include "hotkey/AppConfig.h"
#include "hotkey/HotkeyRecorderViewModel.h"
#include "tests/fakes/FakeGlobalHotkey.h"
#include "tests/fakes/FakeMainQueue.h"
#include "tests/fakes/InMemoryPreferences.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <thread>

namespace scribeon {
namespace {

using namespace CarbonModifier;
using Value = InMemoryPreferences::Value;

struct HotkeyServiceTest : ::testing::Test {
    FakeGlobalHotkey hotkey;
    InMemoryPreferences preferences;
    FakeMainQueue queue;
    HotkeyService service{hotkey, preferences, queue};
    int triggers = 0;

    void registerCounting() {
        service.registerHotkey([this] { ++triggers; });
    }
    HotkeyPair stored() {
        return {static_cast<std::uint32_t>(*preferences.integer("hotkeyKeyCode")),
                static_cast<std::uint32_t>(*preferences.integer("hotkeyModifiers"))};
    }
};

TEST(HotkeyReadRuleTest, StoredValuesReadByOneRule) {
    const auto i = [](std::int64_t v) { return std::optional<Value>(v); };
    const std::int64_t tooBig = std::int64_t{std::numeric_limits<std::uint32_t>::max()} + 1;
    const struct {
        const char* what;
        std::optional<Value> keyCode, modifiers;
        HotkeyPair expected;
    } rows[] = {
        {"zero modifiers mean the default", i(40), i(0), {40, 768}},
        {"key code 0 is the A key", i(0), i(0x1800), {0, 0x1800}},
        {"largest 32-bit values", i(0xFFFFFFFF), i(0xFFFFFFFF), {0xFFFFFFFF, 0xFFFFFFFF}},
        {"beyond 32 bits reads as absent", i(tooBig), i(tooBig), {34, 768}},
        {"negative key code", i(-1), i(256), {34, 256}},
        {"wrong kind", Value{true}, Value{1.5}, {34, 768}},
    };
    for (const auto& row : rows) {
        InMemoryPreferences preferences;
        if (row.keyCode)
            preferences.values["hotkeyKeyCode"] = *row.keyCode;
        if (row.modifiers)
            preferences.values["hotkeyModifiers"] = *row.modifiers;
        EXPECT_EQ(AppConfig::Hotkey::read(preferences), row.expected) << row.what;
    }
}

// Registering the default and re-registering a stored pair run against a
// real X server; here that the default is stored, nothing runs early, and
// zero modifiers read as the default but stay stored as they are.
TEST_F(HotkeyServiceTest, FirstLaunchStoresTheDefaultAndAStoredPairIsNotOverwritten) {
    service.reregister();
    EXPECT_TRUE(hotkey.registrationAttempts.empty());
    registerCounting();
    EXPECT_EQ(stored(), (HotkeyPair{34, 768}));
    preferences.values["hotkeyKeyCode"] = std::int64_t{0};
    preferences.values["hotkeyModifiers"] = std::int64_t{0};
    service.reregister();
    EXPECT_EQ(hotkey.registrationAttempts.back(), (HotkeyPair{0, 768}));
    EXPECT_EQ(stored(), (HotkeyPair{0, 0}));
}

// A refusal told and retried once the keys are free runs against a real X
// server; here the repeats.
TEST_F(HotkeyServiceTest, RefusedRegistrationIsToldOncePerPairAndAgainAfterASuccess) {
    std::vector<HotkeyPair> told;
    service.setOnRegistrationFailed([&](HotkeyPair pair) { told.push_back(pair); });
    hotkey.refused = {HotkeyPair{}};
    registerCounting();
    service.reregister(); // e.g. the trust poll: same pair, still taken
    EXPECT_EQ(told, (std::vector<HotkeyPair>{HotkeyPair{}}));
    hotkey.refused.clear();
    service.reregister();
    hotkey.refused = {HotkeyPair{}};
    service.reregister();
    EXPECT_EQ(told.size(), 2u) << "a new refusal after a success is told again";
}

TEST_F(HotkeyServiceTest, ReleaseUnregistersAndForgetsTheCallback) {
    registerCounting();
    std::vector<bool> seen;
    auto subscription = service.isRegistered.observe([&](bool value) { seen.push_back(value); });
    service.reregister();
    service.release();
    EXPECT_EQ(seen, (std::vector<bool>{false})) << "re-registering the same pair does not flicker";
    EXPECT_TRUE(hotkey.active.empty());
    service.handlePress();
    EXPECT_EQ(triggers, 0);
    service.reregister();
    EXPECT_EQ(hotkey.registrationAttempts.size(), 2u) << "no callback, nothing registered";
}

TEST_F(HotkeyServiceTest, PressOffTheMainThreadRunsOnTheMainThreadBeforeReturning) {
    const auto mainThread = std::this_thread::get_id();
    std::thread::id ranOn;
    service.registerHotkey([&] { ranOn = std::this_thread::get_id(); });
    std::atomic<bool> returned = false;
    std::thread presser([&] {
        hotkey.press();
        returned = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (queue.pendingCount() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_FALSE(returned.load());
    queue.runPending();
    presser.join();
    EXPECT_EQ(ranOn, mainThread);
    EXPECT_TRUE(returned.load());
}

// However often it is re-registered, even from its own callback, one press
// is one call.
TEST_F(HotkeyServiceTest, CallbackMayReregisterWhileRunning) {
    service.registerHotkey([this] {
        ++triggers;
        service.reregister();
    });
    service.reregister();
    hotkey.press();
    hotkey.press();
    EXPECT_EQ(triggers, 2);
    EXPECT_EQ(hotkey.active.size(), 1u);
}

struct HotkeyRecorderTest : HotkeyServiceTest {
    HotkeyRecorderTest() { registerCounting(); }
    HotkeyRecorderViewModel recorder{preferences, service};
};

// Recording a combination is covered with the settings window; here what
// leaves the stored shortcut alone.
TEST_F(HotkeyRecorderTest, KeysOutsideARecordingAndCancellingChangeNothing) {
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

TEST_F(HotkeyRecorderTest, ShowsResetOnlyOffTheDefault) {
    EXPECT_FALSE(recorder.isResetShown());
    recorder.toggleRecording();
    recorder.keyDown(34, command); // same key, other modifiers
    EXPECT_TRUE(recorder.isResetShown());
    recorder.reset();
    EXPECT_FALSE(recorder.isResetShown());
    EXPECT_EQ(stored(), HotkeyPair{});
    EXPECT_EQ(hotkey.registrationAttempts.back(), HotkeyPair{});
}

TEST_F(HotkeyRecorderTest, LeavesTheOldPairInForceWhenTheNewOneIsHeldElsewhere) {
    hotkey.refused = {HotkeyPair{49, option}};
    recorder.toggleRecording();
    recorder.keyDown(49, option);
    hotkey.press();
    EXPECT_EQ(triggers, 1) << "the old shortcut still works";
    recorder.toggleRecording();
    EXPECT_FALSE(recorder.refused.get()) << "a new recording clears the complaint";
}

TEST_F(HotkeyRecorderTest, StoresTheChoiceWhereNothingRegisters) {
    hotkey.refused = {HotkeyPair{}, HotkeyPair{49, option}};
    service.reregister();
    recorder.toggleRecording();
    recorder.keyDown(49, option);
    EXPECT_EQ(std::tuple(recorder.displayText.get(), stored(), recorder.refused.get().has_value(),
                         service.isRegistered.get()),
              std::tuple("Alt+Space", HotkeyPair{49, option}, false, false));
}

} // namespace
} // namespace scribeon
