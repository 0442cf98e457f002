// The settings window against the running local service (its origin and a
// signed-in token in SCRIBEON_BENCH_ORIGIN / SCRIBEON_BENCH_TOKEN), on the
// private desktop bench/settings-latency.sh starts with 1,000 commands:
// from show() on the Commands page to the list's first paint with every row
// (20 openings), and from letting go of a dragged row to its order being in
// the preferences file (20 drags).
#include "bench/FirstPaint.h"
#include "platform/qt/DesktopUrlOpener.h"
#include "platform/qt/QtHttpTransport.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/QtPreferences.h"
#include "service/APIClient.h"
#include "service/CommandService.h"
#include "service/KeychainService.h"
#include "tests/desktop/WaitUntil.h"
#include "tests/fakes/FakeAutostartEntry.h"
#include "tests/fakes/InMemoryCredentialStore.h"
#include "ui/widgets/CommandSettingsListView.h"
#include "ui/widgets/CommandsSettingsPage.h"
#include "ui/widgets/SettingsWindow.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace scribeon {
namespace {

using Clock = std::chrono::steady_clock;

struct NoHotkey : HotkeyRegistration {
    void registerHotkey(std::function<void()>) override {}
    bool reregister() override { return true; }
    void release() override {}
};

// The service client as the program builds it, over the bench's token.
struct Client {
    Client() { keychain.save(std::getenv("SCRIBEON_BENCH_TOKEN"), KeychainService::authTokenKey); }
    QtMainQueue queue;
    QtHttpTransport transport;
    InMemoryCredentialStore store;
    KeychainService keychain{store};
    QtPreferences preferences{QDir::tempPath() + QStringLiteral("/scribeon-bench.conf")};
    APIClient api{transport, keychain,
                  std::string(std::getenv("SCRIBEON_BENCH_ORIGIN")) + "/api/v1"};
    CommandService commands{api, preferences, queue};
    NoHotkey hotkey;
    Property<bool> registered{true};
    FakeAutostartEntry autostart;
    DesktopUrlOpener urlOpener;
    SettingsWindow settings{SettingsCollaborators{commands, queue, preferences, hotkey, registered,
                                                  true, nullptr, autostart, urlOpener,
                                                  std::getenv("SCRIBEON_BENCH_ORIGIN")}};
};

int expectedRows() {
    const char* rows = std::getenv("SCRIBEON_BENCH_ROWS");
    return rows ? std::atoi(rows) : 1000;
}

std::vector<double> millis;

void report(benchmark::State& state) {
    std::sort(millis.begin(), millis.end());
    state.counters["median_ms"] = millis[millis.size() / 2];
    state.counters["max_ms"] = millis.back();
    millis.clear();
}

void BM_SettingsShownToThousandCommandsPainted(benchmark::State& state) {
    Client client;
    for (auto _ : state) {
        const auto shown = Clock::now();
        client.settings.show();
        SettingsView* view = client.settings.window();
        view->select(SettingsPage::commands);
        QListView* list = view->commandsPage()->list();
        FirstPaint painted([list](QObject* object) {
            return object == list->viewport() && list->isVisible() &&
                   list->model()->rowCount() >= expectedRows();
        });
        qApp->installEventFilter(&painted);
        waitUntil([&] { return painted.at.has_value(); }, 30000);
        qApp->removeEventFilter(&painted);
        if (!painted.at) {
            const auto& error = view->viewModel().errorMessage.get();
            state.SkipWithError(error ? error->c_str() : "the list never painted every row");
            return;
        }
        const std::chrono::duration<double, std::milli> elapsed = *painted.at - shown;
        state.SetIterationTime(elapsed.count() / 1000);
        millis.push_back(elapsed.count());
        view->close();
        waitUntil([&] { return client.settings.window() == nullptr; });
    }
    report(state);
}
BENCHMARK(BM_SettingsShownToThousandCommandsPainted)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_DragReleaseToOrderSaved(benchmark::State& state) {
    Client client;
    client.settings.show();
    SettingsView* view = client.settings.window();
    view->select(SettingsPage::commands);
    CommandSettingsListView* list = view->commandsPage()->list();
    waitUntil([&] { return list->isVisible() && list->model()->rowCount() >= expectedRows(); },
              30000);
    QWidget* viewport = list->viewport();
    for (auto _ : state) {
        const QRect third = list->visualRect(list->model()->index(2, 0));
        const QPoint top = list->visualRect(list->model()->index(0, 0)).topLeft() + QPoint(200, 3);
        const auto before = client.preferences.textList(CommandService::commandOrderKey);
        QTest::mousePress(viewport, Qt::LeftButton, {}, third.center());
        QMouseEvent move(QEvent::MouseMove, top, viewport->mapToGlobal(top), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &move);
        const auto released = Clock::now();
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, top);
        const auto saved = Clock::now();
        if (client.preferences.textList(CommandService::commandOrderKey) == before) {
            state.SkipWithError("the drag saved nothing");
            return;
        }
        const std::chrono::duration<double, std::milli> elapsed = saved - released;
        state.SetIterationTime(elapsed.count() / 1000);
        millis.push_back(elapsed.count());
    }
    report(state);
    view->close();
}
BENCHMARK(BM_DragReleaseToOrderSaved)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace scribeon
