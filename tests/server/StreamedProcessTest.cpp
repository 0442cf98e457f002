#include "EventStreamClient.h"
#include "FakeChatBackend.h"
#include "TestServer.h"

#include <gtest/gtest.h>

namespace scribeon::server {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// A language-model command whose prompt tells the fake back end how to answer.
class StreamedProcessTest : public testing::Test {
public:
    void SetUp() override {
        server.languageModel = {backend.url(), "tiny-model", "sk-test", 1500ms, 1500ms};
        server.storage->seedDefaults({{0, "Tiny", 1, 5, 1}}, {});
    }

    // First in the catalogue, so accounts made after it have it switched on.
    std::string command(const json& script) {
        std::string code = "llm-" + std::to_string(++commands_);
        server.storage->addCommand({0, code, "Model " + code, "llm:" + script.dump(), 0});
        return code;
    }
    std::int64_t usageOf(const std::string& email) const {
        return server.storage->usage(server.storage->credentials(email)->first,
                                     utcMonthOf(server.now).key);
    }
    // The fake's record of its request number `index` once it has `field`.
    json requestOnceItHas(std::size_t index, const char* field) const {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            const auto requests = backend.requests();
            if (requests.size() > index && !requests[index][field].is_null())
                return requests[index];
            std::this_thread::sleep_for(5ms);
        }
        return json();
    }

    FakeChatBackend backend;
    TestServer server;

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
        EventStreamClient client(server.port, code, token, R"({"text":"teh text"})");
        ASSERT_TRUE(client.readToEnd()) << client.head << client.plain;
        EXPECT_EQ(client.status, 200);
        EXPECT_NE(client.head.find("text/event-stream"), std::string::npos);
        EXPECT_EQ(client.text(), c.text);
        const auto& last = client.events.back();
        const auto data = json::parse(last.data);
        EXPECT_EQ(last.name, c.error ? "error" : "done");
        if (c.error) {
            EXPECT_EQ(data["error"], c.error);
            EXPECT_EQ(data["status"], c.status);
        } else {
            EXPECT_EQ(data["data"]["processed_text"], c.text);
            EXPECT_EQ(data["data"]["original_text"], "teh text");
        }
        const auto plain =
            server.client().Post("/api/v1/commands/" + code + "/process", bearer(token),
                                 R"({"text":"teh text"})", "application/json");
        ASSERT_TRUE(plain);
        EXPECT_EQ(plain->status, c.status);
        const auto body = json::parse(plain->body);
        EXPECT_EQ(c.error ? body["error"] : body["data"]["processed_text"],
                  c.error ? json(c.error) : json(c.text));
        EXPECT_EQ(usageOf(email), c.usage + (c.error ? 0 : 1));
    }
    const auto asked = backend.requests().front();
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

// Refusals known before any text keep their status and their JSON.
TEST_F(StreamedProcessTest, EarlyRefusalsArePlainReplies) {
    const std::string code = command({{"reply", "ok"}});
    const std::string tiny = server.addUser("tiny@example.com", "Tiny");
    const std::string text = R"({"text":"x"})";
    EventStreamClient{server.port, code, tiny, text}.readToEnd();
    const struct {
        const char* name;
        std::string code, token, body;
        int status;
        const char* error;
    } cases[] = {
        {"no sign-in", code, "nobody", text, 401, "unauthenticated"},
        {"unknown command", "nothing-here", tiny, text, 404, "command not found"},
        {"text too long", code, tiny, R"({"text":"too long"})", 422, "text too long"},
        {"monthly limit", code, tiny, text, 429, "rate limit exceeded"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EventStreamClient client(server.port, c.code, c.token, c.body);
        client.readUntil([&] { return client.status != 0 && !client.plain.empty(); });
        EXPECT_EQ(client.status, c.status);
        EXPECT_EQ(json::parse(client.plain)["error"], c.error);
    }
}

// A client that takes nothing is dropped once its stream's buffer is full,
// and the back end's request with it.
TEST_F(StreamedProcessTest, AClientThatReadsNothingIsDropped) {
    const std::string code =
        command({{"deltas", {repeated("x", 1000)}}, {"repeat", 7000}, {"pause_after", 6900}});
    const std::string token = server.addUser("slow@example.com", "Pro");
    server.languageModel.idleTimeout = 60s; // the back end's pause does not end it
    EventStreamClient client(server.port, code, token, R"({"text":"x"})", 4096);
    ASSERT_FALSE(requestOnceItHas(0, "disconnected").is_null());
    client.readUntil([] { return false; }, 20s);
    EXPECT_TRUE(client.closedByServer);
    EXPECT_FALSE(client.ended());
    EXPECT_EQ(usageOf("slow@example.com"), 1);
}

} // namespace
} // namespace scribeon::server
