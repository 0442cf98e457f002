// From a click on the tray icon (the panel's popUp, which the click's
// activation calls) to the panel's first paint on screen, with the account
// already loaded, 50 openings; with `released:1`, each after the memory of
// closed windows was handed back, as when the panel has sat closed a while.
// Needs the private desktop bench/tray-panel-latency.sh starts.
#include "bench/FirstPaint.h"
#include "platform/qt/ClosedWindowMemory.h"
#include "tests/desktop/WaitUntil.h"
#include "ui/widgets/MenuBarView.h"

#include <QApplication>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace scribeon {
namespace {

using Clock = std::chrono::steady_clock;

User loadedAccount() {
    User user;
    user.id = 1;
    user.name = "Ada Lovelace";
    user.email = "ada@example.com";
    user.plan = "pro";
    user.statistics = {41, 59, 100, "2027-01-01T00:00:00.000Z"};
    return user;
}

void BM_TrayClickToPanelPaint(benchmark::State& state) {
    Property<bool> isAuthenticated{true};
    Property<std::optional<User>, Notify::Always> user;
    user.set(loadedAccount());
    Property<std::optional<std::string>> errorMessage;
    Property<bool> isUpdateAvailable{true};
    Property<std::optional<std::string>> availableVersion{std::string("0.2.0")};
    MenuBarModel model{isAuthenticated,
                       user,
                       errorMessage,
                       isUpdateAvailable,
                       availableVersion,
                       [] { return std::string("Super+Shift+I"); },
                       {},
                       {},
                       {},
                       {},
                       {},
                       {}};
    MenuBarView panel(model);
    ClosedWindowMemory memory;
    const bool released = state.range(0) == 1;
    const QRect trayIcon(1250, 0, 24, 24);
    std::vector<double> millis;
    for (auto _ : state) {
        FirstPaint paint([&panel](QObject* object) {
            auto* widget = qobject_cast<QWidget*>(object);
            return widget && widget->window() == &panel;
        });
        qApp->installEventFilter(&paint);
        const auto clicked = Clock::now();
        panel.popUp(trayIcon);
        waitUntil([&] { return paint.at.has_value(); });
        qApp->removeEventFilter(&paint);
        if (!paint.at) {
            state.SkipWithError("the panel never painted");
            return;
        }
        const std::chrono::duration<double, std::milli> elapsed = *paint.at - clicked;
        state.SetIterationTime(elapsed.count() / 1000);
        millis.push_back(elapsed.count());
        panel.hide();
        waitUntil([&] { return !panel.isVisible(); });
        if (released && !memory.release())
            state.SkipWithError("a window of ours stayed on screen");
    }
    std::sort(millis.begin(), millis.end());
    state.counters["median_ms"] = millis[millis.size() / 2];
    state.counters["p95_ms"] = millis[millis.size() * 95 / 100];
    state.counters["max_ms"] = millis.back();
}
BENCHMARK(BM_TrayClickToPanelPaint)
    ->ArgName("released")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(50)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace scribeon
