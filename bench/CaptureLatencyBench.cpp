// From the capture call to the returned text through AT-SPI, on the Qt test
// editor holding a 1 KB and a 1 MB document, everything selected. Needs the
// private desktop that bench/capture-latency.sh starts.
#include "accessibility/AccessibilityCapture.h"
#include "platform/linux/AtspiAccessibilityBridge.h"
#include "platform/linux/ThreadSleeper.h"
#include "platform/qt/QtClipboard.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XTestKeySynth.h"
#include "tests/desktop/WaitUntil.h"
#include "tests/fakes/RecordingLog.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace scribeon {
namespace {

QString xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void BM_CaptureThroughAtspi(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0));
    std::string document;
    while (document.size() < bytes)
        document += "The quick brown fox jumps over the lazy dog. ";
    document.resize(bytes);

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("document.txt")));
    if (!file.open(QIODevice::WriteOnly)) {
        state.SkipWithError("cannot write the document");
        return;
    }
    file.write(document.data(), static_cast<qint64>(document.size()));
    file.close();

    QProcess editor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    env.insert(QStringLiteral("HOME"), dir.path());
    editor.setProcessEnvironment(env);
    editor.start(QStringLiteral(SCRIBEON_TEST_EDITOR), {QStringLiteral("--load"), file.fileName()});
    editor.waitForStarted();
    const QString pid = QString::number(editor.processId());
    QString window;
    waitUntil([&] {
        window = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--pid"), pid})
                     .section(QLatin1Char('\n'), 0, 0);
        return !window.isEmpty();
    });
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});

    auto workspace = X11Workspace::open();
    auto keys = XTestKeySynth::open();
    AtspiAccessibilityBridge bridge;
    QtClipboard clipboard;
    ThreadSleeper sleeper;
    RecordingLog log;
    FocusedText focused({*workspace, bridge, *keys, clipboard, sleeper, log});
    AccessibilityCapture service(focused);
    if (!waitUntil(
            [&] { return service.getSelectedText().value_or("").size() == document.size(); })) {
        state.SkipWithError("the editor's selection never read back whole");
        editor.kill();
        editor.waitForFinished();
        return;
    }

    std::vector<double> millis;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto captured = service.getSelectedText();
        const std::chrono::duration<double, std::milli> elapsed =
            std::chrono::steady_clock::now() - start;
        benchmark::DoNotOptimize(captured);
        millis.push_back(elapsed.count());
        state.SetIterationTime(elapsed.count() / 1000);
    }
    std::sort(millis.begin(), millis.end());
    state.counters["median_ms"] = millis[millis.size() / 2];
    state.counters["p95_ms"] = millis[millis.size() * 95 / 100];
    editor.kill();
    editor.waitForFinished();
}
BENCHMARK(BM_CaptureThroughAtspi)
    ->Arg(1024)
    ->Arg(1024 * 1024)
    ->Iterations(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace scribeon
