#include "server/Defaults.h"
#include "server/Secrets.h"
#include "server/SqliteStorage.h"
#include "server/UtcCalendar.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <sys/wait.h>
#include <unistd.h>

namespace scribeon::server {
namespace {

using namespace std::chrono_literals;

const char* serverBinary() {
    return std::getenv("SCRIBEON_SERVER_BINARY");
}

// Starts scribeon-server on a free port and reads the port from its first line.
struct ServerProcess {
    pid_t pid = -1;
    int port = 0;

    ServerProcess(const std::string& database, const std::filesystem::path& directory) {
        const auto output = directory / "stdout.txt";
        pid = ::fork();
        if (pid == 0) {
            const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, STDOUT_FILENO);
            ::execl(serverBinary(), serverBinary(), "--db", database.c_str(), "--listen",
                    "127.0.0.1:0", "--quiet", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (port == 0 && std::chrono::steady_clock::now() < deadline) {
            std::ifstream in(output);
            std::string line;
            if (std::getline(in, line) && line.rfind("scribeon-server listening on", 0) == 0)
                port = std::stoi(line.substr(line.rfind(':') + 1));
            else
                std::this_thread::sleep_for(10ms);
        }
    }
    void kill(int signal) {
        if (pid > 0) {
            ::kill(pid, signal);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
    ~ServerProcess() { kill(SIGKILL); }
};

TEST(CrashSafetyTest, KilledUnderWriteLoadTheDatabaseIsIntactAndNoAdmittedRequestIsLost) {
    if (!serverBinary())
        GTEST_SKIP() << "SCRIBEON_SERVER_BINARY is not set";
    char pattern[] = "/tmp/scribeon-crash-test.XXXXXX";
    const std::filesystem::path directory = ::mkdtemp(pattern);
    const std::string database = (directory / "server.db").string();
    const Secrets secrets;
    std::int64_t userId = 0;
    {
        SqliteStorage storage(database);
        storage.seedDefaults({{0, "Big", 1000000, 1000, 3}}, defaultCommands());
        userId = storage.addUser(
            {"load@example.com", "Load", "Big", "$x", "2026-12-01T00:00:00Z", std::nullopt});
        storage.addToken(secrets.tokenDigest("load-token"), userId, "2026-12-01T00:00:00Z", 20);
    }

    ServerProcess server(database, directory);
    ASSERT_GT(server.port, 0);
    std::atomic<bool> go{true};
    std::atomic<int> answered{0};
    std::vector<std::future<void>> writers;
    for (int w = 0; w < 4; ++w)
        writers.push_back(std::async(std::launch::async, [&] {
            httplib::Client client("127.0.0.1", server.port);
            while (go) {
                auto result = client.Post("/api/v1/commands/upper-case/process",
                                          {{"Authorization", "Bearer load-token"}},
                                          R"({"text":"x"})", "application/json");
                if (result && result->status == 200)
                    ++answered;
            }
        }));
    while (answered < 200)
        std::this_thread::sleep_for(1ms);
    server.kill(SIGKILL);
    go = false;
    for (auto& w : writers)
        w.get();

    SqliteStorage reopened(database);
    EXPECT_EQ(reopened.integrityCheck(), "ok");
    // Every answered request was committed before its answer was sent.
    EXPECT_GE(reopened.usage(userId, utcMonthOf(std::chrono::system_clock::now()).key),
              answered.load());
    std::filesystem::remove_all(directory);
}

} // namespace
} // namespace scribeon::server
