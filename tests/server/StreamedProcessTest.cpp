#include "TestServer.h"
#include "wire/EventStream.h"

#include <gtest/gtest.h>

#include <poll.h>

namespace scribeon::server {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// A language-model command whose prompt tells the fake back end how to answer.
class StreamedProcessTest : public testing::Test {
public:
    void SetUp() override {
        const std::string url = "http://127.0.0.1:" + std::to_string(backend.port) + "/v1";
        server.languageModel = {url, "tiny-model", "sk-test", 1500ms, 1500ms};
    }

    // First in the catalogue, so accounts made after it have it switched on.
    std::string command(const json& script) {
        std::string code = "llm-" + std::to_string(++commands_);
        server.storage->addCommand({0, code, "Model " + code, "llm:" + script.dump(), 0});
        return code;
    }
    // A process request that asks for a stream, as bytes for a socket the test may close at any
    // point.
    static std::string rawRequest(const std::string& code, const std::string& token) {
        return "POST /api/v1/commands/" + code + "/process HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
               "Authorization: Bearer " + token + "\r\nAccept: text/event-stream\r\n" +
               "Content-Type: application/json\r\nContent-Length: 12\r\n\r\n{\"text\":\"x\"}";
    }
    std::int64_t usageOf(const std::string& email) const {
        return server.storage->usage(server.storage->credentials(email)->first,
                                     utcMonthOf(server.now).key);
    }
    // Whether the fake's first request came to have `field` in time.
    bool firstRequestHas(const char* field) const {
        return waitUntil([&] {
            const auto seen = requests();
            return !seen.empty() && !seen[0][field].is_null();
        });
    }

    // Every request the fake had: body, authorization, started, first_byte, ended, disconnected.
    json requests() const {
        auto reply = clientOn(backend.port).Get("/control/requests");
        return reply ? json::parse(reply->body) : json::array();
    }

    TestServer server;
    ListeningProcess backend{"/usr/bin/python3 '" SCRIBEON_FAKE_CHAT "' --pace-ms 0",
                             server.directory()};

private:
    int commands_ = 0;
};

// Each script streamed, and asked for once more as a plain reply, which keeps
// the status the stream's error event names and counts only a success.
TEST_F(StreamedProcessTest, TextArrivesInPiecesAndEndsWithOneVerdict) {
    const json split = {
        {"deltas", {"<thi", "nk>plan</th", "ink>\n H\u00e9llo", " \u65e5\u672c", "\n"}},
        {"write_bytes", 1}};
    const json whole = {{"plain", true}, {"reply", "<think>x</think> Whole."}};
    const json cut = {{"deltas", {"The te"}}, {"finish", "length"}};
    const json dropped = {{"deltas", {"one ", "two ", "three"}}, {"drop_after", 2}};
    const json silent = {{"deltas", {"a ", "b"}}, {"pause_after", 1}};
    const char* upstream = "upstream error";
    const struct {
        const char* name;
        json script; // null: the built-in upper-case
        std::string text;
        const char* error; // the error event's, or none for `done`
        int status;
        int usage; // of the stream
    } cases[] = {
        {"split lines, JSON, tags, characters", split, "H\u00e9llo \u65e5\u672c", nullptr, 200, 1},
        {"a back end that does not stream", whole, "Whole.", nullptr, 200, 1},
        {"a built-in transform", nullptr, "TEH TEXT", nullptr, 200, 1},
        {"cut short by length", cut, "The te", "response incomplete", 422, 1},
        {"dropped mid-stream", dropped, "one two", upstream, 502, 1},
        {"silent after its first text", silent, "a", upstream, 502, 1},
        {"refused by the back end", {{"status", 500}}, "", upstream, 502, 0},
        {"no first text in time", {{"first_delay_ms", 5000}}, "", "processor unavailable", 503, 0},
    };
    int user = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string code = c.script.is_null() ? "upper-case" : command(c.script);
        const std::string email = "user" + std::to_string(++user) + "@example.com";
        const std::string token = server.addUser(email, "Pro");
        const std::string path = "/api/v1/commands/" + code + "/process",
                          body = R"({"text":"teh text"})";
        auto headers = bearer(token);
        headers.emplace("Accept", "text/event-stream");
        const auto streamed = server.client().Post(path, headers, body, "application/json");
        const auto plain = server.client().Post(path, bearer(token), body, "application/json");
        ASSERT_TRUE(streamed && plain);
        const auto events = EventStreamReader().feed(streamed->body);
        ASSERT_FALSE(events.empty()) << streamed->body;
        std::string text;
        for (const auto& event : events)
            if (event.name == "delta")
                text += json::parse(event.data)["text"].get<std::string>();
        EXPECT_EQ(std::tuple(streamed->status, streamed->get_header_value("Content-Type"), text,
                             events.back().name, plain->status, usageOf(email)),
                  std::tuple(200, "text/event-stream", c.text, c.error ? "error" : "done", c.status,
                             c.usage + (c.error ? 0 : 1)));
        const auto last = json::parse(events.back().data), reply = json::parse(plain->body);
        if (c.error)
            EXPECT_EQ(std::tuple(last["error"], last["status"], reply["error"]),
                      std::tuple(c.error, c.status, c.error));
        else
            EXPECT_EQ(std::tuple(last["data"]["processed_text"], last["data"]["original_text"],
                                 reply["data"]["processed_text"]),
                      std::tuple(c.text, "teh text", c.text));
    }
    const auto asked = requests().front();
    EXPECT_EQ(asked["body"]["stream"], true);
    EXPECT_EQ(asked["body"]["model"], "tiny-model");
    EXPECT_EQ(asked["body"]["messages"][1], (json{{"role", "user"}, {"content", "teh text"}}));
    EXPECT_EQ(asked["authorization"], "Bearer sk-test");

    server.languageModel.url = "http://127.0.0.1:1/v1"; // nothing listens there
    const auto unreachable = server.client().Post("/api/v1/commands/llm-1/process",
                                                  bearer("token-for-user1@example.com"),
                                                  R"({"text":"x"})", "application/json");
    EXPECT_EQ(unreachable->status, 503);
    EXPECT_EQ(usageOf("user1@example.com"), 2);
}

// The back end's request ends soon after its client goes away, even before
// any text came (the stream end-to-end run has a client leave mid-text),
// and the run is not counted.
TEST_F(StreamedProcessTest, AClientGoingAwayBeforeAnyTextAbortsTheBackEndsRequest) {
    server.languageModel.firstTextTimeout = 60s;
    const std::string code = command({{"first_delay_ms", 60000}});
    const int socket =
        sendToLoopback(server.port, rawRequest(code, server.addUser("gone@example.com", "Pro")));
    ASSERT_TRUE(firstRequestHas("started"));
    const auto closedAt = std::chrono::system_clock::now();
    ::close(socket);
    ASSERT_TRUE(firstRequestHas("disconnected"));
    EXPECT_LT(requests()[0]["disconnected"].get<double>() -
                  std::chrono::duration<double>(closedAt.time_since_epoch()).count(),
              0.1);
    EXPECT_TRUE(waitUntil([&] { return usageOf("gone@example.com") == 0; }));
}

// A client that takes nothing is dropped once its stream's buffer is full,
// and the back end's request with it.
TEST_F(StreamedProcessTest, AClientThatReadsNothingIsDropped) {
    const std::string code =
        command({{"deltas", {repeated("x", 1000)}}, {"repeat", 7000}, {"pause_after", 6900}});
    const std::string token = server.addUser("slow@example.com", "Pro");
    server.languageModel.idleTimeout = 60s; // the back end's pause does not end it
    const int socket = sendToLoopback(server.port, rawRequest(code, token), 4096);
    ASSERT_GE(socket, 0);
    ASSERT_TRUE(firstRequestHas("disconnected"));
    std::string received;
    ssize_t got = 1;
    for (pollfd ready{socket, POLLIN, 0}; got > 0 && ::poll(&ready, 1, 20000) == 1;) {
        char data[65536];
        got = ::read(socket, data, sizeof data);
        received.append(data, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
    ::close(socket);
    EXPECT_LE(got, 0) << "the server kept the connection";
    EXPECT_EQ(received.find("event: done"), std::string::npos);
    EXPECT_EQ(usageOf("slow@example.com"), 1);
}

} // namespace
} // namespace scribeon::server
