#include "ServerProcess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace scribeon::server {
namespace {

// Sends the request bytes exactly as written, which no HTTP client library
// promises for a target like this, and reads until the server closes.
std::string exchange(int port, const std::string& request) {
    const int socket = connectToLoopback(port);
    std::string reply;
    if (socket >= 0 &&
        ::write(socket, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
        char buffer[4096];
        for (ssize_t got; (got = ::read(socket, buffer, sizeof buffer)) > 0;)
            reply.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(socket);
    return reply;
}

TEST(AccessLogTest, AForgedLineInAPathStaysInsideOneEscapedLogLine) {
    if (!serverBinary())
        GTEST_SKIP() << "SCRIBEON_SERVER_BINARY is not set";
    char pattern[] = "/tmp/scribeon-log-test.XXXXXX";
    const std::filesystem::path directory = ::mkdtemp(pattern);
    {
        ServerProcess server((directory / "server.db").string(), directory, false);
        ASSERT_NE(server.port, 0);
        const std::string reply =
            exchange(server.port, "GET /api/v1/x%0d%0aGET%20/forged%20200%e2%80%ae HTTP/1.1\r\n"
                                  "Host: 127.0.0.1\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(reply.rfind("HTTP/1.1 404", 0), 0u) << reply;
        server.kill(SIGTERM);
    }
    std::ifstream log(directory / "stderr.txt");
    std::vector<std::string> mentions;
    for (std::string line; std::getline(log, line);)
        if (line.find("forged") != std::string::npos)
            mentions.push_back(line);
    ASSERT_EQ(mentions.size(), 1u);
    EXPECT_EQ(mentions[0].rfind("GET /api/v1/x\\x0D\\x0AGET /forged 200\\u{202E} 404 ", 0), 0u)
        << mentions[0];
    std::filesystem::remove_all(directory);
}

} // namespace
} // namespace scribeon::server
