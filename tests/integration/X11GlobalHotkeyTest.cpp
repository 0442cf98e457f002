#include "platform/x11/X11GlobalHotkey.h"
#include "hotkey/AppConfig.h"
#include "hotkey/HotkeyService.h"
#include "platform/qt/QtMainQueue.h"
#include "tests/fakes/InMemoryPreferences.h"
#include "tests/fakes/RecordingLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>
// After gtest and Qt: Xlib defines macros such as None and Bool.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "platform/x11/X11ErrorTrap.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace scribeon {
namespace {

using namespace CarbonModifier;

// Types on the X server through XTest on a connection of its own. After each
// call the server has handled the keys, so their events already wait on the
// grabbing connection.
class XTestKeyboard {
public:
    XTestKeyboard() : display_(XOpenDisplay(nullptr)) {}
    ~XTestKeyboard() {
        if (display_)
            XCloseDisplay(display_);
    }
    bool isOpen() const { return display_ != nullptr; }

    void down(KeySym symbol) { send(symbol, True); }
    void up(KeySym symbol) { send(symbol, False); }
    void tap(std::initializer_list<KeySym> combination) {
        for (KeySym symbol : combination)
            down(symbol);
        for (auto it = std::rbegin(combination); it != std::rend(combination); ++it)
            up(*it);
    }

    void setAutoRepeat(unsigned delayMs, unsigned intervalMs) {
        XkbSetAutoRepeatRate(display_, XkbUseCoreKbd, delayMs, intervalMs);
        XSync(display_, False);
    }

    // Writes the key's own mapping back, which every client hears of.
    void remapSameKeys(KeySym symbol) {
        const KeyCode keycode = XKeysymToKeycode(display_, symbol);
        int perKeycode = 0;
        KeySym* symbols = XGetKeyboardMapping(display_, keycode, 1, &perKeycode);
        XChangeKeyboardMapping(display_, keycode, perKeycode, symbols, 1);
        XFree(symbols);
        XSync(display_, False);
    }

private:
    void send(KeySym symbol, Bool press) {
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, symbol), press, CurrentTime);
        XSync(display_, False);
    }
    Display* display_;
};

// An application's window with the keyboard focus, on a client of its own:
// what a press that escaped the grab would reach.
class FocusedWindow {
public:
    FocusedWindow() : display_(XOpenDisplay(nullptr)) {
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 40, 40, 0, 0, 0);
        XSelectInput(display_, window_, KeyPressMask | StructureNotifyMask);
        XMapWindow(display_, window_);
        XEvent event;
        do
            XNextEvent(display_, &event);
        while (event.type != MapNotify);
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        XSync(display_, False);
    }
    ~FocusedWindow() { XCloseDisplay(display_); }

    int pressesOf(KeySym symbol) {
        XSync(display_, False);
        const KeyCode keycode = XKeysymToKeycode(display_, symbol);
        int presses = 0;
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == KeyPress && event.xkey.keycode == keycode)
                ++presses;
        }
        return presses;
    }

private:
    Display* display_;
    Window window_ = 0;
};

class X11GlobalHotkeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keyboard.isOpen()) << "no X server at DISPLAY";
        grabber = X11GlobalHotkey::open({}, &log);
        ASSERT_TRUE(grabber);
        service = std::make_unique<HotkeyService>(*grabber, preferences, queue);
    }
    void TearDown() override {
        service.reset();
        grabber.reset();
    }
    void registerCounting() {
        service->registerHotkey([this] { ++triggers; });
    }
    // Every key event sent so far has reached the service.
    void settle() {
        grabber->sync();
        QCoreApplication::processEvents();
    }
    template <typename Condition> static bool waitUntil(Condition condition) {
        QElapsedTimer clock;
        clock.start();
        while (!condition() && clock.elapsed() < 10'000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return condition();
    }

    XTestKeyboard keyboard;
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
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const auto grabKeyboard = [other] {
        return XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync,
                             CurrentTime);
    };
    std::vector<int> grabResults;
    service->registerHotkey([&] {
        grabResults.push_back(grabKeyboard());
        XUngrabKeyboard(other, CurrentTime);
        XSync(other, False);
    });
    keyboard.setAutoRepeat(30, 20);
    keyboard.down(XK_Super_L);
    keyboard.down(XK_Shift_L);
    keyboard.down(XK_i);
    EXPECT_TRUE(waitUntil([&] { return grabber->ignoredRepeatCount() >= 3; }))
        << "the server sent no auto-repeat";
    EXPECT_TRUE(grabResults.empty()) << "acted while the key was still down";
    EXPECT_EQ(grabKeyboard(), AlreadyGrabbed) << "the press did not grab the keyboard";
    keyboard.up(XK_i);
    keyboard.down(XK_i);
    keyboard.up(XK_i);
    keyboard.up(XK_Shift_L);
    keyboard.up(XK_Super_L);
    keyboard.setAutoRepeat(660, 40);
    settle();
    EXPECT_EQ(grabResults, (std::vector<int>{GrabSuccess, GrabSuccess}));
    XCloseDisplay(other);
}

// Another client holds only the CapsLock variant: ours fails, says so and
// lets go of the variants it did get, so that a third client can take them;
// once free, re-registering takes it.
TEST_F(X11GlobalHotkeyTest, ACombinationHeldElsewhereFailsIsToldAndLeavesNoPartialGrab) {
    Display* other = XOpenDisplay(nullptr);
    const int keycode = XKeysymToKeycode(other, XK_i);
    XGrabKey(other, keycode, Mod4Mask | ShiftMask | LockMask, DefaultRootWindow(other), False,
             GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    std::vector<HotkeyPair> told;
    service->setOnRegistrationFailed([&](HotkeyPair pair) { told.push_back(pair); });
    registerCounting();
    EXPECT_FALSE(service->isRegistered.get());
    EXPECT_EQ(told, (std::vector<HotkeyPair>{HotkeyPair{}}));
    XCloseDisplay(other);

    EXPECT_TRUE(X11GlobalHotkey::open()->registerHotkey(HotkeyPair{}));
    service->reregister();
    EXPECT_TRUE(service->isRegistered.get());
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
        XTestKeyboard remapper;
        XTestKeyboard typist;
        std::mt19937 random(30);
        std::uniform_int_distribution<int> pauseUs(0, 1500);
        for (int press = 0; press < presses; ++press) {
            remapper.remapSameKeys(XK_i);
            std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
            typist.tap({XK_Super_L, XK_Shift_L, XK_i});
            std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
        }
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < 60'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    hand.join();
    EXPECT_TRUE(waitUntil([&] { return triggers == presses; }))
        << triggers << " of " << presses << " presses triggered";
    EXPECT_EQ(application.pressesOf(XK_i), 0) << "presses reached the focused application";
    EXPECT_GE(grabber->keymapChangeCount(), 1) << "no keymap change was seen";
}

// Scroll Lock becoming a modifier adds lock variants to grab; one of them is
// another client's. The variants held are kept, the refusal is logged, and
// the variant is taken once it is free.
TEST_F(X11GlobalHotkeyTest, AVariantRefusedAfterAKeymapChangeIsRetried) {
    registerCounting();
    Display* other = XOpenDisplay(nullptr);
    const int keycode = XKeysymToKeycode(other, XK_i);
    const KeyCode scrollLock = XKeysymToKeycode(other, XK_Scroll_Lock);
    ASSERT_NE(scrollLock, 0) << "no Scroll Lock key in the keymap";
    XGrabKey(other, keycode, Mod4Mask | ShiftMask | Mod3Mask, DefaultRootWindow(other), False,
             GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    XModifierKeymap* original = XGetModifierMapping(other);
    XModifierKeymap* changed = XGetModifierMapping(other);
    changed = XInsertModifiermapEntry(changed, scrollLock, Mod3MapIndex);
    ASSERT_EQ(XSetModifierMapping(other, changed), MappingSuccess);
    XSync(other, False);
    settle();
    keyboard.tap({XK_Super_L, XK_Shift_L, XK_i});
    settle();
    EXPECT_EQ(triggers, 1) << "the variants held before were let go";

    XUngrabKey(other, keycode, Mod4Mask | ShiftMask | Mod3Mask, DefaultRootWindow(other));
    XSync(other, False);
    // Taken once free: another client cannot take it.
    EXPECT_TRUE(waitUntil([&] {
        ScopedErrorTrap trap(other);
        XGrabKey(other, keycode, Mod4Mask | ShiftMask | Mod3Mask, DefaultRootWindow(other), False,
                 GrabModeAsync, GrabModeAsync);
        if (trap.sync() == BadAccess)
            return true;
        XUngrabKey(other, keycode, Mod4Mask | ShiftMask | Mod3Mask, DefaultRootWindow(other));
        XSync(other, False);
        return false;
    })) << "the refused variant was not taken once free";
    ASSERT_EQ(XSetModifierMapping(other, original), MappingSuccess);
    XFreeModifiermap(original);
    XFreeModifiermap(changed);
    XCloseDisplay(other);
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
