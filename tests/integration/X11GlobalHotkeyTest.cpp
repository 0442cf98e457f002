#include "platform/x11/X11GlobalHotkey.h"
#include "hotkey/AppConfig.h"
#include "hotkey/HotkeyService.h"
#include "platform/qt/QtMainQueue.h"
#include "tests/desktop/WaitUntil.h"
#include "tests/fakes/InMemoryPreferences.h"
#include "tests/fakes/RecordingLog.h"

#include <QCoreApplication>

#include <gtest/gtest.h>
// After gtest and Qt: Xlib defines macros such as None and Bool.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "platform/x11/X11ErrorTrap.h"

#include <atomic>
#include <chrono>
#include <initializer_list>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace scribeon {
namespace {

using namespace CarbonModifier;

// A client of its own: types through XTest (after each call the server has
// handled the keys, so their events already wait on the grabbing
// connection), or grabs Super+Shift+I with `locks` as another application.
struct OtherClient {
    Display* display = XOpenDisplay(nullptr);
    ~OtherClient() {
        if (display)
            XCloseDisplay(display);
    }
    void key(KeySym symbol, Bool press) const {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbol), press, CurrentTime);
        XSync(display, False);
    }
    void tap(std::initializer_list<KeySym> combination) const {
        for (KeySym symbol : combination)
            key(symbol, True);
        for (auto it = std::rbegin(combination); it != std::rend(combination); ++it)
            key(*it, False);
    }
    void grab(unsigned locks, bool take = true) const {
        const KeyCode i = XKeysymToKeycode(display, XK_i);
        const unsigned mask = Mod4Mask | ShiftMask | locks;
        if (take)
            XGrabKey(display, i, mask, DefaultRootWindow(display), False, GrabModeAsync,
                     GrabModeAsync);
        else
            XUngrabKey(display, i, mask, DefaultRootWindow(display));
        XSync(display, False);
    }
};

// An application's window with the keyboard focus, on a client of its own:
// what a press that escaped the grab would reach.
struct FocusedWindow : OtherClient {
    FocusedWindow() {
        const Window window =
            XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 40, 40, 0, 0, 0);
        XSelectInput(display, window, KeyPressMask | StructureNotifyMask);
        XMapWindow(display, window);
        XEvent event;
        do
            XNextEvent(display, &event);
        while (event.type != MapNotify);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        XSync(display, False);
    }
    int pressesOfI() const {
        XSync(display, False);
        int presses = 0;
        for (XEvent event; XPending(display) > 0;) {
            XNextEvent(display, &event);
            presses +=
                event.type == KeyPress && event.xkey.keycode == XKeysymToKeycode(display, XK_i);
        }
        return presses;
    }
};

class X11GlobalHotkeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keyboard.display) << "no X server at DISPLAY";
        grabber = X11GlobalHotkey::open({}, &log);
        ASSERT_TRUE(grabber);
        service = std::make_unique<HotkeyService>(*grabber, preferences, queue);
    }
    void registerCounting() {
        service->registerHotkey([this] { ++triggers; });
    }
    // Every key event sent so far has reached the service.
    void settle() {
        grabber->sync();
        QCoreApplication::processEvents();
    }

    OtherClient keyboard;
    OtherClient other;
    QtMainQueue queue;
    RecordingLog log;
    std::unique_ptr<X11GlobalHotkey> grabber;
    InMemoryPreferences preferences;
    std::unique_ptr<HotkeyService> service;
    int triggers = 0;
};

// Lock keys do not matter; other keys and other modifiers do. (That a new
// combination lets go of the old is e2e_settings_flow's.)
TEST_F(X11GlobalHotkeyTest, OnlyTheRegisteredCombinationTriggersWhateverTheLocks) {
    registerCounting();
    struct Row {
        const char* what;
        std::initializer_list<KeySym> locks;
        std::initializer_list<KeySym> keys;
        int triggers;
    };
    const Row rows[] = {
        {"NumLock", {XK_Num_Lock}, {XK_Super_L, XK_Shift_L, XK_i}, 1},
        {"CapsLock", {XK_Caps_Lock}, {XK_Super_L, XK_Shift_L, XK_i}, 1},
        {"NumLock and CapsLock", {XK_Num_Lock, XK_Caps_Lock}, {XK_Super_L, XK_Shift_L, XK_i}, 1},
        {"the key alone", {}, {XK_i}, 0},
        {"one modifier short", {}, {XK_Super_L, XK_i}, 0},
        {"one modifier more", {}, {XK_Control_L, XK_Super_L, XK_Shift_L, XK_i}, 0},
        {"another key", {}, {XK_Super_L, XK_Shift_L, XK_o}, 0},
    };
    for (const auto& row : rows) {
        triggers = 0;
        for (KeySym lock : row.locks)
            keyboard.tap({lock});
        keyboard.tap(row.keys);
        settle();
        EXPECT_EQ(triggers, row.triggers) << row.what;
        for (KeySym lock : row.locks)
            keyboard.tap({lock}); // off again
    }
}

// While the key is down our passive grab holds the whole keyboard: the
// focused application has lost it and a synthetic key would come back to us.
// The shortcut therefore acts once the key is up and the keyboard is free;
// the key's auto-repeat and modifiers let go after it trigger nothing more.
TEST_F(X11GlobalHotkeyTest, AHeldKeyActsOnceOnReleaseWithTheKeyboardFree) {
    const auto grabKeyboard = [this] {
        return XGrabKeyboard(other.display, DefaultRootWindow(other.display), False, GrabModeAsync,
                             GrabModeAsync, CurrentTime);
    };
    std::vector<int> grabResults;
    service->registerHotkey([&] {
        grabResults.push_back(grabKeyboard());
        XUngrabKeyboard(other.display, CurrentTime);
        XSync(other.display, False);
    });
    XkbSetAutoRepeatRate(keyboard.display, XkbUseCoreKbd, 30, 20);
    for (KeySym symbol : {XK_Super_L, XK_Shift_L, XK_i})
        keyboard.key(symbol, True);
    EXPECT_TRUE(waitUntil([&] { return grabber->ignoredRepeatCount() >= 3; }))
        << "the server sent no auto-repeat";
    EXPECT_TRUE(grabResults.empty()) << "acted while the key was still down";
    EXPECT_EQ(grabKeyboard(), AlreadyGrabbed) << "the press did not grab the keyboard";
    keyboard.key(XK_i, False);
    keyboard.tap({XK_i});
    keyboard.key(XK_Shift_L, False);
    keyboard.key(XK_Super_L, False);
    XkbSetAutoRepeatRate(keyboard.display, XkbUseCoreKbd, 660, 40);
    settle();
    EXPECT_EQ(grabResults, (std::vector<int>{GrabSuccess, GrabSuccess}));
}

// Another client holds only the CapsLock variant: ours fails, says so and
// lets go of the variants it did get, so that a third client can take them;
// once free, re-registering takes it.
TEST_F(X11GlobalHotkeyTest, ACombinationHeldElsewhereFailsIsToldAndLeavesNoPartialGrab) {
    other.grab(LockMask);
    std::vector<HotkeyPair> told;
    service->setOnRegistrationFailed([&](HotkeyPair pair) { told.push_back(pair); });
    registerCounting();
    EXPECT_FALSE(service->isRegistered.get());
    EXPECT_EQ(told, (std::vector<HotkeyPair>{HotkeyPair{}}));
    other.grab(LockMask, false);

    EXPECT_TRUE(X11GlobalHotkey::open()->registerHotkey(HotkeyPair{}));
    service->reregister();
    keyboard.tap({XK_Super_L, XK_Shift_L, XK_i});
    settle();
    EXPECT_EQ(triggers, 1);
}

// Layout switches and tools that type remap keys at any moment; the grab is
// renewed then, and a press in between must still be ours.
TEST_F(X11GlobalHotkeyTest, EveryPressIsOursWhileTheKeymapChurns) {
    registerCounting();
    FocusedWindow application;
    constexpr int presses = 150;
    std::atomic<bool> done = false;
    std::thread hand([&] {
        OtherClient remapper; // writes the key's own mapping back, which every client hears of
        OtherClient typist;
        const KeyCode i = XKeysymToKeycode(remapper.display, XK_i);
        std::mt19937 random(30);
        std::uniform_int_distribution<int> pauseUs(0, 1500);
        for (int press = 0; press < presses; ++press) {
            int perKeycode = 0;
            KeySym* symbols = XGetKeyboardMapping(remapper.display, i, 1, &perKeycode);
            XChangeKeyboardMapping(remapper.display, i, perKeycode, symbols, 1);
            XFree(symbols);
            XSync(remapper.display, False);
            std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
            typist.tap({XK_Super_L, XK_Shift_L, XK_i});
            std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
        }
        done = true;
    });
    waitUntil([&] { return done.load(); }, 60'000);
    hand.join();
    EXPECT_TRUE(waitUntil([&] { return triggers == presses; }))
        << triggers << " of " << presses << " presses triggered";
    EXPECT_EQ(application.pressesOfI(), 0) << "presses reached the focused application";
    EXPECT_GE(grabber->keymapChangeCount(), 1) << "no keymap change was seen";
}

// Scroll Lock becoming a modifier adds lock variants to grab; one of them is
// another client's. The variants held are kept, the refusal is logged, and
// the variant is taken once it is free.
TEST_F(X11GlobalHotkeyTest, AVariantRefusedAfterAKeymapChangeIsRetried) {
    registerCounting();
    const KeyCode scrollLock = XKeysymToKeycode(other.display, XK_Scroll_Lock);
    ASSERT_NE(scrollLock, 0) << "no Scroll Lock key in the keymap";
    other.grab(Mod3Mask);
    XModifierKeymap* original = XGetModifierMapping(other.display);
    XModifierKeymap* changed = XGetModifierMapping(other.display);
    changed = XInsertModifiermapEntry(changed, scrollLock, Mod3MapIndex);
    ASSERT_EQ(XSetModifierMapping(other.display, changed), MappingSuccess);
    XSync(other.display, False);
    settle();
    keyboard.tap({XK_Super_L, XK_Shift_L, XK_i});
    settle();
    EXPECT_EQ(triggers, 1) << "the variants held before were let go";

    other.grab(Mod3Mask, false);
    // Taken once free: another client cannot take it.
    EXPECT_TRUE(waitUntil([&] {
        ScopedErrorTrap trap(other.display);
        other.grab(Mod3Mask);
        if (trap.sync() == BadAccess)
            return true;
        other.grab(Mod3Mask, false);
        return false;
    })) << "the refused variant was not taken once free";
    ASSERT_EQ(XSetModifierMapping(other.display, original), MappingSuccess);
    XFreeModifiermap(original);
    XFreeModifiermap(changed);
    settle();
}

TEST_F(X11GlobalHotkeyTest, KeysOutsideThePositionTableAreRefused) {
    AppConfig::Hotkey::save(preferences, 52, command);
    registerCounting();
    EXPECT_FALSE(service->isRegistered.get());
}

} // namespace
} // namespace scribeon

int main(int argc, char** argv) {
    // The keymap test types from a thread of its own, on its own connections.
    XInitThreads();
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
