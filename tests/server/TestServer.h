#pragma once

#include "server/Defaults.h"
#include "server/SiteRouter.h"
#include "server/http/HttpFrontEnd.h"
#include "server/storage/OpenStorage.h"
#include "server/storage/PostgresConnection.h"
#include "server/storage/SqliteStorage.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace scribeon::server {

// Polls until the condition holds or 20 seconds pass; whether it held.
inline bool waitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return condition();
}

// A fresh directory under /tmp, removed with all it holds.
struct TemporaryDirectory {
    const std::filesystem::path path = [] {
        char pattern[] = "/tmp/scribeon-server-test.XXXXXX";
        return std::filesystem::path(::mkdtemp(pattern));
    }();
    ~TemporaryDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

// A client of a server on this machine, patient enough for a loaded one.
inline httplib::Client clientOn(int port) {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(20, 0);
    return client;
}

// The real server on a free loopback port with a fresh database: a file in a
// temporary directory, or, when SCRIBEON_TEST_POSTGRES names a PostgreSQL
// server, a database of its own there, dropped after. Accounts get tokens
// directly so most tests skip the deliberately slow password hashing.
class TestServer {
public:
    explicit TestServer(std::string certificateFile = {}, std::string keyFile = {})
        : certificateFile_(std::move(certificateFile)), keyFile_(std::move(keyFile)) {
        if (const char* postgres = std::getenv("SCRIBEON_TEST_POSTGRES"); postgres && *postgres) {
            postgresAdmin_ = postgres;
            static std::atomic<int> serial{0};
            postgresDatabase_ =
                "scribeon_test_" + std::to_string(::getpid()) + "_" + std::to_string(++serial);
            PostgresConnection(postgresAdmin_)
                .execute(("CREATE DATABASE " + postgresDatabase_).c_str());
        }
        start();
    }
    ~TestServer() {
        stop();
        if (!postgresDatabase_.empty()) {
            try {
                PostgresConnection(postgresAdmin_)
                    .execute(("DROP DATABASE " + postgresDatabase_ + " WITH (FORCE)").c_str());
            } catch (const StorageError&) {
            }
        }
    }

    void start() {
        auto opened = openStorage(database());
        storage = std::move(opened.storage);
        storage->seedDefaults(defaultPlans(), defaultCommands());
        // Successes are limited in real time; tests that sign in often move
        // the server's clock instead, so they are not limited here.
        throttle = std::make_unique<SignInThrottle>(
            SignInThrottle::Limits{.freeFailures = 3,
                                   .freeAddressFailures = 10,
                                   .firstDelay = std::chrono::seconds(60),
                                   .successesPerWindow = 1000});
        sessions =
            std::make_unique<SessionService>(*storage, secrets, *throttle, [this] { return now; });
        api = std::make_unique<ServiceApi>(*storage, *sessions, languageModel,
                                           [this] { return now; });
        webPages.secureCookies = !certificateFile_.empty();
        pages = std::make_unique<WebPages>(*sessions, *storage, secrets, webPages);
        site = std::make_unique<SiteRouter>(*api, *pages);
        front = std::make_unique<HttpFrontEnd>(*site,
                                               ListenOptions{.port = 0,
                                                             .certificateFile = certificateFile_,
                                                             .keyFile = keyFile_,
                                                             .accessLog = false,
                                                             .trustedProxy = trustedProxy,
                                                             .readsWait = opened.traits.readsWait});
        port = front->bind();
        thread = std::thread([this] { front->run(); });
        waitUntil([this] { return front->isRunning(); });
    }

    // Takes up the options changed since the last start; the database stays.
    void restart() {
        stop();
        start();
    }

    void stop() {
        if (!front)
            return;
        front->stop();
        thread.join();
        front.reset();
        site.reset();
        api.reset();
        pages.reset();
        sessions.reset();
        storage.reset();
    }

    // A user with a ready bearer token; the password is "password-1".
    std::string addUser(const std::string& email, const std::string& plan = "Free",
                        std::optional<std::string> expires = std::nullopt,
                        bool realPassword = false) {
        const std::string hash = realPassword ? secrets.hashPassword("password-1") : "$not-a-hash";
        const auto id =
            storage->addUser({email, "Test " + email, plan, hash, isoTimestamp(now), expires});
        const std::string token = "token-for-" + email;
        storage->addToken(secrets.tokenDigest(token), id, isoTimestamp(now),
                          SessionService::tokensPerUser);
        return token;
    }

    // A request straight to the service, as the front end would pass it on.
    ApiReply call(const std::string& method, const std::string& path, const std::string& token,
                  const std::string& body = {}, const std::string& address = "127.0.0.1") {
        return site->handle(
            {method, path, token.empty() ? "" : "Bearer " + token, body, address, {}, {}, {}});
    }

    httplib::Client client() const { return clientOn(port); }

    // The file or connection string a scribeon-server process would be given.
    std::string database() const {
        return postgresDatabase_.empty() ? (directory() / "server.db").string()
                                         : postgresAdmin_ + " dbname=" + postgresDatabase_;
    }
    // The SQLite storage, or null on PostgreSQL.
    SqliteStorage* sqlite() const { return dynamic_cast<SqliteStorage*>(storage.get()); }
    const std::filesystem::path& directory() const { return directory_.path; }

    Secrets secrets;
    LanguageModelSettings languageModel;
    SystemTime now =
        std::chrono::sys_days{std::chrono::year{2026} / 12 / 6} + std::chrono::hours{12};
    std::unique_ptr<Storage> storage;
    std::unique_ptr<SignInThrottle> throttle;
    std::unique_ptr<SessionService> sessions;
    std::unique_ptr<ServiceApi> api;
    std::unique_ptr<WebPages> pages;
    std::unique_ptr<SiteRouter> site;
    std::unique_ptr<HttpFrontEnd> front;
    std::thread thread;
    int port = 0;
    std::string trustedProxy;                   // takes effect at the next start()
    WebPages::Options webPages{.signUp = true}; // likewise

private:
    TemporaryDirectory directory_;
    std::string certificateFile_, keyFile_;
    std::string postgresAdmin_, postgresDatabase_;
};

inline std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    while (times-- > 0)
        text += piece;
    return text;
}

// U+0301: combines with the character before it, so one character may carry any number.
inline const std::string accent = "\xCC\x81";

inline httplib::Headers bearer(const std::string& token) {
    return {{"Authorization", "Bearer " + token}};
}

// The built scribeon-server, named by the test's environment; tests that
// need the real process skip without it.
inline const char* serverBinary() {
    return std::getenv("SCRIBEON_SERVER_BINARY");
}

// A shell command's exit status (-1 if it did not exit) and what it printed on
// either stream.
inline std::pair<int, std::string> runTool(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    char buffer[512];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, got);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// A socket connected to the port on loopback with the request sent, or -1;
// a small receive buffer keeps the kernel from taking much of a reply on the
// client's behalf.
inline int sendToLoopback(int port, const std::string& request, int receiveBuffer = 0) {
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0)
        ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(socket, request.data(), request.size(), MSG_NOSIGNAL) == std::ssize(request))
        return socket;
    ::close(socket);
    return -1;
}

// A shell command, its standard output and error going to stdout.txt and
// stderr.txt in `directory`, that tells the port it listens on at the end of
// its first line ("... listening on [HOST:]PORT").
struct ListeningProcess {
    pid_t pid = -1;
    int port = 0;

    ListeningProcess(const std::string& command, const std::filesystem::path& directory) {
        const std::string line = "exec " + command + " >'" + (directory / "stdout.txt").string() +
                                 "' 2>'" + (directory / "stderr.txt").string() + "'";
        const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
        ::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ);
        waitUntil([&] {
            std::ifstream in(directory / "stdout.txt");
            std::string first;
            if (std::getline(in, first) && first.find(" listening on ") != std::string::npos)
                port = std::stoi(first.substr(first.find_last_of(": ") + 1));
            return port != 0;
        });
    }
    ListeningProcess(const ListeningProcess&) = delete;
    ListeningProcess& operator=(const ListeningProcess&) = delete;

    void kill(int signal) {
        if (pid > 0) {
            ::kill(pid, signal);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
    ~ListeningProcess() { kill(SIGKILL); }
};

// scribeon-server on a free port; quiet turns the access log off; `options` follow.
struct ServerProcess : ListeningProcess {
    ServerProcess(const std::string& database, const std::filesystem::path& directory,
                  bool quiet = true, const std::string& options = {})
        : ListeningProcess("'" + std::string(serverBinary()) + "' --db '" + database +
                               "' --listen 127.0.0.1:0 " + (quiet ? "--quiet " : "") + options,
                           directory) {}
};

} // namespace scribeon::server
