#pragma once

#include "server/Defaults.h"
#include "server/SiteRouter.h"
#include "server/http/HttpFrontEnd.h"
#include "server/storage/OpenStorage.h"
#include "server/storage/PostgresConnection.h"
#include "server/storage/SqliteStorage.h"

#include <httplib.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace scribeon::server {

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
        : directory_(freshDirectory()), certificateFile_(std::move(certificateFile)),
          keyFile_(std::move(keyFile)) {
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
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
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
        auto pageOptions = webPages;
        pageOptions.secureCookies = !certificateFile_.empty();
        pages = std::make_unique<WebPages>(*sessions, *storage, secrets, pageOptions);
        site = std::make_unique<SiteRouter>(*api, *pages);
        ListenOptions listen;
        listen.port = 0;
        listen.threads = 16;
        listen.accessLog = false;
        listen.certificateFile = certificateFile_;
        listen.keyFile = keyFile_;
        listen.trustedProxy = trustedProxy;
        listen.readsWait = opened.traits.readsWait;
        front = std::make_unique<HttpFrontEnd>(*site, listen);
        port = front->bind();
        thread = std::thread([this] { front->run(); });
        while (!front->isRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
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

    static std::filesystem::path freshDirectory() {
        char pattern[] = "/tmp/scribeon-server-test.XXXXXX";
        return ::mkdtemp(pattern);
    }
    // The file or connection string a scribeon-server process would be given.
    std::string database() const {
        return postgresDatabase_.empty() ? (directory_ / "server.db").string()
                                         : postgresAdmin_ + " dbname=" + postgresDatabase_;
    }
    // The SQLite storage, or null on PostgreSQL.
    SqliteStorage* sqlite() const { return dynamic_cast<SqliteStorage*>(storage.get()); }
    const std::filesystem::path& directory() const { return directory_; }

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
    std::filesystem::path directory_;
    std::string certificateFile_, keyFile_;
    std::string postgresAdmin_, postgresDatabase_;
};

inline std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

// U+0301: combines with the character before it, so one character may carry any number.
inline const std::string accent = "\xCC\x81";

inline httplib::Headers bearer(const std::string& token) {
    return {{"Authorization", "Bearer " + token}};
}

} // namespace scribeon::server
