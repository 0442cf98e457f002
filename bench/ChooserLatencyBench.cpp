// From the release of the shortcut's key (the moment it acts) to the
// chooser's first paint, with a cached command list, in the Qt test editor
// and in mousepad, through the AT-SPI capture and through the Ctrl+C one
// (the editor started without its accessibility bridge). The key is held
// 120 ms as a hand holds it. Needs the private desktop
// bench/chooser-latency.sh starts.
#include "accessibility/AccessibilityService.h"
#include "bench/FirstPaint.h"
#include "hotkey/HotkeyService.h"
#include "panels/CommandPanelController.h"
#include "panels/widgets/QtPanelPresenter.h"
#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/InMemoryCredentialStore.h"
#include "platform/fake/InMemoryPreferences.h"
#include "platform/fake/RecordingLog.h"
#include "platform/linux/AtspiAccessibilityBridge.h"
#include "platform/linux/ThreadSleeper.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/x11/X11GlobalHotkey.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XTestKeySynth.h"
#include "tests/desktop/WaitUntil.h"

#include <QApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QWidget>

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

using Clock = std::chrono::steady_clock;

// Any widget of the chooser's window.
bool inChooser(QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->window()->objectName() == QLatin1String("commandPanel");
}

// Keeps the log and notes when the capture ended, to tell the capture's
// share of the latency from the chooser's.
class TimedLog : public RecordingLog {
public:
    std::optional<Clock::time_point> captured;
    std::optional<Clock::time_point> focusFound;
    void write(const std::string& line) override {
        RecordingLog::write(line);
        if (line.find("capture: AX read OK") != std::string::npos ||
            line.find("capture: Cmd+C result") != std::string::npos)
            captured = Clock::now();
        if (line.find("AX read: role") != std::string::npos)
            focusFound = Clock::now();
    }
};

QString xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

enum Editor { qtEditor, mousepad };
enum Path { atspi, copyKey };

void BM_ShortcutToChooserPaint(benchmark::State& state) {
    const auto editorKind = static_cast<Editor>(state.range(0));
    const auto path = static_cast<Path>(state.range(1));
    QTemporaryDir dir;
    QProcess editor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (path == atspi)
        env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    else
        env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    env.insert(QStringLiteral("HOME"), dir.path());
    editor.setProcessEnvironment(env);
    if (editorKind == qtEditor)
        editor.start(QStringLiteral(SCRIBEON_TEST_EDITOR), {});
    else
        editor.start(QStringLiteral("mousepad"),
                     {QStringLiteral("--disable-server"), dir.filePath(QStringLiteral("doc.txt"))});
    editor.waitForStarted();
    const int editorPid = static_cast<int>(editor.processId());
    QString window;
    waitUntil([&] {
        window = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--pid"), QString::number(editorPid)})
                     .section(QLatin1Char('\n'), 0, 0);
        return !window.isEmpty();
    });
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("type"), QStringLiteral("a sentence to fix, selected whole")});
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});

    QtMainQueue queue;
    InMemoryPreferences preferences;
    FakeHttpTransport transport;
    InMemoryCredentialStore store;
    KeychainService keychain{store};
    APIClient client{transport, keychain, "https://scribeon.test/api/v1"};
    CommandService commands{client, preferences, queue};
    transport.reply(200, R"({"data":[{"code":"fix","name":"Fix","is_active":true},
        {"code":"up","name":"UPPER","is_active":true}]})");
    bool cached = false;
    commands.fetchCommands([&](auto) { cached = true; });
    waitUntil([&] { return cached; });
    transport.holding = true; // later refreshes never answer: the chooser shows the cache

    auto workspace = X11Workspace::open();
    auto keys = XTestKeySynth::open();
    auto grabber = X11GlobalHotkey::open();
    Display* keyboard = XOpenDisplay(nullptr);
    if (!workspace || !keys || !grabber || !keyboard) {
        state.SkipWithError("no X server at DISPLAY");
        return;
    }
    AtspiAccessibilityBridge bridge;
    QtClipboard clipboard;
    ThreadSleeper sleeper;
    TimedLog log;
    AccessibilityService capture({*workspace, bridge, *keys, clipboard, sleeper, log});
    QtPanelPresenter presenter;
    auto chooser = CommandPanelController::create(presenter, *workspace, commands, queue);
    HotkeyService hotkeys(*grabber, preferences, queue);
    bool captured = true;
    hotkeys.registerHotkey([&] {
        std::optional<std::string> text = capture.getSelectedText();
        captured = captured && text.has_value();
        chooser->show(text.value_or(""), [](std::shared_ptr<ResultRun>) {});
    });
    FirstPaint paint(inChooser);
    qApp->installEventFilter(&paint);
    const auto key = [&](KeySym symbol, Bool press) {
        XTestFakeKeyEvent(keyboard, XKeysymToKeycode(keyboard, symbol), press, CurrentTime);
    };
    if (path == atspi)
        waitUntil([&] { return bridge.focusedElement(editorPid).status == BridgeStatus::success; });

    std::vector<double> millis;
    std::vector<double> captureMillis;
    std::vector<double> focusMillis;
    bool paintedWhileHeld = false;
    for (auto _ : state) {
        paint.at.reset();
        key(XK_Super_L, True);
        key(XK_Shift_L, True);
        key(XK_i, True);
        XSync(keyboard, False);
        const auto holdUntil = Clock::now() + std::chrono::milliseconds(120);
        while (Clock::now() < holdUntil)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        paintedWhileHeld = paintedWhileHeld || paint.at.has_value();
        const auto releasedAt = Clock::now();
        key(XK_i, False);
        XFlush(keyboard);
        while (!paint.at)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const std::chrono::duration<double, std::milli> elapsed = *paint.at - releasedAt;
        state.SetIterationTime(elapsed.count() / 1000);
        millis.push_back(elapsed.count());
        if (log.captured)
            captureMillis.push_back(
                std::chrono::duration<double, std::milli>(*log.captured - releasedAt).count());
        if (log.focusFound)
            focusMillis.push_back(
                std::chrono::duration<double, std::milli>(*log.focusFound - releasedAt).count());
        log.captured.reset();
        log.focusFound.reset();
        key(XK_Shift_L, False);
        key(XK_Super_L, False);
        XSync(keyboard, False);
        chooser->close(true);
        waitUntil([&] {
            const auto front = workspace->frontmostApplication();
            return front && front->pid == editorPid;
        });
    }
    qApp->removeEventFilter(&paint);
    XCloseDisplay(keyboard);
    editor.kill();
    editor.waitForFinished();
    if (!captured)
        state.SkipWithError("a capture came back empty");
    if (paintedWhileHeld)
        state.SkipWithError("the chooser opened while the key was still down");
    const bool copied =
        std::any_of(log.lines.begin(), log.lines.end(), [](const std::string& line) {
            return line.find("capture: Cmd+C result") != std::string::npos;
        });
    if (copied != (path == copyKey))
        state.SkipWithError(path == atspi ? "AT-SPI did not answer; Ctrl+C was used"
                                          : "the editor answered over AT-SPI");
    std::sort(millis.begin(), millis.end());
    state.counters["median_ms"] = millis[millis.size() / 2];
    state.counters["p95_ms"] = millis[millis.size() * 95 / 100];
    state.counters["max_ms"] = millis.back();
    std::sort(captureMillis.begin(), captureMillis.end());
    if (!captureMillis.empty())
        state.counters["capture_median_ms"] = captureMillis[captureMillis.size() / 2];
    std::sort(focusMillis.begin(), focusMillis.end());
    if (!focusMillis.empty())
        state.counters["focus_median_ms"] = focusMillis[focusMillis.size() / 2];
}
BENCHMARK(BM_ShortcutToChooserPaint)
    ->ArgNames({"editor", "ctrl_c"})
    ->Args({qtEditor, atspi})
    ->Args({mousepad, atspi})
    ->Args({qtEditor, copyKey})
    ->Args({mousepad, copyKey})
    ->Iterations(50)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace scribeon
