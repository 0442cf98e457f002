#include "TestServer.h"

#include "server/accounts/UserText.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace scribeon::server {
namespace {

using nlohmann::json;
using std::chrono::days;
using std::chrono::hours;

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

    int get(const std::string& token) { return server.call("GET", "/api/v1/user", token).status; }
    std::string signIn() {
        const auto reply =
            server.call("POST", "/api/v1/auth/sign-in", "",
                        R"({"email":"real@example.com","password":"password-1"})", "192.0.2.1");
        EXPECT_EQ(reply.status, 200);
        return reply.body.value("token", "");
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
    const char *invalid = "validation error", *noCommand = "command not found";
    const struct {
        const char* name;
        const char* method;
        std::string path, token, body;
        int status;
        const char* error; // expected "error" field, or nullptr for a success
    } cases[] = {
        {"sign-in, malformed JSON", "POST", signIn, "", "{\"email\":", 422, invalid},
        {"sign-in, no password", "POST", signIn, "", R"({"email":"a@b.c"})", 422, invalid},
        {"user, no token", "GET", user, "", "", 401, "unauthenticated"},
        {"user, unknown token", "GET", user, "forged-token", "", 401, "unauthenticated"},
        {"process", "POST", upper, ada, a, 200, nullptr},
        {"unknown code", "POST", "/api/v1/commands/shout/process", ada, a, 404, noCommand},
        {"inactive command", "POST", "/api/v1/commands/title-case/process", ada, a, 404, noCommand},
        {"traversal-looking code", "POST", "/api/v1/commands/..%2fuser/process", ada, a, 404,
         "not found"},
        {"SQL-looking code", "POST", "/api/v1/commands/x%27%20OR%20%271%27%3D%271/process", ada, a,
         404, noCommand},
        {"malformed JSON", "POST", upper, ada, "{text:", 422, invalid},
        {"text of the wrong type", "POST", upper, ada, R"({"text":["a"]})", 422, invalid},
        {"deeply nested JSON", "POST", upper, ada, "{\"text\":\"a\",\"x\":" + deep + "}", 422,
         invalid},
        {"invalid UTF-8", "POST", upper, ada, "{\"text\":\"\xFF\xFE\"}", 422, invalid},
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
        const auto body = json::parse(result->body, nullptr, false);
        ASSERT_TRUE(body.is_object()) << result->body;
        EXPECT_EQ(std::tuple(result->status, result->get_header_value("Content-Type"),
                             body.value("error", "")),
                  std::tuple(c.status, "application/json", c.error ? c.error : ""));
        if (c.error) {
            EXPECT_FALSE(body.value("message", "").empty());
            // Known before any text, a refusal is the same to a client asking for a stream.
            const auto streamed = send(c.method, c.path, c.token, c.body, true);
            EXPECT_EQ(std::pair(streamed->status, streamed->body),
                      std::pair(c.status, result->body));
        }
    }
    EXPECT_EQ(send("GET", "/api/v1/commands", ada, "")->status, 200) << "still serving";
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
    const auto process = [&](bool stream = false) {
        return send("POST", "/api/v1/commands/fix-sentences/process", tiny, R"({"text":"hi"})",
                    stream);
    };
    EXPECT_EQ(process()->status, 200);
    EXPECT_EQ(process()->status, 200);
    EXPECT_EQ(process(true)->status, 429) << "a stream is refused as plainly";
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

TEST_F(ServiceEndpointsTest, SignInIssuesATokenThatSignOutAndSignOutEverywhereRevoke) {
    server.addUser("real@example.com", "Free", std::nullopt, true);
    const auto signInWith = [&](const char* body) {
        return send("POST", "/api/v1/auth/sign-in", "", body);
    };
    auto wrongPassword = signInWith(R"({"email":"real@example.com","password":"no"})");
    EXPECT_EQ(wrongPassword->status, 422);
    EXPECT_EQ(wrongPassword->body,
              signInWith(R"({"email":"who@example.com","password":"no"})")->body);
    EXPECT_EQ(json::parse(wrongPassword->body),
              (json{{"error", "invalid credentials"},
                    {"message", "The e-mail or password is incorrect."}}));

    auto signedIn = signInWith(R"({"email":"REAL@example.com","password":"password-1"})");
    ASSERT_EQ(signedIn->status, 200);
    const std::string token = json::parse(signedIn->body)["token"];
    EXPECT_EQ(get(token), 200);
    EXPECT_EQ(send("POST", "/api/v1/auth/sign-out", token, "")->status, 200);
    EXPECT_EQ(std::pair(get(token), get(ada)), std::pair(401, 200)) << "other sessions stay";

    // Signing out everywhere ends every sign-in of that account, and only those.
    const std::string laptop = signIn(), phone = signIn();
    EXPECT_EQ(server.call("POST", "/api/v1/auth/sign-out-everywhere", phone).status, 200);
    EXPECT_EQ(std::tuple(get(laptop), get(phone), get(ada)), std::tuple(401, 401, 200));
    EXPECT_EQ(server.call("POST", "/api/v1/auth/sign-out-everywhere", phone).status, 401);
}

// The free plan allows 2,000 characters; what counts as too long holds for
// any input, and a refused text is never counted.
TEST_F(ServiceEndpointsTest, TooLongByAnyMeasureIsRefusedBeforeItIsCounted) {
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D"
                               "\xF0\x9F\x91\xA7\xE2\x80\x8D\xF0\x9F\x91\xA6"; // 7 code points
    const struct {
        const char* name;
        std::string text;
        int status;
    } cases[] = {
        {"2,000 letters", std::string(2000, 'a'), 200},
        {"2,001 letters", std::string(2001, 'a'), 422},
        {"2,000 family emoji", repeated(family, 2000), 200},
        {"a letter with 20 accents", "a" + repeated(accent, 20), 200},
        {"a letter with 40 accents", "a" + repeated(accent, 40), 422},
        {"a letter with 450,000 accents", "a" + repeated(accent, 450000), 422},
        {"1,000 letters with 16 accents each", repeated("e" + repeated(accent, 16), 1000), 422},
    };
    std::int64_t admitted = 0;
    for (const auto& c : cases) {
        const auto reply = server.call("POST", "/api/v1/commands/upper-case/process", ada,
                                       nlohmann::json{{"text", c.text}}.dump());
        EXPECT_EQ(reply.status, c.status) << c.name;
        admitted += reply.status == 200;
    }
    EXPECT_EQ(server.storage->usage(1, utcMonthOf(server.now).key), admitted);
}

// Kept text (names, e-mails, prompts): controls of every kind are refused,
// the characters next to them in the encoding are not.
TEST(UserTextTest, ControlsAreRefusedAndTheirNeighboursKept) {
    const struct {
        std::string text;
        bool oneLine, multiline; // refused as a one-line field, as a multi-line one
    } cases[] = {
        {"plain", false, false},
        {"caf\xC3\xA9 \xC2\xA3 \xC2\xA9 \xC2\xA0", false, false}, // é £ © and a no-break space
        {"\xC2\xBF\xC3\x80", false, false},                       // ¿ À, past the C1 range
        {std::string("a\0b", 3), true, true},
        {"a\x1B[2J", true, true},
        {"a\x7F", true, true},
        {"a\xC2\x80", true, true}, // U+0080, first of C1
        {"a\xC2\x9B", true, true}, // CSI
        {"a\xC2\x9F", true, true}, // U+009F, last of C1
        {"line\nbreak\r\n\ttab", true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hasControlCharacters(c.text, false), c.oneLine) << nlohmann::json(c.text);
        EXPECT_EQ(hasControlCharacters(c.text, true), c.multiline) << nlohmann::json(c.text);
    }
}

TEST(UserTextTest, CharactersAreBoundedInBytesAndCodePointsToo) {
    const struct {
        const char* name;
        std::string text;
        std::size_t maximum;
        bool fits;
    } cases[] = {
        {"60 letters in 60", std::string(60, 'n'), 60, true},
        {"61 letters in 60", std::string(61, 'n'), 60, false},
        {"a letter and 31 accents (32 code points)", "a" + repeated(accent, 31), 10, true},
        {"a letter and 32 accents", "a" + repeated(accent, 32), 10, false},
        {"a letter and 5,000 accents", "a" + repeated(accent, 5000), 100, false},
        {"8 code points per character", repeated("n" + repeated(accent, 7), 60), 60, true},
        {"9 code points per character", repeated("n" + repeated(accent, 8), 60), 60, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fitsCharacters(c.text, c.maximum), c.fits) << c.name;
}

TEST_F(ServiceEndpointsTest, ATokenExpiresAfterNinetyDaysWithoutUseAndEachUseRenewsIt) {
    const struct {
        days after; // since the previous step
        int status;
    } steps[] = {
        {days(0), 200},  {days(89), 200}, // used on day 89: renewed
        {days(89), 200},                  // day 178, 89 days after the last use
        {days(91), 401},                  // 91 days unused
        {days(0), 401},                   // and it stays gone
    };
    for (const auto& step : steps) {
        server.now += step.after;
        EXPECT_EQ(get(ada), step.status);
    }
}

TEST_F(ServiceEndpointsTest, EachUserKeepsTwentySignInsTheLeastRecentlyUsedGoingFirst) {
    const std::string first = server.addUser("real@example.com", "Free", std::nullopt, true);
    server.now += hours(2);
    std::vector<std::string> tokens;
    for (std::size_t i = 0; i < SessionService::tokensPerUser; ++i) {
        tokens.push_back(signIn());
        server.now += hours(2);
    }
    EXPECT_EQ(get(tokens[0]), 200); // the first is now the most recently used
    server.now += hours(2);
    const std::string newest = signIn();
    EXPECT_EQ(get(first), 401) << "the least recently used went first";
    EXPECT_EQ(get(tokens[1]), 401) << "then the next";
    for (const std::string& kept : {tokens[0], tokens[2], tokens[19], newest})
        EXPECT_EQ(get(kept), 200);
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
