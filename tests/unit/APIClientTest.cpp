#include "service/APIClient.h"

#include "tests/fakes/FakeHttpTransport.h"
#include "tests/fakes/InMemoryCredentialStore.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

class APIClientTest : public testing::Test {
protected:
    template <typename Reply> ServiceResult<Reply> call(const std::string& endpoint = "/user") {
        std::optional<ServiceResult<Reply>> outcome;
        client.request<Reply>(endpoint, "GET", true,
                              [&](ServiceResult<Reply> r) { outcome = std::move(r); });
        return std::move(*outcome);
    }

    FakeHttpTransport transport;
    InMemoryCredentialStore store;
    KeychainService keychain{store};
    APIClient client{transport, keychain, "https://scribeon.test/api/v1"};
};

TEST_F(APIClientTest, NonSuccessRepliesMapToTheirErrorAndMessage) {
    struct Case {
        long status;
        const char* body;
        APIError::Kind kind;
        const char* message;
    };
    using K = APIError::Kind;
    const Case cases[] = {
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
    for (const auto& c : cases) {
        transport.reply(c.status, c.body);
        auto result = call<UserResponse>();
        ASSERT_FALSE(result) << c.status << " " << c.body;
        ASSERT_TRUE(result.error().apiError());
        EXPECT_EQ(result.error().apiError()->kind(), c.kind) << c.status << " " << c.body;
        EXPECT_EQ(result.error().description(), c.message) << c.status << " " << c.body;
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
    std::optional<ServiceResult<ProcessResponse>> outcome;
    client.request<ProcessResponse>(
        "/commands/fix/process", "POST", ProcessRequest{"\xFF"}, true,
        [&](ServiceResult<ProcessResponse> r) { outcome = std::move(r); });
    EXPECT_TRUE(outcome->error().codingError());
    EXPECT_TRUE(transport.requests.empty());
}

TEST_F(APIClientTest, OnlyARequestForARecordDecodesTheBodyOfASuccess) {
    transport.reply(200, "not json at all");
    transport.reply(200, "not json at all");
    std::optional<ServiceResult<Done>> outcome;
    client.requestVoid("/auth/sign-out", "POST", true,
                       [&](const ServiceResult<Done>& r) { outcome = r; });
    EXPECT_TRUE(outcome && *outcome);
    EXPECT_TRUE(call<UserResponse>().error().codingError());
    transport.reply(204, "");
    client.requestVoid("/auth/sign-out", "POST", true,
                       [&](const ServiceResult<Done>& r) { outcome = r; });
    EXPECT_TRUE(outcome->error().is(APIError::Kind::unknown));
}

} // namespace
} // namespace scribeon
