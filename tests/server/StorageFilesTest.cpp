#include "ServerProcess.h"
#include "TestServer.h"

#include "server/ServerOptions.h"
#include "server/http/LogText.h"
#include "server/storage/SqliteStorage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace scribeon::server {
namespace {

TEST(StorageFilesTest, TheDatabaseAndItsSideFilesAreTheOwnersOnly) {
    const auto directory = TestServer::freshDirectory();
    const mode_t previous = ::umask(022);
    {
        SqliteStorage storage((directory / "server.db").string());
        storage.seedDefaults({{0, "Free", 50, 2000, 3}}, {});
        for (const char* name : {"server.db", "server.db-wal", "server.db-shm"}) {
            struct stat info {};
            ASSERT_EQ(::stat((directory / name).c_str(), &info), 0) << name;
            EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
        }
    }
    ::umask(previous);
    std::filesystem::remove_all(directory);
}

// Commits stopped checkpointing when a thread of the storage took the job
// over; if that thread fell silent the write-ahead log would grow with every
// request, as it once did to hundreds of megabytes. How far it grows between
// checkpoints depends on how the machine schedules that thread, so what is
// checked is that each burst is checkpointed and the file is cut back after.
TEST(StorageFilesTest, TheWriteAheadLogIsCheckpointedAndCutBack) {
    const auto directory = TestServer::freshDirectory();
    const auto log = directory / "server.db-wal";
    {
        SqliteStorage storage((directory / "server.db").string());
        storage.seedDefaults({{0, "Free", 50, 2000, 3}}, {});
        const auto userId = storage.addUser(
            {"ada@example.com", "Ada", "Free", "hash", "2026-12-01T00:00:00Z", std::nullopt});
        const auto burstThenCheckpoint = [&](int round) {
            const int before = storage.checkpointsDone();
            for (int i = 0; i < 1000; ++i)
                ASSERT_TRUE(storage.admit(userId, "2026-12", 1'000'000).admitted);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (storage.checkpointsDone() == before) {
                ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "round " << round;
                std::this_thread::yield();
            }
        };
        int rounds = 0;
        for (; rounds < 20; ++rounds)
            burstThenCheckpoint(rounds);
        // 20,000 commits of two pages each would be some 160 MiB left unchecked;
        // a burst starts the log over once the one before it was copied back.
        while (std::filesystem::file_size(log) > SqliteConnection::logSizeLimit && rounds < 40)
            burstThenCheckpoint(rounds++);
        EXPECT_LE(std::filesystem::file_size(log), SqliteConnection::logSizeLimit);
        EXPECT_EQ(storage.usage(userId, "2026-12"), rounds * 1000);
    }
    std::filesystem::remove_all(directory);
}

TEST(LogTextTest, NothingFromAClientCanSplitOrReorderALogLine) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"/api/v1/user", "/api/v1/user"},
        {"/x\r\nGET /forged 200", "/x\\x0D\\x0AGET /forged 200"},
        {"/a\tb\x1b[31m\x7f", "/a\\x09b\\x1B[31m\\x7F"},
        {"/\xE2\x80\xAEtxt.exe", "/\\u{202E}txt.exe"},          // right-to-left override
        {"/\xE2\x81\xA6x\xE2\x81\xA9", "/\\u{2066}x\\u{2069}"}, // isolates
        {"/caf\xC3\xA9/\xF0\x9F\x8D\xAE", "/caf\xC3\xA9/\xF0\x9F\x8D\xAE"}, // text stays text
        {"/\xFF\xC3", "/\\xFF\\xC3"},                                       // not UTF-8
        {"/already\\x0A", "/already\\x5Cx0A"},                              // no forged escapes
    };
    for (const auto& [raw, logged] : cases)
        EXPECT_EQ(logSafe(raw), logged);
    EXPECT_EQ(logSafe(std::string(1000, 'a')).size(), 300u);
}

TEST(ServerOptionsTest, PlainHttpIsServedOnLoopbackOnlyUnlessAskedFor) {
    const struct {
        std::vector<std::string> arguments;
        bool accepted;
    } cases[] = {
        {{"--listen", "127.0.0.1:8787"}, true},
        {{"--listen", "localhost:8787"}, true},
        {{"--listen", "::1:8787"}, true},
        {{"--listen", "0.0.0.0:8787"}, false},
        {{"--listen", "128.0.0.1:8787"}, false},
        {{"--listen", "127.0.0.1.evil:8787"}, false},
        {{"--listen", "0.0.0.0:8787", "--insecure"}, true},
        {{"--listen", "0.0.0.0:8787", "--cert", "c.pem", "--key", "k.pem"}, true},
        {{"user", "list", "--listen", "0.0.0.0:8787"}, true}, // not serving
    };
    for (const auto& c : cases) {
        const auto parsed = parseServerOptions(c.arguments, {{"HOME", "/tmp"}});
        EXPECT_EQ(std::holds_alternative<ServerOptions>(parsed), c.accepted) << c.arguments[1];
        if (!c.accepted) {
            EXPECT_NE(std::get<std::string>(parsed).find("--insecure"), std::string::npos);
        }
    }
}

// Sign-up is off unless asked for (the demo asks); the bounds take a number in range.
TEST(ServerOptionsTest, SignUpAndTheBoundsOfDownloadsCommandsAndModelWaits) {
    using namespace std::chrono_literals;
    // downloads, commands, sign-up, first-token and idle timeouts in seconds
    using Parsed = std::tuple<int, int, bool, long, long>;
    const struct {
        std::vector<std::string> arguments;
        std::optional<Parsed> parsed;
    } cases[] = {
        {{}, Parsed{32, 100, false, 120, 30}},
        {{"--sign-up"}, Parsed{32, 100, true, 120, 30}},
        {{"--demo"}, Parsed{32, 100, true, 120, 30}},
        {{"--max-downloads", "1", "--max-commands", "0"}, Parsed{1, 0, false, 120, 30}},
        {{"--llm-first-token-timeout", "600", "--llm-idle-timeout", "5"},
         Parsed{32, 100, false, 600, 5}},
        {{"--max-downloads", "0"}, std::nullopt},
        {{"--max-downloads", "ten"}, std::nullopt},
        {{"--max-commands", "-1"}, std::nullopt},
        {{"--llm-idle-timeout", "0"}, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto parsed = parseServerOptions(c.arguments, {{"HOME", "/tmp"}});
        const auto* options = std::get_if<ServerOptions>(&parsed);
        ASSERT_EQ(options != nullptr, c.parsed.has_value()) << c.arguments.size();
        if (options) {
            const auto& model = options->languageModel;
            EXPECT_EQ(Parsed(options->listen.maxDownloads, options->maxOwnCommands, options->signUp,
                             model.firstTextTimeout / 1s, model.idleTimeout / 1s),
                      *c.parsed)
                << c.arguments.size();
        }
    }
}

// `scribeon-server user add` with a password on standard input; its exit status.
int addUserWithTheTool(const std::string& database, const std::string& email,
                       const std::string& name) {
    const std::string command = "echo 'long enough' | '" + std::string(serverBinary()) +
                                "' --db '" + database + "' user add --email '" + email +
                                "' --name '" + name + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ServerCommandLineTest, UserAddRefusesWhatTheSignUpPageRefuses) {
    if (!serverBinary())
        GTEST_SKIP() << "SCRIBEON_SERVER_BINARY is not set";
    TestServer server;
    const struct {
        std::string email, name;
        int status;
    } cases[] = {
        {"ok@example.com", "Ok", 0},
        {"c1@example.com\xC2\x85", "C1", 2},
        {"esc@example.com", "Esc\x1B[2J", 2},
        {"accents@example.com", "a" + repeated(accent, 5000), 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(addUserWithTheTool(server.database(), c.email, c.name), c.status) << c.email;
        EXPECT_EQ(server.storage->credentials(c.email).has_value(), c.status == 0) << c.email;
    }
}

} // namespace
} // namespace scribeon::server
