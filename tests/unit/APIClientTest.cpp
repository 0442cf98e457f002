#include "service/APIClient.h"
#include "service/RemoteAuthService.h"
#include "tests/fakes/ServiceStack.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

class APIClientTest : public testing::Test, protected ServiceStack {
protected:
    // What a call hands its completion once the main queue has run.
    template <typename Result, typename Send> Result outcome(Send send) {
        std::optional<Result> result;
        send([&](Result r) { result = std::move(r); });
        queue.runPending();
        return std::move(result).value();
    }
    template <typename Reply> ServiceResult<Reply> call(const std::string& endpoint = "/user") {
        return outcome<ServiceResult<Reply>>(
            [&](auto done) { client.request<Reply>(endpoint, "GET", true, done); });
    }
    std::optional<std::string> stored(const char* key) {
        return store.read(KeychainService::serviceName, key);
    }
    ServiceResult<std::string> login(const std::string& email, const std::string& password) {
        return outcome<ServiceResult<std::string>>(
            [&](auto done) { auth.login(email, password, done); });
    }

    RemoteAuthService auth{client, keychain, preferences, queue};
};

TEST_F(APIClientTest, NonSuccessRepliesMapToTheirErrorAndMessage) {
    using K = APIError::Kind;
    const std::tuple<long, const char*, K, std::string> cases[] = {
        {201, R"({"message":"Created"})", K::unknown, "Created"},
        {204, "", K::unknown, "An unexpected error occurred."},
        {403, R"({"error":"XX COMMAND LIMIT YY"})", K::commandLimitExceeded,
         "Command limit exceeded."},
        {403, R"({"error":"command limit reached","message":"Only 3 active."})",
         K::commandLimitExceeded, "Only 3 active."},
        {404, "<html>Not found</html>", K::commandNotFound, "Command not found or inactive."},
        {422, R"({"error":"text too long","text_length":12000,"message":"Too long!"})",
         K::validationError, "Too long!"},
        {422, R"({"error":"text too long"})", K::validationError, "Validation error."},
        {422, R"({"error":"Response Incomplete"})", K::responseIncomplete,
         "The AI response was incomplete. Please try with shorter text."},
        {429, R"({"message":"Slow down","limit_info":{}})", K::rateLimitExceeded, "Slow down"},
        {599, "", K::serverError, "Server error. Please try again later."},
        {418, "", K::unknown, "An unexpected error occurred."},
        // A body of the wrong shape is treated as absent: status alone decides.
        {422, R"({"error":5,"message":"typed wrong"})", K::validationError, "Validation error."},
        {429, R"(["not","an","object"])", K::rateLimitExceeded, "Monthly request limit exceeded."},
    };
    for (const auto& [status, body, kind, message] : cases) {
        transport.reply(status, body);
        auto result = call<UserResponse>();
        ASSERT_TRUE(!result && result.error().apiError()) << status << " " << body;
        EXPECT_EQ(std::pair(result.error().apiError()->kind(), result.error().description()),
                  std::pair(kind, message))
            << status << " " << body;
    }
}

TEST_F(APIClientTest, AFailedTransportSaysWhyAndARateLimitWhenItResets) {
    transport.fail({TransportError::Code::foreign, "plain http is refused for example.com"});
    EXPECT_EQ(call<UserResponse>().error().description(),
              "Network error: plain http is refused for example.com");
    transport.reply(429, R"({"limit_info":{"reset_date":"2027-01-01T00:00:00.000Z"}})");
    EXPECT_EQ(call<UserResponse>().error().apiError()->resetDate(), "2027-01-01T00:00:00.000Z");
    transport.reply(429, R"({"message":"m"})");
    EXPECT_FALSE(call<UserResponse>().error().apiError()->resetDate());
}

// The address and body run against the service in the contract and
// end-to-end tests; here what it does not insist on.
TEST_F(APIClientTest, OnlyAnAuthenticatedCallCarriesTheTokenAndEachCallIsTypedAndTimed) {
    store.save(KeychainService::serviceName, "auth_token", "tok-123");
    client.request<AuthResponse>("/auth/sign-in", "POST", LoginRequest{"a", "b"}, false,
                                 [](const ServiceResult<AuthResponse>&) {});
    call<UserResponse>();
    EXPECT_FALSE(transport.header(0, "Authorization"));
    EXPECT_EQ(transport.header(1, "Authorization"), "Bearer tok-123");
    EXPECT_EQ(transport.requests.at(0).timeout, std::chrono::seconds(60));
    EXPECT_EQ(transport.header(0, "Content-Type"), "application/json");
}

TEST_F(APIClientTest, UnformableURLOrUnencodableBodySendsNothing) {
    for (const char* endpoint : {"/commands/a b/process", "/commands/x\"y/toggle", "/commands/%zz",
                                 "/commands/{x}", "/commands/\xC3\xA9"}) {
        auto result = call<UserResponse>(endpoint);
        EXPECT_TRUE(result.error().is(APIError::Kind::invalidResponse)) << endpoint;
    }
    const auto unencodable = outcome<ServiceResult<ProcessResponse>>([&](auto done) {
        client.request<ProcessResponse>("/commands/fix", "POST", ProcessRequest{"\xFF"}, true,
                                        done);
    });
    EXPECT_TRUE(unencodable.error().codingError());
    EXPECT_TRUE(transport.requests.empty());
}

TEST_F(APIClientTest, OnlyARequestForARecordDecodesTheBodyOfASuccess) {
    transport.reply(200, "not json at all");
    transport.reply(200, "not json at all");
    const auto signOut = [&] {
        return outcome<ServiceResult<Done>>(
            [&](auto done) { client.requestVoid("/auth/sign-out", "POST", true, done); });
    };
    EXPECT_TRUE(signOut());
    EXPECT_TRUE(call<UserResponse>().error().codingError());
    transport.reply(204, "");
    EXPECT_TRUE(signOut().error().is(APIError::Kind::unknown));
}

TEST_F(APIClientTest, SignInStoresTokenAndEmailAsPassedIfTheStoreCan) {
    transport.reply(200, R"({"message":"Signed in","token":"tok-1"})");
    EXPECT_EQ(login(" Ada@Example.com", "pw").value(), "tok-1");
    EXPECT_EQ(stored("auth_token"), "tok-1");
    EXPECT_EQ(stored("user_email"), " Ada@Example.com");
    store.refuseWrites = true; // a keyring that cannot store still signs in, for this session
    transport.reply(200, R"({"message":"ok","token":"t"})");
    EXPECT_TRUE(login("a@b.c", "pw"));
}

// A refused password runs against the real service end to end; here a
// success that carries no token.
TEST_F(APIClientTest, ASignInWithoutATokenFailsWithTheServicesWordsAndStoresNothing) {
    store.save(KeychainService::serviceName, "auth_token", "earlier");
    transport.reply(200, R"({"message":"Please verify your e-mail first."})");
    auto result = login("a@b.c", "pw");
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().description(), "Please verify your e-mail first.");
    EXPECT_EQ(stored("auth_token"), "earlier");
    EXPECT_FALSE(stored("user_email"));
}

TEST_F(APIClientTest, SignOutCleansUpLocallyEvenOfflineAndKeepsOrderAndEmojis) {
    store.save(KeychainService::serviceName, "auth_token", "tok");
    store.save(KeychainService::serviceName, "user_email", "a@b.c");
    preferences.setData("cachedCommands", "[]");
    preferences.setTextList("commandOrder", {"a"});
    preferences.setTextMap("commandEmojis", {{"a", "x"}});
    transport.fail({TransportError::Code::notConnectedToInternet, "offline"});
    bool done = false;
    auth.logout([&] { done = true; });
    queue.runPending();
    EXPECT_EQ(transport.header(0, "Authorization"), "Bearer tok");
    EXPECT_EQ(std::tuple(done, store.items.empty(), preferences.data("cachedCommands").has_value(),
                         preferences.textList("commandOrder").has_value(),
                         preferences.textMap("commandEmojis").has_value()),
              std::tuple(true, true, false, true, true));
}

// Ended and offline run against the service end to end; here the refusals:
// a token the service no longer knows is forgotten, one it failed on is kept.
TEST_F(APIClientTest, SignOutEverywhereForgetsTheTokenOnlyWhenTheServiceIsDoneWithIt) {
    for (const auto& [status, body, kept] :
         {std::tuple(401, "", false),
          std::tuple(500, R"({"error":"server_error","message":"x"})", true)}) {
        store.save(KeychainService::serviceName, "auth_token", "tok");
        preferences.setData("cachedCommands", "[]");
        transport.reply(status, body);
        EXPECT_FALSE(outcome<ServiceResult<Done>>([&](auto done) { auth.logoutEverywhere(done); }))
            << status;
        EXPECT_EQ(std::pair(stored("auth_token").has_value(),
                            preferences.data("cachedCommands").has_value()),
                  std::pair(kept, kept))
            << status;
    }
}

} // namespace
} // namespace scribeon
