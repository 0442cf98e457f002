// From the moment the service writes a piece of a streamed result to that
// piece painted in the open result panel: a stand-in service on loopback
// writes one `delta` event when told, through the real HTTP transport,
// event reader, command service, main queue, run and view; 200 pieces.
// Needs a display: bench/stream-paint-latency.sh starts a private desktop.
#include "panels/ResultRun.h"
#include "panels/widgets/FloatingPanel.h"
#include "panels/widgets/ResultPanelView.h"
#include "platform/qt/QtHttpTransport.h"
#include "platform/qt/QtMainQueue.h"
#include "service/CommandService.h"
#include "tests/fakes/InMemoryCredentialStore.h"
#include "tests/fakes/InMemoryPreferences.h"
#include "wire/EventStream.h"

#include <httplib.h>

#include <QApplication>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace scribeon {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Writes the next piece when `send` is called and notes when it did.
class PacedService {
public:
    PacedService() {
        server_.Post("/api/v1/commands/fix/process", [this](const httplib::Request&,
                                                            httplib::Response& res) {
            res.set_chunked_content_provider(
                "text/event-stream", [this](std::size_t, httplib::DataSink& sink) {
                    std::unique_lock lock(mutex_);
                    wake_.wait(lock, [this] { return pending_ > 0 || closing_; });
                    if (closing_) {
                        sink.done();
                        return true;
                    }
                    --pending_;
                    const std::string piece = encodeStreamEvent(
                        "delta", R"({"text":"word )" + std::to_string(sent_++) + R"( "})");
                    writtenAt = Clock::now();
                    return sink.write(piece.data(), piece.size());
                });
        });
        port = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(1ms);
    }
    ~PacedService() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        wake_.notify_all();
        server_.stop();
        thread_.join();
    }
    void send() {
        {
            std::lock_guard lock(mutex_);
            ++pending_;
        }
        wake_.notify_all();
    }

    int port = 0;
    Clock::time_point writtenAt; // read after the paint, which follows the write

private:
    httplib::Server server_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    int pending_ = 0;
    int sent_ = 0;
    bool closing_ = false;
};

// Stops its loop at the first paint of the text box that shows `expected`.
class PaintOf : public QObject {
public:
    PaintOf(QPlainTextEdit* box, QEventLoop& loop) : box_(box), loop_(loop) {}
    QString expected;
    Clock::time_point at;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && object == box_->viewport() &&
            box_->toPlainText().endsWith(expected)) {
            at = Clock::now();
            loop_.quit();
        }
        return false;
    }

private:
    QPlainTextEdit* box_;
    QEventLoop& loop_;
};

void BM_StreamedPieceToPaint(benchmark::State& state) {
    PacedService service;
    QtMainQueue queue;
    QtHttpTransport transport;
    InMemoryCredentialStore store;
    KeychainService keychain{store};
    InMemoryPreferences preferences;
    APIClient client(transport, keychain,
                     "http://127.0.0.1:" + std::to_string(service.port) + "/api/v1");
    CommandService commands(client, preferences, queue);

    auto run = ResultRun::writing({"fix", "Fix", "text", ""}, Cancel());
    Cancel exchange = commands.streamCommand(
        "fix", "text", [run](const std::string& piece) { run->append(piece); },
        [](const ServiceResult<ProcessResult>&) {});
    auto* view = new ResultPanelView({"Fix", "text", 4, std::nullopt, run}, {});
    FloatingPanel panel(view, true);
    panel.present();

    QEventLoop loop;
    PaintOf paint(view->processedText(), loop);
    view->processedText()->viewport()->installEventFilter(&paint);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    std::vector<double> millis;
    int index = 0;
    for (auto _ : state) {
        paint.expected = QStringLiteral("word %1 ").arg(index++);
        paint.at = {};
        deadline.start(5000);
        service.send();
        loop.exec();
        if (paint.at == Clock::time_point{}) {
            state.SkipWithError("the piece was never painted");
            break;
        }
        const std::chrono::duration<double, std::milli> elapsed = paint.at - service.writtenAt;
        state.SetIterationTime(elapsed.count() / 1000);
        millis.push_back(elapsed.count());
        QTimer::singleShot(5, &loop, &QEventLoop::quit); // a pause between pieces
        loop.exec();
    }
    exchange.cancel();
    if (millis.empty())
        return;
    std::sort(millis.begin(), millis.end());
    state.counters["median_ms"] = millis[millis.size() / 2];
    state.counters["p95_ms"] = millis[millis.size() * 95 / 100];
    state.counters["max_ms"] = millis.back();
}
BENCHMARK(BM_StreamedPieceToPaint)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace scribeon
