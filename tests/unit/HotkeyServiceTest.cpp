#include "hotkey/HotkeyService.h"
#include "hotkey/AppConfig.h"
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

// Zero modifiers read as the default, but the stored value is left as it is.
TEST_F(HotkeyServiceTest, StoredPairIsRegisteredAsReadAndNotOverwritten) {
    preferences.values["hotkeyKeyCode"] = std::int64_t{0};
    preferences.values["hotkeyModifiers"] = std::int64_t{0};
    registerCounting();
    EXPECT_EQ(hotkey.registrationAttempts.back(), (HotkeyPair{0, 768}));
    EXPECT_EQ(std::get<std::int64_t>(preferences.values.at("hotkeyModifiers")), 0);
}

// Registering the default and re-registering a stored pair run against a
// real X server; here that the default is stored and nothing runs early.
TEST_F(HotkeyServiceTest, FirstLaunchStoresTheDefaultAndAnEarlyReregisterDoesNothing) {
    service.reregister();
    EXPECT_TRUE(hotkey.registrationAttempts.empty());
    registerCounting();
    EXPECT_EQ(preferences.integer("hotkeyKeyCode"), 34);
    EXPECT_EQ(preferences.integer("hotkeyModifiers"), 768);
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
    EXPECT_TRUE(seen.empty()) << "re-registering the same pair does not flicker";
    service.release();
    EXPECT_EQ(seen, (std::vector<bool>{false}));
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

} // namespace
} // namespace scribeon
