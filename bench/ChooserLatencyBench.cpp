// From the release of the shortcut's key (the moment it acts) to the
// chooser's first paint, with a cached command list, in the Qt test editor
// and in mousepad, through the AT-SPI capture and through the Ctrl+C one
// (the editor started without its accessibility bridge). The key is held
// 120 ms as a hand holds it. Besides the total, each press is cut into
// stages (the hand-off to the shortcut's callback, the capture, the
// chooser's frontmost-window lookup, building and showing its window, the
// window manager mapping it, the first paint), reported as medians and
// p95s. Needs the private desktop bench/chooser-latency.sh starts.
#include "accessibility/AccessibilityCapture.h"
#include "bench/FirstPaint.h"
#include "hotkey/HotkeyService.h"
#include "panels/CommandPanelController.h"
#include "panels/widgets/QtPanelPresenter.h"
#include "platform/linux/AtspiAccessibilityBridge.h"
#include "platform/linux/ThreadSleeper.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/x11/X11GlobalHotkey.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XTestKeySynth.h"
#include "tests/desktop/WaitUntil.h"
#include "tests/fakes/FakeHttpTransport.h"
#include "tests/fakes/InMemoryCredentialStore.h"
#include "tests/fakes/InMemoryPreferences.h"
#include "tests/fakes/RecordingLog.h"

#include <QApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
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

bool isChooserWindow(QObject* object) {
    auto* window = qobject_cast<QWindow*>(object);
    if (!window)
        return false;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->windowHandle() == window)
            return widget->objectName() == QLatin1String("commandPanel");
    return false;
}

// The moments of one press, each noted once.
struct PressStamps {
    std::optional<Clock::time_point> callback, captured, chooserLookedUp, shown;
    void note(std::optional<Clock::time_point>& stamp) {
        if (!stamp)
            stamp = Clock::now();
    }
};

// The chooser's own look at the frontmost window (the capture made one
// just before) ends a stage of its own.
class StampedWorkspace : public Workspace {
public:
    StampedWorkspace(Workspace& inner, PressStamps& stamps) : inner_(inner), stamps_(stamps) {}
    std::optional<RunningApplication> frontmostApplication() override {
        auto app = inner_.frontmostApplication();
        if (stamps_.captured)
            stamps_.note(stamps_.chooserLookedUp);
        return app;
    }
    bool activate(int pid) override { return inner_.activate(pid); }

private:
    Workspace& inner_;
    PressStamps& stamps_;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double p95(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() * 95 / 100];
}

// After Ctrl+A an editor holds the primary selection, which the capture
// would take without any keystroke; taking it away would make a GTK editor
// deselect. With its owner hidden the capture copies, as it does for an
// application that keeps no primary selection of its own.
class BenchClipboard : public QtClipboard {
public:
    bool ownerHidden = false;
    std::optional<int> primarySelectionOwnerPid() override {
        return ownerHidden ? std::nullopt : QtClipboard::primarySelectionOwnerPid();
    }
};

// Keeps the log and notes when the focused element was found (the end of
// the capture's focus wait).
class TimedLog : public RecordingLog {
public:
    std::optional<Clock::time_point> focusFound;
    void write(const std::string& line) override {
        RecordingLog::write(line);
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

    AtspiAccessibilityBridge bridge;
    // As the program opens it: the application's name comes over AT-SPI.
    auto workspace = X11Workspace::open([&bridge](int pid) { return bridge.applicationName(pid); });
    auto keys = XTestKeySynth::open();
    auto grabber = X11GlobalHotkey::open();
    Display* keyboard = XOpenDisplay(nullptr);
    if (!workspace || !keys || !grabber || !keyboard) {
        state.SkipWithError("no X server at DISPLAY");
        return;
    }
    BenchClipboard clipboard;
    clipboard.ownerHidden = path == copyKey;
    ThreadSleeper sleeper;
    TimedLog log;
    PressStamps stamps;
    StampedWorkspace chooserWorkspace(*workspace, stamps);
    FocusedText focused({*workspace, bridge, *keys, clipboard, sleeper, log});
    AccessibilityCapture capture(focused);
    QtPanelPresenter presenter;
    auto chooser = CommandPanelController::create(presenter, chooserWorkspace, commands, queue);
    HotkeyService hotkeys(*grabber, preferences, queue);
    bool captured = true;
    hotkeys.registerHotkey([&] {
        stamps.note(stamps.callback);
        std::optional<std::string> text = capture.getSelectedText();
        stamps.note(stamps.captured);
        captured = captured && text.has_value();
        chooser->show(text.value_or(""), capture.lastSource(), [](std::shared_ptr<ResultRun>) {});
        stamps.note(stamps.shown);
    });
    FirstPaint paint(inChooser);
    qApp->installEventFilter(&paint);
    FirstPaint exposed(
        [](QObject* object) {
            return isChooserWindow(object) && static_cast<QWindow*>(object)->isExposed();
        },
        FirstPaint::exposeEvent);
    qApp->installEventFilter(&exposed);
    const auto key = [&](KeySym symbol, Bool press) {
        XTestFakeKeyEvent(keyboard, XKeysymToKeycode(keyboard, symbol), press, CurrentTime);
    };
    if (path == atspi)
        waitUntil([&] { return bridge.focusedElement(editorPid).status == BridgeStatus::success; });

    std::vector<double> millis;
    std::vector<double> focusMillis;
    std::map<std::string, std::vector<double>> stages;
    bool paintedWhileHeld = false;
    for (auto _ : state) {
        paint.at.reset();
        exposed.at.reset();
        stamps = {};
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
        if (stamps.callback && stamps.captured && stamps.shown && exposed.at) {
            // The chooser asks the desktop only when the capture found nobody.
            const auto lookedUp = stamps.chooserLookedUp.value_or(*stamps.captured);
            const auto between = [](Clock::time_point from, Clock::time_point to) {
                return std::chrono::duration<double, std::milli>(to - from).count();
            };
            stages["1_to_callback"].push_back(between(releasedAt, *stamps.callback));
            stages["2_capture"].push_back(between(*stamps.callback, *stamps.captured));
            stages["3_frontmost"].push_back(between(*stamps.captured, lookedUp));
            stages["4_build_show"].push_back(between(lookedUp, *stamps.shown));
            stages["5_map"].push_back(between(*stamps.shown, *exposed.at));
            stages["6_paint"].push_back(between(*exposed.at, *paint.at));
        }
        if (log.focusFound)
            focusMillis.push_back(
                std::chrono::duration<double, std::milli>(*log.focusFound - releasedAt).count());
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
    qApp->removeEventFilter(&exposed);
    qApp->removeEventFilter(&paint);
    XCloseDisplay(keyboard);
    editor.kill();
    editor.waitForFinished();
    if (!captured)
        state.SkipWithError("a capture came back empty");
    if (paintedWhileHeld)
        state.SkipWithError("the chooser opened while the key was still down");
    const auto logged = [&](const char* part) {
        return std::any_of(log.lines.begin(), log.lines.end(), [part](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    };
    const bool copied = logged("capture: Cmd+C result") && !logged("instead of Cmd+C");
    if (copied != (path == copyKey))
        state.SkipWithError(path == atspi ? "AT-SPI did not answer; Ctrl+C was used"
                                          : "the editor answered over AT-SPI");
    state.counters["median_ms"] = median(millis);
    state.counters["p95_ms"] = p95(millis);
    state.counters["max_ms"] = *std::max_element(millis.begin(), millis.end());
    if (!focusMillis.empty())
        state.counters["focus_median_ms"] = median(focusMillis);
    for (const auto& [stage, values] : stages) {
        state.counters[stage + "_median"] = median(values);
        state.counters[stage + "_p95"] = p95(values);
    }
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
