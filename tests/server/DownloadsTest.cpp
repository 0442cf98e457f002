#include "ServerProcess.h"
#include "TestServer.h"

#include <gtest/gtest.h>

#include <poll.h>

namespace scribeon::server {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t fileBytes = std::size_t{48} * 1024 * 1024;

char patternAt(std::size_t offset) {
    return static_cast<char>(offset % 251);
}

void writePatternFile(const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    std::string block(std::size_t{1} << 20, '\0');
    for (std::size_t start = 0; start < fileBytes; start += block.size()) {
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = patternAt(start + i);
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
}

// What the process holds in memory, in KiB.
long long residentKib(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with("VmRSS:"))
            return std::stoll(line.substr(6));
    return -1;
}

// A client that asks for the file, reads the reply's head and then takes
// nothing more: the server must keep what it has not sent on disk.
struct StalledDownload {
    int socket;
    std::string head; // and the first bytes of the file

    StalledDownload(int port, const std::string& path)
        : socket(
              sendToLoopback(port, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 4096)) {
        pollfd ready{socket, POLLIN, 0};
        char data[1024];
        if (::poll(&ready, 1, 20000) == 1)
            head.assign(data, static_cast<std::size_t>(
                                  std::max<ssize_t>(::recv(socket, data, sizeof data, 0), 0)));
    }
    ~StalledDownload() { ::close(socket); }
    StalledDownload(const StalledDownload&) = delete;
    StalledDownload& operator=(const StalledDownload&) = delete;
};

// On either engine: the database only decides where the server keeps its
// accounts, but the download path must not depend on it.
TEST(DownloadsTest, SlowClientsCostLittleMemoryAndThoseBeyondTheBoundAreTurnedAway) {
    if (!serverBinary())
        GTEST_SKIP() << "SCRIBEON_SERVER_BINARY is not set";
    TestServer database;
    const auto downloads = database.directory() / "downloads";
    std::filesystem::create_directories(downloads);
    writePatternFile(downloads / "scribeon_9.9.9_amd64.deb");
    ServerProcess server(database.database(), database.directory(), true,
                         {"--downloads", downloads.string(), "--max-downloads", "4"});
    ASSERT_NE(server.port, 0);
    const std::string path = "/downloads/scribeon_9.9.9_amd64.deb";
    const long long heldBefore = residentKib(server.pid);

    std::vector<std::unique_ptr<StalledDownload>> stalled;
    for (int i = 0; i < 4; ++i) {
        stalled.push_back(std::make_unique<StalledDownload>(server.port, path));
        EXPECT_TRUE(stalled.back()->head.starts_with("HTTP/1.1 200")) << stalled.back()->head;
        EXPECT_NE(stalled.back()->head.find("Content-Length: " + std::to_string(fileBytes)),
                  std::string::npos);
    }
    // Read whole, four copies of 48 MiB would be 192 MiB at least.
    EXPECT_LT(residentKib(server.pid) - heldBefore, 32 * 1024)
        << "the server holds more than 32 MiB more while four clients stall";

    auto client = clientOn(server.port);
    const auto refused = client.Get(path);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 503);
    EXPECT_EQ(refused->get_header_value("Retry-After"), "5");
    EXPECT_EQ(client.Head(path)->status, 200) << "a HEAD sends no file and needs no turn";

    // Clients that go away give their turns back; then the file comes whole.
    stalled.clear();
    std::size_t received = 0;
    bool intact = true;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (status != 200 && std::chrono::steady_clock::now() < deadline) {
        received = 0;
        intact = true;
        const auto reply = client.Get(path, [&](const char* data, std::size_t length) {
            for (std::size_t i = 0; i < length; ++i)
                intact = intact && data[i] == patternAt(received + i);
            received += length;
            return true;
        });
        status = reply ? reply->status : 0;
        if (status != 200)
            std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(status, 200);
    EXPECT_EQ(received, fileBytes);
    EXPECT_TRUE(intact) << "the bytes sent differ from the file's";
}

} // namespace
} // namespace scribeon::server
