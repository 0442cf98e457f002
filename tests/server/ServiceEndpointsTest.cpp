#include "TestServer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace scribeon::server {
namespace {

using nlohmann::json;

class ServiceEndpointsTest : public testing::Test {
public:
    void SetUp() override {
        server.storage->seedDefaults({{0, "Tiny", 2, 5, 1}}, {});
        ada = server.addUser("ada@example.com");
        expired = server.addUser("old@example.com", "Free", "2026-01-01T00:00:00Z");
        tiny = server.addUser("tiny@example.com", "Tiny");
    }

    httplib::Result send(const std::string& method, const std::string& path,
                         const std::string& token, const std::string& body, bool stream = false) {
        auto client = server.client();
        auto headers = token.empty() ? httplib::Headers{} : bearer(token);
        if (stream)
            headers.emplace("Accept", "text/event-stream");
        if (method == "GET")
            return client.Get(path, headers);
        return client.Post(path, headers, body, "application/json");
    }

    TestServer server;
    std::string ada, expired, tiny;
};

TEST_F(ServiceEndpointsTest, EveryEndpointAnswersWithItsStatusAndJson) {
    const std::string deep = std::string(40, '[') + std::string(40, ']');
    const std::string signIn = "/api/v1/auth/sign-in", user = "/api/v1/user";
    const std::string upper = "/api/v1/commands/upper-case/process";
    const std::string fix = "/api/v1/commands/fix-sentences/process";
    const std::string a = R"({"text":"a"})";
    const struct {
        const char* name;
        const char* method;
        std::string path, token, body;
        int status;
        const char* error; // expected "error" field, or nullptr for a success
    } cases[] = {
        {"sign-in, malformed JSON", "POST", signIn, "", "{\"email\":", 422, "validation error"},
        {"sign-in, no password", "POST", signIn, "", R"({"email":"a@b.c"})", 422,
         "validation error"},
        {"user, no token", "GET", user, "", "", 401, "unauthenticated"},
        {"user, unknown token", "GET", user, "forged-token", "", 401, "unauthenticated"},
        {"process", "POST", upper, ada, a, 200, nullptr},
        {"unknown code", "POST", "/api/v1/commands/shout/process", ada, a, 404,
         "command not found"},
        {"inactive command", "POST", "/api/v1/commands/title-case/process", ada, a, 404,
         "command not found"},
        {"traversal-looking code", "POST", "/api/v1/commands/..%2fuser/process", ada, a, 404,
         "not found"},
        {"SQL-looking code", "POST", "/api/v1/commands/x%27%20OR%20%271%27%3D%271/process", ada, a,
         404, "command not found"},
        {"malformed JSON", "POST", upper, ada, "{text:", 422, "validation error"},
        {"text of the wrong type", "POST", upper, ada, R"({"text":["a"]})", 422,
         "validation error"},
        {"deeply nested JSON", "POST", upper, ada, "{\"text\":\"a\",\"x\":" + deep + "}", 422,
         "validation error"},
        {"invalid UTF-8", "POST", upper, ada, "{\"text\":\"\xFF\xFE\"}", 422, "validation error"},
        {"expired plan", "POST", upper, expired, a, 403, "subscription required"},
        {"longer than the plan allows", "POST", fix, tiny, R"({"text":"abcdef"})", 422,
         "text too long"},
        {"toggle beyond the allowance", "POST", "/api/v1/commands/title-case/toggle", ada, "", 403,
         "command limit reached"},
        {"unknown path under the API", "GET", "/api/v1/nothing", ada, "", 404, "not found"},
        {"path outside the API", "GET", "/index.html", "", "", 404, "not found"},
        {"GET of a POST endpoint", "GET", upper, ada, "", 405, "method not allowed"},
        {"body over 1 MiB", "POST", upper, ada, std::string(1024 * 1024 + 10, 'a'), 413,
         "payload too large"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto result = send(c.method, c.path, c.token, c.body);
        ASSERT_TRUE(result) << httplib::to_string(result.error());
        EXPECT_EQ(result->status, c.status);
        EXPECT_EQ(result->get_header_value("Content-Type"), "application/json");
        const auto body = json::parse(result->body, nullptr, false);
        ASSERT_TRUE(body.is_object()) << result->body;
        if (c.error) {
            EXPECT_EQ(body.value("error", ""), c.error);
            EXPECT_FALSE(body.value("message", "").empty());
            // Known before any text, a refusal is the same to a client asking for a stream.
            const auto streamed = send(c.method, c.path, c.token, c.body, true);
            EXPECT_EQ(streamed->status, c.status);
            EXPECT_EQ(streamed->body, result->body);
        } else {
            EXPECT_FALSE(body.contains("error")) << result->body;
        }
    }
    auto stillServing = send("GET", "/api/v1/commands", ada, "");
    ASSERT_TRUE(stillServing);
    EXPECT_EQ(stillServing->status, 200);
}

// The app's end-to-end runs read the account, the list and a processed text;
// these are the times and counts they do not show.
TEST_F(ServiceEndpointsTest, RepliesCarryTheRecordsTheClientDecodes) {
    auto user = json::parse(send("GET", "/api/v1/user", ada, "")->body);
    EXPECT_EQ(user["user"]["created_at"], "2026-12-06T12:00:00.000000Z");
    EXPECT_EQ(user["user"]["statistics"],
              (json{{"monthly_usage", 0},
                    {"remaining_requests", 50},
                    {"monthly_limit", 50},
                    {"next_reset_date", "2027-01-01T00:00:00.000000Z"}}));

    auto off = json::parse(send("POST", "/api/v1/commands/upper-case/toggle", ada, "")->body);
    EXPECT_EQ(
        off,
        (json{{"message", "Command disabled."},
              {"data", {{"code", "upper-case"}, {"name", "UPPER CASE"}, {"is_active", false}}}}));
}

TEST_F(ServiceEndpointsTest, MonthlyLimitAdmitsThePlanAllowanceThenRefuses) {
    const auto process = [&] {
        return send("POST", "/api/v1/commands/fix-sentences/process", tiny, R"({"text":"hi"})");
    };
    EXPECT_EQ(process()->status, 200);
    EXPECT_EQ(process()->status, 200);
    EXPECT_EQ(send("POST", "/api/v1/commands/fix-sentences/process", tiny, R"({"text":"hi"})", true)
                  ->status,
              429)
        << "a stream is refused as plainly";
    auto refused = process();
    EXPECT_EQ(refused->status, 429);
    EXPECT_EQ(json::parse(refused->body),
              (json{{"error", "rate limit exceeded"},
                    {"message", "Monthly request limit exceeded."},
                    {"limit_info",
                     {{"current_usage", 2},
                      {"monthly_limit", 2},
                      {"reset_date", "2027-01-01T00:00:00.000000Z"}}}}));
    server.now = std::chrono::sys_days{std::chrono::year{2027} / 1 / 1}; // a new UTC month
    EXPECT_EQ(process()->status, 200);
}

TEST_F(ServiceEndpointsTest, SignInIssuesATokenThatSignOutRevokes) {
    server.addUser("real@example.com", "Free", std::nullopt, true);
    auto wrongPassword =
        send("POST", "/api/v1/auth/sign-in", "", R"({"email":"real@example.com","password":"no"})");
    auto unknownEmail =
        send("POST", "/api/v1/auth/sign-in", "", R"({"email":"who@example.com","password":"no"})");
    EXPECT_EQ(wrongPassword->status, 422);
    EXPECT_EQ(wrongPassword->body, unknownEmail->body);
    EXPECT_EQ(json::parse(wrongPassword->body),
              (json{{"error", "invalid credentials"},
                    {"message", "The e-mail or password is incorrect."}}));

    auto signedIn = send("POST", "/api/v1/auth/sign-in", "",
                         R"({"email":"REAL@example.com","password":"password-1"})");
    ASSERT_EQ(signedIn->status, 200);
    const std::string token = json::parse(signedIn->body)["token"];
    EXPECT_EQ(send("GET", "/api/v1/user", token, "")->status, 200);
    EXPECT_EQ(send("POST", "/api/v1/auth/sign-out", token, "")->status, 200);
    EXPECT_EQ(send("GET", "/api/v1/user", token, "")->status, 401);
    EXPECT_EQ(send("GET", "/api/v1/user", ada, "")->status, 200); // other sessions stay
}

// Over HTTP: X-Forwarded-For decides the address only when the request
// comes from the configured proxy; otherwise an attacker could claim to be
// its victim's known address.
TEST(ForwardedAddressTest, OnlyATrustedProxyNamesTheClientAddress) {
    for (const bool trusted : {true, false}) {
        SCOPED_TRACE(trusted ? "behind a trusted proxy" : "no proxy configured");
        TestServer server;
        if (trusted) {
            server.trustedProxy = "127.0.0.1";
            server.restart();
        }
        server.addUser("bob@example.com", "Free", std::nullopt, true);
        auto client = server.client();
        auto signIn = [&](const char* email, const char* password, const char* forwardedFor) {
            const nlohmann::json body = {{"email", email}, {"password", password}};
            return client.Post("/api/v1/auth/sign-in", {{"X-Forwarded-For", forwardedFor}},
                               body.dump(), "application/json");
        };
        EXPECT_EQ(signIn("bob@example.com", "password-1", "192.0.2.1")->status, 200); // at home
        // Case variants of one address share its budget.
        for (const char* email : {"BOB@example.com", "Bob@Example.com", "bob@EXAMPLE.com"})
            EXPECT_EQ(signIn(email, "guess", "10.9.9.9, 198.51.100.7")->status, 422);
        // Trusted, the guesses came from 198.51.100.7 and home is untouched;
        // untrusted, every request is 127.0.0.1, the owner's known pair,
        // whose three failures now hold even the right password back.
        const auto last = signIn("bOb@example.com", "password-1", "192.0.2.1");
        EXPECT_EQ(last->status, trusted ? 200 : 429);
        if (!trusted) {
            EXPECT_EQ(nlohmann::json::parse(last->body)["error"], "too many attempts");
            EXPECT_FALSE(last->get_header_value("Retry-After").empty());
        }
    }
}

} // namespace
} // namespace scribeon::server
