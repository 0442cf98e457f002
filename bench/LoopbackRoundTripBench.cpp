#include "platform/qt/QtHttpTransport.h"
#include "service/APIClient.h"
#include "tests/fakes/InMemoryCredentialStore.h"

#include <httplib.h>

#include <benchmark/benchmark.h>

#include <future>
#include <thread>

namespace {

using namespace scribeon;
using namespace std::chrono_literals;

// One authenticated call through the API client and the HTTP transport to a server on
// this machine: the client's own share of every request's latency.
void BM_LoopbackFetchUser(benchmark::State& state) {
    httplib::Server server;
    // As the service's own front end does: without it, a reply's second write
    // on a kept-alive connection waits for the client's delayed ACK (~40 ms).
    server.set_tcp_nodelay(true);
    server.Get("/api/v1/user", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"user":{"id":7,"name":"Ada","email":"a@b.c","plan":"Free",
            "created_at":"2026-01-01T00:00:00.000Z",
            "statistics":{"monthly_usage":1,"remaining_requests":9,"monthly_limit":10}}})",
                        "application/json");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread listener([&] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::sleep_for(1ms);

    InMemoryCredentialStore store;
    KeychainService keychain{store};
    keychain.save("token", "auth_token");
    QtHttpTransport transport;
    APIClient client(transport, keychain, "http://127.0.0.1:" + std::to_string(port) + "/api/v1");
    for (auto _ : state) {
        std::promise<bool> done;
        client.fetchUser([&](ServiceResult<UserResponse> result) { done.set_value(bool(result)); });
        if (!done.get_future().get()) {
            state.SkipWithError("the call failed");
            break;
        }
    }
    server.stop();
    listener.join();
}
BENCHMARK(BM_LoopbackFetchUser)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
