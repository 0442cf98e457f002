#include "FakeChatBackend.h"
#include "TestServer.h"

#include <gtest/gtest.h>

namespace scribeon::server {
namespace {

using nlohmann::json;

// The plain reply of a language-model command, for clients that do not ask
// for a stream: the same statuses and texts as a synchronous call had, and
// a count only for a success.
TEST(LanguageModelCommandTest, PlainRepliesKeepTheirStatusesAndCountOnlySuccesses) {
    FakeChatBackend backend;
    TestServer server;
    server.languageModel = {backend.url(), "tiny-model", "sk-test"};
    const json cleaned = {{"deltas", {"<think>the user wants</think>\n", " The text.\n"}}};
    const json cut = {{"deltas", {"The te"}}, {"finish", "length"}};
    const struct {
        const char* name;
        json script;
        int status;
        const char* text;  // for a success
        const char* error; // for a failure
    } cases[] = {
        {"streamed, cleaned", cleaned, 200, "The text.", nullptr},
        {"one JSON body", {{"plain", true}, {"reply", "Whole."}}, 200, "Whole.", nullptr},
        {"cut short", cut, 422, nullptr, "response incomplete"},
        {"the back end's own error", {{"status", 404}}, 502, nullptr, "upstream error"},
    };
    int position = 0;
    for (const auto& c : cases)
        server.storage->addCommand({0, std::string("llm-") + std::to_string(position), c.name,
                                    "llm:" + c.script.dump(), position++});
    const std::string token = server.addUser("pro@example.com", "Pro");
    const auto userId = server.storage->credentials("pro@example.com")->first;
    const auto month = utcMonthOf(server.now).key;
    auto process = [&](int command) {
        return server.client().Post("/api/v1/commands/llm-" + std::to_string(command) + "/process",
                                    bearer(token), R"({"text":"teh text"})", "application/json");
    };
    int successes = 0;
    for (int i = 0; i < position; ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.name);
        auto result = process(i);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, c.status);
        EXPECT_EQ(result->get_header_value("Content-Type"), "application/json");
        const auto body = json::parse(result->body);
        if (c.text) {
            ++successes;
            EXPECT_EQ(body["data"]["processed_text"], c.text);
        } else {
            EXPECT_EQ(body["error"], c.error);
            EXPECT_FALSE(body.value("message", "").empty());
        }
        EXPECT_EQ(server.storage->usage(userId, month), successes);
    }
    const auto asked = backend.requests().front();
    EXPECT_EQ(asked["body"]["model"], "tiny-model");
    EXPECT_EQ(asked["body"]["messages"][1], (json{{"role", "user"}, {"content", "teh text"}}));
    EXPECT_EQ(asked["authorization"], "Bearer sk-test");

    server.languageModel.url = "http://127.0.0.1:1/v1"; // nothing listens there
    auto unreachable = process(0);
    EXPECT_EQ(unreachable->status, 503);
    EXPECT_EQ(json::parse(unreachable->body)["error"], "processor unavailable");
    EXPECT_EQ(server.storage->usage(userId, month), successes);
}

} // namespace
} // namespace scribeon::server
