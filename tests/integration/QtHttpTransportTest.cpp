#include <httplib.h>

#include "platform/qt/QtHttpTransport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
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

void serveUser(httplib::Server& server, const std::string& prefix = {}) {
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

// The bytes on the wire both ways (NULs included), progress up to the whole
// body, and two calls at once. A proxy in the environment never sees a
// request to this computer: it would read the password and the token of
// plain http.
TEST(QtHttpTransportTest, RoundTripCarriesEveryByteReportsProgressAndCallsOverlap) {
    RunningServer<httplib::Server> proxy;
    proxy.server.set_pre_routing_handler([](const httplib::Request&, httplib::Response& res) {
        res.status = 502;
        return httplib::Server::HandlerResponse::Handled;
    });
    proxy.start();
    const char* variables[] = {"http_proxy", "all_proxy"};
    for (const char* name : variables)
        ::setenv(name, proxy.url("").c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    QtHttpTransport transport;
    RunningServer<httplib::Server> http;
    const std::string reply =
        std::string("r\xC3\xA9\0ply", 7) + std::string(3UL * 1024 * 1024, 'u');
    std::atomic<int> inside{0}, peak{0};
    httplib::Request seen;
    http.server.Post("/process", [&](const httplib::Request& req, httplib::Response& res) {
        peak = std::max(peak.load(), ++inside);
        std::this_thread::sleep_for(200ms);
        --inside;
        if (req.has_header("Authorization"))
            seen = req;
        res.status = 201;
        res.set_content(reply, "application/octet-stream");
    });
    http.start();
    HttpRequest request = get(http.url("/process"));
    request.method = "POST";
    request.headers = {{"Authorization", "Bearer tok-abc"}, {"Content-Type", "application/json"}};
    request.body = std::string("{\"text\":\"h\xC3\xA9\0\"}", 15);
    std::vector<std::uint64_t> progress; // written on the worker, read after the completion
    request.onProgress = [&progress](std::uint64_t received) { progress.push_back(received); };
    HttpRequest other = request;
    other.headers.clear();
    other.onProgress = nullptr;
    auto first = send(transport, request);
    auto second = send(transport, other);
    const HttpOutcome outcome = first.get();
    second.get();
    for (const char* name : variables)
        ::unsetenv(name);
    ASSERT_TRUE(std::holds_alternative<HttpReply>(outcome));
    EXPECT_EQ(std::tie(std::get<HttpReply>(outcome).status, std::get<HttpReply>(outcome).body),
              std::tuple(201L, reply));
    EXPECT_EQ(std::tuple(seen.method, seen.body, seen.get_header_value("Authorization"),
                         seen.get_header_value("Content-Type")),
              std::tuple("POST", request.body, "Bearer tok-abc", "application/json"));
    ASSERT_GT(progress.size(), 1u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), reply.size());
    EXPECT_EQ(peak.load(), 2) << "the calls ran one after the other";
}

std::optional<Code> errorCode(const HttpOutcome& outcome) {
    const auto* error = std::get_if<TransportError>(&outcome);
    return error ? std::optional(error->code) : std::nullopt;
}

// Each failure arrives as its class, never as a reply; plain http leaves
// this computer never, so the token it would carry stays here. A streamed
// body counts against the cap too. (Pieces arriving while the service still
// writes, and a cancel closing the connection, are e2e_stream_flow's.)
TEST(QtHttpTransportTest, FailuresAreClassified) {
    int closedPort = 0;
    {
        RunningServer<httplib::Server> closed;
        closed.start();
        closedPort = closed.port;
    }
    RunningServer<httplib::Server> http;
    serveUser(http.server, std::string(2UL * 1024 * 1024, ' '));
    // The request read, no reply comes.
    http.server.Get("/silent", [](const httplib::Request&, httplib::Response&) {
        std::this_thread::sleep_for(3s);
    });
    http.server.Get("/stream", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/event-stream",
                                         [](std::size_t, httplib::DataSink& sink) {
                                             const std::string piece(600UL * 1024, 'a');
                                             sink.write(piece.data(), piece.size());
                                             sink.write(piece.data(), piece.size());
                                             sink.done();
                                             return true;
                                         });
    });
    http.start();
    const TlsCertificate certificate;
    RunningServer<httplib::SSLServer> https(certificate.certificate.c_str(),
                                            certificate.key.c_str());
    ASSERT_TRUE(https.server.is_valid());
    serveUser(https.server);
    https.start();

    QtHttpTransport small(1024UL * 1024);
    const struct {
        const char* what;
        std::string url;
        Code code;
        bool streamed;
    } cases[] = {
        {"refused", "http://127.0.0.1:" + std::to_string(closedPort) + "/",
         Code::cannotConnectToHost, false},
        {"silent", http.url("/silent"), Code::timedOut, false},
        {"over the cap", http.url("/api/v1/user"), Code::replyTooLarge, false},
        {"streamed over the cap", http.url("/stream"), Code::replyTooLarge, true},
        {"plain http elsewhere", "http://scribeon.invalid/api/v1/user", Code::foreign, false},
        {"self-signed", https.url("/api/v1/user", "https"), Code::serverCertificateUntrusted,
         false},
    };
    for (const auto& c : cases) {
        std::atomic<std::size_t> received{0};
        HttpRequest request = get(c.url);
        request.headers = {{"Authorization", "Bearer secret-token"}};
        request.timeout = 2s;
        if (c.streamed)
            request.onChunk = [&](const HttpReplyHead&, std::string_view piece) {
                received += piece.size();
            };
        const HttpOutcome outcome = send(small, std::move(request)).get();
        ASSERT_EQ(errorCode(outcome), c.code) << c.what;
        EXPECT_EQ(std::get<TransportError>(outcome).description.find("secret-token"),
                  std::string::npos)
            << c.what;
        EXPECT_LE(received.load(), 1024u * 1024u) << c.what;
    }

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

} // namespace
} // namespace scribeon
