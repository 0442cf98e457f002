// From the X event that triggers the shortcut (its key's release) to the
// callback: XTest holds Super+Shift+I and lets go of I on one connection, the
// grab on another delivers it through the Qt event loop to HotkeyService. Needs an X server
// (bench/hotkey-latency.sh starts a private Xvfb).
#include "hotkey/HotkeyService.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/x11/X11GlobalHotkey.h"
#include "tests/fakes/InMemoryPreferences.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>
// After Qt: Xlib defines macros such as None and Bool.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace scribeon {
namespace {

void BM_HotkeyReleaseToCallback(benchmark::State& state) {
    Display* keyboard = XOpenDisplay(nullptr);
    auto grabber = X11GlobalHotkey::open();
    if (!keyboard || !grabber) {
        state.SkipWithError("no X server at DISPLAY");
        return;
    }
    InMemoryPreferences preferences;
    QtMainQueue queue;
    HotkeyService service(*grabber, preferences, queue);
    bool called = false;
    std::chrono::steady_clock::time_point calledAt;
    service.registerHotkey([&] {
        calledAt = std::chrono::steady_clock::now();
        called = true;
    });
    const auto key = [&](KeySym symbol, Bool press) {
        XTestFakeKeyEvent(keyboard, XKeysymToKeycode(keyboard, symbol), press, CurrentTime);
    };
    key(XK_Super_L, True);
    key(XK_Shift_L, True);
    XSync(keyboard, False);

    std::vector<double> micros;
    for (auto _ : state) {
        called = false;
        key(XK_i, True);
        XSync(keyboard, False);
        grabber->sync(); // the press is in; it acts on release
        const auto sentAt = std::chrono::steady_clock::now();
        key(XK_i, False);
        XFlush(keyboard);
        while (!called)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const std::chrono::duration<double> elapsed = calledAt - sentAt;
        state.SetIterationTime(elapsed.count());
        micros.push_back(elapsed.count() * 1e6);
    }
    key(XK_Shift_L, False);
    key(XK_Super_L, False);
    XSync(keyboard, False);
    XCloseDisplay(keyboard);

    std::sort(micros.begin(), micros.end());
    if (!micros.empty()) {
        state.counters["median_us"] = micros[micros.size() / 2];
        state.counters["p90_us"] = micros[micros.size() * 9 / 10];
        state.counters["max_us"] = micros.back();
    }
}
BENCHMARK(BM_HotkeyReleaseToCallback)
    ->Iterations(100)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace scribeon
