#include "TestServer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <mutex>

namespace scribeon::server {
namespace {

using nlohmann::json;

// A chat-completions server on loopback that answers what the test sets.
class FakeUpstream {
public:
    FakeUpstream() {
        server_.Post("/v1/chat/completions",
                     [this](const httplib::Request& request, httplib::Response& response) {
                         std::lock_guard lock(mutex_);
                         lastRequest = json::parse(request.body, nullptr, false);
                         lastAuthorization = request.get_header_value("Authorization");
                         response.status = status;
                         response.set_content(reply, "application/json");
                     });
        port = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~FakeUpstream() {
        server_.stop();
        thread_.join();
    }
    void answer(int newStatus, json body) {
        std::lock_guard lock(mutex_);
        status = newStatus;
        reply = body.dump();
    }

    int port = 0;
    int status = 200;
    std::string reply;
    json lastRequest;
    std::string lastAuthorization;

private:
    httplib::Server server_;
    std::thread thread_;
    std::mutex mutex_;
};

json choice(const std::string& content, const std::string& finish) {
    return {{"choices",
             {{{"message", {{"role", "assistant"}, {"content", content}}},
               {"finish_reason", finish}}}}};
}

TEST(LanguageModelCommandTest, AnswersAreCleanedAndFailuresBecomeTheRightErrors) {
    FakeUpstream upstream;
    TestServer server;
    server.languageModel = {"http://127.0.0.1:" + std::to_string(upstream.port) + "/v1",
                            "tiny-model", "sk-test"};
    server.storage->addCommand({0, "polish", "Polish", "llm:Rewrite the text clearly.", 100});
    const std::string token = server.addUser("pro@example.com", "Pro");
    const auto userId = server.storage->credentials("pro@example.com")->first;
    const auto month = utcMonthOf(server.now).key;
    auto process = [&] {
        return server.client().Post("/api/v1/commands/polish/process", bearer(token),
                                    R"({"text":"teh text"})", "application/json");
    };

    upstream.answer(200, choice("<think>the user wants</think>\n The text.\n", "stop"));
    auto done = process();
    ASSERT_EQ(done->status, 200) << done->body;
    EXPECT_EQ(json::parse(done->body)["data"]["processed_text"], "The text.");
    EXPECT_EQ(upstream.lastRequest["model"], "tiny-model");
    EXPECT_EQ(upstream.lastRequest["messages"][0],
              (json{{"role", "system"}, {"content", "Rewrite the text clearly."}}));
    EXPECT_EQ(upstream.lastRequest["messages"][1],
              (json{{"role", "user"}, {"content", "teh text"}}));
    EXPECT_EQ(upstream.lastAuthorization, "Bearer sk-test");
    EXPECT_EQ(server.storage->usage(userId, month), 1);

    const struct {
        const char* name;
        int upstreamStatus;
        json upstreamBody;
        int status;
        const char* error;
    } failures[] = {
        {"cut short", 200, choice("The te", "length"), 422, "response incomplete"},
        {"upstream's own error",
         404,
         {{"error", {{"message", "model 'tiny-model' not found"}}}},
         502,
         "upstream error"},
        {"no choices", 200, json::object(), 502, "upstream error"},
        {"content of the wrong type",
         200,
         {{"choices", {{{"message", {{"content", 5}}}}}}},
         502,
         "upstream error"},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.name);
        upstream.answer(f.upstreamStatus, f.upstreamBody);
        auto result = process();
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, f.status);
        const auto body = json::parse(result->body);
        EXPECT_EQ(body["error"], f.error);
        EXPECT_FALSE(body.value("message", "").empty());
    }
    EXPECT_EQ(server.storage->usage(userId, month), 1); // failures are given back

    server.languageModel.url = "http://127.0.0.1:1/v1"; // nothing listens there
    auto unreachable = process();
    EXPECT_EQ(unreachable->status, 503);
    EXPECT_EQ(json::parse(unreachable->body)["error"], "processor unavailable");
}

} // namespace
} // namespace scribeon::server
