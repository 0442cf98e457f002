#include "TestServer.h"

#include "server/ServerOptions.h"
#include "server/http/LogText.h"
#include "server/storage/SqliteStorage.h"
#include "server/storage/UtcCalendar.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

namespace scribeon::server {
namespace {

TEST(StorageFilesTest, TheDatabaseAndItsSideFilesAreTheOwnersOnly) {
    const TemporaryDirectory directory;
    const mode_t previous = ::umask(022);
    SqliteStorage storage((directory.path / "server.db").string());
    storage.seedDefaults({{0, "Free", 50, 2000, 3}}, {});
    ::umask(previous);
    for (const char* name : {"server.db", "server.db-wal", "server.db-shm"}) {
        struct stat info {};
        ASSERT_EQ(::stat((directory.path / name).c_str(), &info), 0) << name;
        EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
    }
}

// Commits stopped checkpointing when a thread of the storage took the job
// over; if that thread fell silent the write-ahead log would grow with every
// request, as it once did to hundreds of megabytes. How far it grows between
// checkpoints depends on how the machine schedules that thread, so what is
// checked is that each burst is checkpointed and the file is cut back after.
TEST(StorageFilesTest, TheWriteAheadLogIsCheckpointedAndCutBack) {
    const TemporaryDirectory directory;
    const auto log = directory.path / "server.db-wal";
    SqliteStorage storage((directory.path / "server.db").string());
    storage.seedDefaults({{0, "Free", 50, 2000, 3}}, {});
    const auto userId = storage.addUser(
        {"ada@example.com", "Ada", "Free", "hash", "2026-12-01T00:00:00Z", std::nullopt});
    const auto burstThenCheckpoint = [&](int round) {
        const int before = storage.checkpointsDone();
        for (int i = 0; i < 1000; ++i)
            ASSERT_TRUE(storage.admit(userId, "2026-12", 1'000'000).admitted);
        ASSERT_TRUE(waitUntil([&] { return storage.checkpointsDone() != before; })) << round;
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

// A database made before tokens expired and before users had commands of
// their own opens with its accounts, commands, usage and tokens intact.
TEST(TokenSchemaTest, ADatabaseOfTheFirstSchemaIsUpgradedInPlaceWithItsData) {
    const TemporaryDirectory directory;
    const std::string path = (directory.path / "server.db").string();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const char* schema = R"(
CREATE TABLE plans (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE,
  monthly_limit INTEGER NOT NULL, max_text_length INTEGER NOT NULL,
  active_command_allowance INTEGER NOT NULL);
CREATE TABLE users (id INTEGER PRIMARY KEY, email TEXT NOT NULL UNIQUE COLLATE NOCASE,
  name TEXT NOT NULL, password_hash TEXT NOT NULL, plan_id INTEGER NOT NULL REFERENCES plans(id),
  plan_expires_at TEXT, email_verified_at TEXT, created_at TEXT NOT NULL);
CREATE TABLE commands (id INTEGER PRIMARY KEY, code TEXT NOT NULL UNIQUE, name TEXT NOT NULL,
  processor TEXT NOT NULL, position INTEGER NOT NULL);
CREATE TABLE user_commands (user_id INTEGER NOT NULL, command_id INTEGER NOT NULL,
  is_active INTEGER NOT NULL, PRIMARY KEY (user_id, command_id)) WITHOUT ROWID;
CREATE TABLE tokens (digest TEXT PRIMARY KEY, user_id INTEGER NOT NULL,
  created_at TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE usage (user_id INTEGER NOT NULL, month TEXT NOT NULL, count INTEGER NOT NULL,
  PRIMARY KEY (user_id, month)) WITHOUT ROWID;
INSERT INTO plans VALUES (1, 'Free', 50, 2000, 3);
INSERT INTO users VALUES (1, 'ada@example.com', 'Ada', '$x', 1, NULL, NULL,
  '2026-11-01T00:00:00.000000Z');
INSERT INTO tokens VALUES ('digest-1', 1, '2026-11-01T00:00:00.000000Z');
INSERT INTO commands VALUES (1, 'upper-case', 'UPPER', 'builtin:upper-case', 1),
  (2, 'lower-case', 'lower', 'builtin:lower-case', 2);
INSERT INTO user_commands VALUES (1, 1, 0), (1, 2, 1);
INSERT INTO usage VALUES (1, '2026-11', 42);
PRAGMA user_version = 1;)";
    ASSERT_EQ(sqlite3_exec(db, schema, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    SqliteStorage storage(path);
    EXPECT_EQ(storage.userForToken("digest-1", "2026-12-06T00:00:00.000000Z",
                                   "2026-09-07T00:00:00.000000Z", "2026-12-05T23:00:00.000000Z"),
              1);
    EXPECT_EQ(storage.userForToken("digest-1", "2027-03-10T00:00:00.000000Z",
                                   "2026-12-10T00:00:00.000000Z", "2027-03-09T23:00:00.000000Z"),
              std::nullopt)
        << "renewed on 2026-12-06, unused since";
    EXPECT_EQ(storage.usage(1, "2026-11"), 42);
    auto commands = storage.commandsFor(1);
    ASSERT_EQ(commands.size(), 2u);
    // What was there is the shared catalogue, each switched as it was.
    EXPECT_EQ(std::tuple(commands[0].command.code, commands[0].isActive, commands[1].isActive,
                         commands[1].isOwn),
              std::tuple("upper-case", false, true, false));
    EXPECT_EQ(storage.createCommand(1, {"mine", "Mine", "builtin:upper-case"}, 3, 100),
              CommandChange::done);
    EXPECT_EQ(storage.catalogue().size(), 2u) << "a user's own command is not the catalogue's";
    EXPECT_EQ(storage.integrityCheck(), "ok");
}

// Stored timestamps are read back exactly; anything else is no time at all.
TEST(UtcCalendarTest, TimestampsRoundTripAndMalformedOnesAreRefused) {
    using namespace std::chrono;
    const SystemTime moment =
        sys_days{year{2026} / 7 / 4} + hours{9} + minutes{5} + seconds{7} + microseconds{1234};
    EXPECT_EQ(parseIsoTimestamp(isoTimestamp(moment)), moment);
    EXPECT_EQ(parseIsoTimestamp("2026-07-04T09:05:07Z"), moment - microseconds{1234});
    for (const char* bad : {"", "2026-13-01T00:00:00Z", "2026-02-30T00:00:00Z",
                            "2026-07-04 09:05:07", "2026-07-04T09:05:07+02:00"})
        EXPECT_FALSE(parseIsoTimestamp(bad)) << bad;
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

// Plain HTTP is served on loopback only unless asked for; sign-up is off
// unless asked for (the demo asks); the bounds take a number in range.
TEST(ServerOptionsTest, ListenAddressSignUpAndTheBoundsOfDownloadsCommandsAndModelWaits) {
    using namespace std::chrono_literals;
    // downloads, commands, sign-up, first-token and idle timeouts in seconds
    using Parsed = std::tuple<int, int, bool, long, long>;
    const Parsed plain{32, 100, false, 120, 30};
    const struct {
        std::vector<std::string> arguments;
        std::optional<Parsed> parsed;
        const char* refusalNames = ""; // what the refusal tells to use or fix
    } cases[] = {
        {{}, plain},
        {{"--listen", "127.0.0.1:8787"}, plain},
        {{"--listen", "localhost:8787"}, plain},
        {{"--listen", "::1:8787"}, plain},
        {{"--listen", "0.0.0.0:8787"}, {}, "--insecure"},
        {{"--listen", "128.0.0.1:8787"}, {}, "--insecure"},
        {{"--listen", "127.0.0.1.evil:8787"}, {}, "--insecure"},
        {{"--listen", "0.0.0.0:8787", "--insecure"}, plain},
        {{"--listen", "0.0.0.0:8787", "--cert", "c.pem", "--key", "k.pem"}, plain},
        {{"user", "list", "--listen", "0.0.0.0:8787"}, plain}, // not serving
        {{"--sign-up"}, Parsed{32, 100, true, 120, 30}},
        {{"--demo"}, Parsed{32, 100, true, 120, 30}},
        {{"--max-downloads", "1", "--max-commands", "0"}, Parsed{1, 0, false, 120, 30}},
        {{"--llm-first-token-timeout", "600", "--llm-idle-timeout", "5"},
         Parsed{32, 100, false, 600, 5}},
        {{"--max-downloads", "0"}, {}, "--max-downloads"},
        {{"--max-downloads", "ten"}, {}, "--max-downloads"},
        {{"--max-commands", "-1"}, {}, "--max-commands"},
        {{"--llm-idle-timeout", "0"}, {}, "--llm-idle-timeout"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const auto parsed = parseServerOptions(c.arguments, {{"HOME", "/tmp"}});
        if (const auto* options = std::get_if<ServerOptions>(&parsed)) {
            const auto& model = options->languageModel;
            EXPECT_EQ(Parsed(options->listen.maxDownloads, options->maxOwnCommands, options->signUp,
                             model.firstTextTimeout / 1s, model.idleTimeout / 1s),
                      c.parsed);
        } else {
            EXPECT_FALSE(c.parsed);
            EXPECT_NE(std::get<std::string>(parsed).find(c.refusalNames), std::string::npos);
        }
    }
}

} // namespace
} // namespace scribeon::server
