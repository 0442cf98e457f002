#include <httplib.h>

#include "platform/fake/InMemoryCredentialStore.h"
#include "platform/linux/CurlHttpTransport.h"
#include "service/APIClient.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

namespace scribeon {
namespace {

using namespace std::chrono_literals;

// A cpp-httplib server on a free loopback port, run on its own thread.
template <typename Server> class RunningServer {
public:
    template <typename... Args>
    explicit RunningServer(Args&&... args) : server(std::forward<Args>(args)...) {}
    void start() {
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        // stop() is a no-op until the listener runs, so a quick test would leave it listening
        // forever.
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!server.is_running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
    }
    ~RunningServer() {
        server.stop();
        if (thread.joinable())
            thread.join();
    }
    Server server;
    int port = 0;
    std::thread thread;
};

template <typename Reply>
ServiceResult<Reply> await(const std::function<void(Completion<Reply>)>& call) {
    std::promise<ServiceResult<Reply>> promise;
    auto future = promise.get_future();
    call([&promise](ServiceResult<Reply> r) { promise.set_value(std::move(r)); });
    if (future.wait_for(20s) != std::future_status::ready)
        return CodingError{"the call never completed"};
    return future.get();
}

class CurlHttpTransportTest : public testing::Test {
protected:
    ServiceResult<UserResponse> fetchUser(APIClient& client) {
        return await<UserResponse>([&](auto done) { client.fetchUser(std::move(done)); });
    }
    std::string base(int port, const char* scheme = "http") {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + "/api/v1";
    }

    InMemoryCredentialStore store;
    KeychainService keychain{store};
    CurlHttpTransport transport;
};

const char* userJson = R"({"user":{"id":7,"name":"Ada","email":"a@b.c","plan":"Free",
    "created_at":"2026-01-01T00:00:00.000Z",
    "statistics":{"monthly_usage":1,"remaining_requests":9,"monthly_limit":10}}})";

TEST_F(CurlHttpTransportTest, RoundTripCarriesMethodHeadersAndBodyBytes) {
    RunningServer<httplib::Server> http;
    httplib::Request seen;
    http.server.Post("/api/v1/commands/fix/process", [&](const httplib::Request& req,
                                                         httplib::Response& res) {
        seen = req;
        res.set_content(
            R"({"data":{"code":"fix","name":"Fix","original_text":"h\u00e9","processed_text":"ok"}})",
            "application/json");
    });
    http.start();
    store.save(KeychainService::serviceName, "auth_token", "tok-abc");
    APIClient client(transport, keychain, base(http.port));

    auto processed = await<ProcessResponse>([&](auto done) {
        client.request<ProcessResponse>("/commands/fix/process", "POST",
                                        ProcessRequest{"h\xC3\xA9"}, true, std::move(done));
    });
    ASSERT_TRUE(processed) << processed.error().description();
    EXPECT_EQ(processed.value().data.originalText, "h\xC3\xA9");
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.body, "{\"text\":\"h\xC3\xA9\"}");
    EXPECT_EQ(seen.get_header_value("Authorization"), "Bearer tok-abc");
    EXPECT_EQ(seen.get_header_value("Content-Type"), "application/json");
    EXPECT_EQ(seen.get_header_value("Accept"), "application/json");
}

TEST_F(CurlHttpTransportTest, ProgressGrowsToTheWholeBody) {
    RunningServer<httplib::Server> http;
    const std::string file(3 * 1024 * 1024, 'u');
    http.server.Get("/update.deb", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(file, "application/octet-stream");
    });
    http.start();
    std::vector<std::uint64_t> seen; // written on the worker, read after the completion
    std::promise<HttpOutcome> outcome;
    HttpRequest request{
        "GET", "http://127.0.0.1:" + std::to_string(http.port) + "/update.deb", {}, "",
        20s,   [&seen](std::uint64_t received) { seen.push_back(received); },   {}, {}};
    transport.send(std::move(request),
                   [&](HttpOutcome result) { outcome.set_value(std::move(result)); });
    const HttpOutcome result = outcome.get_future().get();
    ASSERT_TRUE(std::holds_alternative<HttpReply>(result));
    EXPECT_EQ(std::get<HttpReply>(result).body.size(), file.size());
    ASSERT_GT(seen.size(), 1u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), file.size());
}

// An event stream that sends its first event, then waits for the test (a
// model thinking) and notices when its client goes away.
struct PausedStream {
    std::atomic<bool> release{false};
    std::atomic<bool> clientLeft{false};

    void serve(httplib::Server& server, std::string first, std::string rest) {
        server.Post(
            "/stream", [this, first, rest](const httplib::Request&, httplib::Response& res) {
                res.set_chunked_content_provider(
                    "text/event-stream",
                    [this, first, rest, sent = 0](std::size_t, httplib::DataSink& sink) mutable {
                        if (sent++ == 0)
                            return sink.write(first.data(), first.size());
                        const auto deadline = std::chrono::steady_clock::now() + 10s;
                        while (!release && std::chrono::steady_clock::now() < deadline) {
                            if (!sink.is_writable()) {
                                clientLeft = true;
                                return false;
                            }
                            std::this_thread::sleep_for(10ms);
                        }
                        sink.write(rest.data(), rest.size());
                        sink.done();
                        return true;
                    });
            });
    }
};

struct StreamedExchange {
    std::mutex mutex;
    std::string received;
    std::vector<HttpReplyHead> heads;
    std::promise<HttpOutcome> outcome;

    HttpRequest request(int port) {
        HttpRequest request;
        request.method = "POST";
        request.url = "http://127.0.0.1:" + std::to_string(port) + "/stream";
        request.timeout = 20s;
        request.cancel = Cancel::make();
        request.onChunk = [this](const HttpReplyHead& head, std::string_view piece) {
            std::lock_guard lock(mutex);
            heads.push_back(head);
            received.append(piece);
        };
        return request;
    }
    bool waitFor(const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            {
                std::lock_guard lock(mutex);
                if (received == text)
                    return true;
            }
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }
};

TEST_F(CurlHttpTransportTest, StreamedBodyArrivesInPiecesAndCancelClosesTheConnection) {
    for (const bool cancel : {false, true}) {
        RunningServer<httplib::Server> http;
        PausedStream stream;
        stream.serve(http.server, "event: delta\ndata: one\n\n", "event: done\ndata: two\n\n");
        http.start();
        StreamedExchange exchange;
        HttpRequest request = exchange.request(http.port);
        const Cancel handle = request.cancel;
        auto future = exchange.outcome.get_future();
        transport.send(std::move(request),
                       [&](HttpOutcome result) { exchange.outcome.set_value(std::move(result)); });
        ASSERT_TRUE(exchange.waitFor("event: delta\ndata: one\n\n"))
            << "the first piece comes while the server still writes";
        EXPECT_EQ(future.wait_for(0s), std::future_status::timeout);
        if (cancel)
            handle.cancel();
        else
            stream.release = true;
        ASSERT_EQ(future.wait_for(5s), std::future_status::ready);
        const HttpOutcome result = future.get();
        if (cancel) {
            ASSERT_TRUE(std::holds_alternative<TransportError>(result));
            EXPECT_EQ(std::get<TransportError>(result).code, TransportError::Code::cancelled);
            const auto deadline = std::chrono::steady_clock::now() + 5s;
            while (!stream.clientLeft && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(5ms);
            EXPECT_TRUE(stream.clientLeft) << "the service sees the connection closed";
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<HttpReply>(result));
        EXPECT_EQ(std::get<HttpReply>(result).status, 200);
        EXPECT_TRUE(std::get<HttpReply>(result).body.empty());
        EXPECT_EQ(exchange.received, "event: delta\ndata: one\n\nevent: done\ndata: two\n\n");
        EXPECT_EQ(exchange.heads.front().contentType, "text/event-stream");
    }
}

TEST_F(CurlHttpTransportTest, StreamedBodyOverTheCapIsRefused) {
    RunningServer<httplib::Server> http;
    PausedStream stream;
    stream.release = true;
    stream.serve(http.server, std::string(600 * 1024, 'a'), std::string(600 * 1024, 'b'));
    http.start();
    CurlHttpTransport small(1, 1024 * 1024);
    StreamedExchange exchange;
    auto future = exchange.outcome.get_future();
    small.send(exchange.request(http.port),
               [&](HttpOutcome result) { exchange.outcome.set_value(std::move(result)); });
    ASSERT_EQ(future.wait_for(10s), std::future_status::ready);
    const HttpOutcome result = future.get();
    ASSERT_TRUE(std::holds_alternative<TransportError>(result));
    EXPECT_EQ(std::get<TransportError>(result).code, TransportError::Code::replyTooLarge);
    EXPECT_LE(exchange.received.size(), 1024u * 1024u);
}

TEST_F(CurlHttpTransportTest, ConcurrentCallsOverlap) {
    RunningServer<httplib::Server> http;
    std::atomic<int> inside{0}, peak{0};
    http.server.Get("/api/v1/user", [&](const httplib::Request&, httplib::Response& res) {
        peak = std::max(peak.load(), ++inside);
        std::this_thread::sleep_for(200ms);
        --inside;
        res.set_content(userJson, "application/json");
    });
    http.start();
    APIClient client(transport, keychain, base(http.port));
    std::vector<std::future<void>> calls;
    for (int i = 0; i < 3; ++i)
        calls.push_back(std::async(std::launch::async, [&] { EXPECT_TRUE(fetchUser(client)); }));
    for (auto& call : calls)
        call.get();
    EXPECT_GE(peak.load(), 2);
}

TEST_F(CurlHttpTransportTest, RefusedConnectionCannotReachTheServer) {
    int port = 0;
    {
        RunningServer<httplib::Server> closed;
        closed.start();
        port = closed.port;
    }
    APIClient client(transport, keychain, base(port));
    auto result = fetchUser(client);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().description(),
              "Cannot reach the server. Check your internet connection or firewall settings.");
}

TEST_F(CurlHttpTransportTest, SilentServerTimesOut) {
    // Listening but never accepting: the handshake completes, no reply comes.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    APIClient client(transport, keychain, base(ntohs(address.sin_port)), 300ms);
    auto result = fetchUser(client);
    ::close(listener);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().description(), "Request timed out. Try again.");
}

TEST_F(CurlHttpTransportTest, OversizedReplyIsRefused) {
    RunningServer<httplib::Server> http;
    http.server.Get("/api/v1/user", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(2 * 1024 * 1024, ' ') + userJson, "application/json");
    });
    http.start();
    CurlHttpTransport small(1, 1024 * 1024);
    APIClient client(small, keychain, base(http.port));
    auto result = fetchUser(client);
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().is(APIError::Kind::networkError));
    EXPECT_EQ(result.error().description(), "The server's reply is too large (more than 1 MiB).");
}

// A proxy in the environment never sees a request to this computer: it would
// read the password and the token of plain http.
TEST_F(CurlHttpTransportTest, RequestsToThisComputerBypassAProxyFromTheEnvironment) {
    std::atomic<int> proxied{0};
    RunningServer<httplib::Server> proxy;
    proxy.server.set_pre_routing_handler([&](const httplib::Request&, httplib::Response& res) {
        ++proxied;
        res.status = 502;
        return httplib::Server::HandlerResponse::Handled;
    });
    proxy.start();
    RunningServer<httplib::Server> http;
    http.server.Get("/api/v1/user", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(userJson, "application/json");
    });
    http.start();
    const std::string proxyAddress = "http://127.0.0.1:" + std::to_string(proxy.port);
    const char* variables[] = {"http_proxy", "HTTPS_PROXY", "https_proxy", "ALL_PROXY",
                               "all_proxy"};
    for (const char* name : variables)
        ::setenv(name, proxyAddress.c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    CurlHttpTransport fresh;
    APIClient client(fresh, keychain, base(http.port));
    keychain.save("secret-token", KeychainService::authTokenKey);
    const auto result = fetchUser(client);
    for (const char* name : variables)
        ::unsetenv(name);
    ASSERT_TRUE(result) << result.error().description();
    EXPECT_EQ(proxied.load(), 0);
}

TEST_F(CurlHttpTransportTest, PlainHttpIsRefusedBeyondThisComputer) {
    store.save(KeychainService::serviceName, "auth_token", "secret-token");
    APIClient client(transport, keychain, "http://scribeon.invalid/api/v1");
    auto result = fetchUser(client);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().description().rfind(
                  "Network error: refusing to send to scribeon.invalid", 0),
              0u)
        << result.error().description();
    EXPECT_EQ(result.error().description().find("secret-token"), std::string::npos);

    const std::pair<const char*, bool> hosts[] = {
        {"127.0.0.1", true}, {"127.4.5.6", true},  {"localhost", true}, {"::1", true},
        {"[::1]", true},     {"128.0.0.1", false}, {"10.0.0.1", false}, {"example.com", false}};
    for (const auto& [host, loopback] : hosts)
        EXPECT_EQ(CurlHttpTransport::isLoopbackHost(host), loopback) << host;
}

TEST_F(CurlHttpTransportTest, SelfSignedCertificateFailsUnlessItsAuthorityIsTrusted) {
    QTemporaryDir dir;
    const std::string cert = dir.filePath("cert.pem").toStdString();
    const std::string key = dir.filePath("key.pem").toStdString();
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
        " -addext subjectAltName=IP:127.0.0.1 -keyout '" +
        key + "' -out '" + cert + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    RunningServer<httplib::SSLServer> https(cert.c_str(), key.c_str());
    ASSERT_TRUE(https.server.is_valid());
    https.server.Get("/api/v1/user", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(userJson, "application/json");
    });
    https.start();

    APIClient client(transport, keychain, base(https.port, "https"));
    auto untrusted = fetchUser(client);
    ASSERT_FALSE(untrusted);
    EXPECT_EQ(untrusted.error().description(),
              "Secure connection failed. Check your network settings.");

    CurlHttpTransport trusting(1);
    trusting.setCertificateAuthorityFile(cert);
    APIClient trustingClient(trusting, keychain, base(https.port, "https"));
    auto trusted = fetchUser(trustingClient);
    ASSERT_TRUE(trusted) << trusted.error().description();
    EXPECT_EQ(trusted.value().user.name, "Ada");
}

} // namespace
} // namespace scribeon
