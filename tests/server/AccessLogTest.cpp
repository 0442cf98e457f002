#include "ServerProcess.h"
#include "TestServer.h"

#include <gtest/gtest.h>

namespace scribeon::server {
namespace {

// The request bytes go exactly as written, which no HTTP client library
// promises for a target like this one.
TEST(AccessLogTest, AForgedLineInAPathStaysInsideOneEscapedLogLine) {
    if (!serverBinary())
        GTEST_SKIP() << "SCRIBEON_SERVER_BINARY is not set";
    TestServer database;
    ServerProcess server(database.database(), database.directory(), false);
    const std::string request = "GET /api/v1/x%0d%0aGET%20/forged%20200%e2%80%ae HTTP/1.1\r\n"
                                "Host: 127.0.0.1\r\nConnection: close\r\n\r\n";
    const int socket = sendToLoopback(server.port, request);
    ASSERT_GE(socket, 0);
    char reply[64] = {};
    EXPECT_GT(::read(socket, reply, sizeof reply - 1), 0);
    EXPECT_TRUE(std::string_view(reply).starts_with("HTTP/1.1 404")) << reply;
    ::close(socket);
    server.kill(SIGTERM);
    std::ifstream log(database.directory() / "stderr.txt");
    std::vector<std::string> mentions;
    for (std::string line; std::getline(log, line);)
        if (line.find("forged") != std::string::npos)
            mentions.push_back(line);
    ASSERT_EQ(mentions.size(), 1u);
    EXPECT_TRUE(mentions[0].starts_with("GET /api/v1/x\\x0D\\x0AGET /forged 200\\u{202E} 404 "))
        << mentions[0];
}

} // namespace
} // namespace scribeon::server
