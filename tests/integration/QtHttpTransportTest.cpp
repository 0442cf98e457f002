#include <httplib.h>

#include "platform/qt/QtHttpTransport.h"

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
using Code = TransportError::Code;

// A cpp-httplib server on a free loopback port, run on its own thread.
template <typename Server> class RunningServer {
public:
    template <typename... Args>
    explicit RunningServer(Args&&... args) : server(std::forward<Args>(args)...) {}
    void start() {
        // One request per connection: a kept-alive one would hold stop() for
        // the server's whole keep-alive timeout.
        server.set_keep_alive_max_count(1);
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        // stop() is a no-op until the listener runs, so a quick test would leave it listening
        // forever.
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!server.is_running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
    }
    std::string url(const char* path, const char* scheme = "http") const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + path;
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

const char* userJson = R"({"user":{"id":7,"name":"Ada","email":"a@b.c","plan":"Free",
    "created_at":"2026-01-01T00:00:00.000Z",
    "statistics":{"monthly_usage":1,"remaining_requests":9,"monthly_limit":10}}})";

void serveUser(httplib::Server& server, std::string prefix = {}) {
    server.Get("/api/v1/user", [prefix](const httplib::Request&, httplib::Response& res) {
        res.set_content(prefix + userJson, "application/json");
    });
}

HttpRequest get(std::string url) {
    HttpRequest request;
    request.method = "GET";
    request.url = std::move(url);
    request.timeout = 20s;
    return request;
}

std::future<HttpOutcome> send(HttpTransport& transport, HttpRequest request) {
    auto outcome = std::make_shared<std::promise<HttpOutcome>>();
    transport.send(std::move(request),
                   [outcome](HttpOutcome result) { outcome->set_value(std::move(result)); });
    return outcome->get_future();
}

// A self-signed certificate for 127.0.0.1 and its key.
struct TlsCertificate {
    TlsCertificate() {
        const std::string command =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
            " -addext subjectAltName=IP:127.0.0.1 -keyout '" +
            key + "' -out '" + certificate + "' 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    QTemporaryDir directory;
    std::string certificate = directory.filePath("cert.pem").toStdString();
    std::string key = directory.filePath("key.pem").toStdString();
};

class QtHttpTransportTest : public testing::Test {
protected:
    QtHttpTransport transport;
};

// The client's own headers are its unit tests'; here the bytes on the wire.
TEST_F(QtHttpTransportTest, RoundTripCarriesMethodHeadersAndBodyBytes) {
    RunningServer<httplib::Server> http;
    const std::string reply("r\xC3\xA9\0ply", 7);
    httplib::Request seen;
    http.server.Post("/process", [&](const httplib::Request& req, httplib::Response& res) {
        seen = req;
        res.status = 201;
        res.set_content(reply, "application/octet-stream");
    });
    http.start();
    HttpRequest request = get(http.url("/process"));
    request.method = "POST";
    request.headers = {{"Authorization", "Bearer tok-abc"}, {"Content-Type", "application/json"}};
    request.body = std::string("{\"text\":\"h\xC3\xA9\0\"}", 15);
    const HttpOutcome outcome = send(transport, request).get();
    ASSERT_TRUE(std::holds_alternative<HttpReply>(outcome));
    EXPECT_EQ(std::get<HttpReply>(outcome).status, 201);
    EXPECT_EQ(std::get<HttpReply>(outcome).body, reply);
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.body, request.body);
    EXPECT_EQ(seen.get_header_value("Authorization"), "Bearer tok-abc");
    EXPECT_EQ(seen.get_header_value("Content-Type"), "application/json");
}

TEST_F(QtHttpTransportTest, ProgressGrowsToTheWholeBodyAndCallsOverlap) {
    RunningServer<httplib::Server> http;
    const std::string file(3 * 1024 * 1024, 'u');
    std::atomic<int> inside{0}, peak{0};
    http.server.Get("/update.deb", [&](const httplib::Request&, httplib::Response& res) {
        peak = std::max(peak.load(), ++inside);
        std::this_thread::sleep_for(200ms);
        --inside;
        res.set_content(file, "application/octet-stream");
    });
    http.start();
    std::vector<std::uint64_t> seen; // written on the worker, read after the completion
    HttpRequest request = get(http.url("/update.deb"));
    request.onProgress = [&seen](std::uint64_t received) { seen.push_back(received); };
    auto first = send(transport, std::move(request));
    auto second = send(transport, get(http.url("/update.deb")));
    const HttpOutcome result = first.get();
    second.get();
    ASSERT_TRUE(std::holds_alternative<HttpReply>(result));
    EXPECT_EQ(std::get<HttpReply>(result).body.size(), file.size());
    ASSERT_GT(seen.size(), 1u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), file.size());
    EXPECT_EQ(peak.load(), 2) << "the calls ran one after the other";
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

TEST_F(QtHttpTransportTest, StreamedBodyArrivesInPiecesAndCancelClosesTheConnection) {
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

TEST_F(QtHttpTransportTest, StreamedBodyOverTheCapIsRefused) {
    RunningServer<httplib::Server> http;
    PausedStream stream;
    stream.release = true;
    stream.serve(http.server, std::string(600 * 1024, 'a'), std::string(600 * 1024, 'b'));
    http.start();
    QtHttpTransport small(1024 * 1024);
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

// Each failure arrives as its class, never as a reply; plain http leaves
// this computer never, so the token it would carry stays here.
TEST_F(QtHttpTransportTest, FailuresAreClassified) {
    int closedPort = 0;
    {
        RunningServer<httplib::Server> closed;
        closed.start();
        closedPort = closed.port;
    }
    // Listening but never accepting: the handshake completes, no reply comes.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string silent = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    RunningServer<httplib::Server> huge;
    serveUser(huge.server, std::string(2 * 1024 * 1024, ' '));
    huge.start();
    const TlsCertificate certificate;
    RunningServer<httplib::SSLServer> https(certificate.certificate.c_str(),
                                            certificate.key.c_str());
    ASSERT_TRUE(https.server.is_valid());
    serveUser(https.server);
    https.start();

    QtHttpTransport small(1024 * 1024);
    const struct {
        const char* what;
        std::string url;
        Code code;
    } cases[] = {
        {"refused", "http://127.0.0.1:" + std::to_string(closedPort) + "/",
         Code::cannotConnectToHost},
        {"silent", silent + "/", Code::timedOut},
        {"over the cap", huge.url("/api/v1/user"), Code::replyTooLarge},
        {"plain http elsewhere", "http://scribeon.invalid/api/v1/user", Code::foreign},
        {"self-signed", https.url("/api/v1/user", "https"), Code::serverCertificateUntrusted},
    };
    for (const auto& c : cases) {
        HttpRequest request = get(c.url);
        request.headers = {{"Authorization", "Bearer secret-token"}};
        request.timeout = 2s;
        const HttpOutcome outcome = send(small, std::move(request)).get();
        ASSERT_TRUE(std::holds_alternative<TransportError>(outcome)) << c.what;
        const TransportError& error = std::get<TransportError>(outcome);
        EXPECT_EQ(error.code, c.code) << c.what << ": " << error.description;
        EXPECT_EQ(error.description.find("secret-token"), std::string::npos) << c.what;
    }
    ::close(listener);

    QtHttpTransport trusting;
    trusting.setCertificateAuthorityFile(certificate.certificate);
    const HttpOutcome trusted = send(trusting, get(https.url("/api/v1/user", "https"))).get();
    ASSERT_TRUE(std::holds_alternative<HttpReply>(trusted));
    EXPECT_EQ(std::get<HttpReply>(trusted).body, userJson);

    const std::pair<const char*, bool> hosts[] = {
        {"127.0.0.1", true}, {"127.4.5.6", true},  {"localhost", true}, {"::1", true},
        {"[::1]", true},     {"128.0.0.1", false}, {"10.0.0.1", false}, {"example.com", false}};
    for (const auto& [host, loopback] : hosts)
        EXPECT_EQ(QtHttpTransport::isLoopbackHost(host), loopback) << host;
}

// A proxy in the environment never sees a request to this computer: it would
// read the password and the token of plain http.
TEST_F(QtHttpTransportTest, RequestsToThisComputerBypassAProxyFromTheEnvironment) {
    std::atomic<int> proxied{0};
    RunningServer<httplib::Server> proxy;
    proxy.server.set_pre_routing_handler([&](const httplib::Request&, httplib::Response& res) {
        ++proxied;
        res.status = 502;
        return httplib::Server::HandlerResponse::Handled;
    });
    proxy.start();
    RunningServer<httplib::Server> http;
    serveUser(http.server);
    http.start();
    const char* variables[] = {"http_proxy", "HTTPS_PROXY", "https_proxy", "ALL_PROXY",
                               "all_proxy"};
    for (const char* name : variables)
        ::setenv(name, proxy.url("").c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    QtHttpTransport fresh;
    const HttpOutcome outcome = send(fresh, get(http.url("/api/v1/user"))).get();
    for (const char* name : variables)
        ::unsetenv(name);
    ASSERT_TRUE(std::holds_alternative<HttpReply>(outcome));
    EXPECT_EQ(std::get<HttpReply>(outcome).status, 200);
    EXPECT_EQ(proxied.load(), 0);
}

} // namespace
} // namespace scribeon
