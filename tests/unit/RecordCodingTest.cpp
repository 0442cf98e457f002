#include "wire/RecordCoding.h"

#include <gtest/gtest.h>

#include <limits>

namespace scribeon {
namespace {

using Json = nlohmann::json;

const char* validUser = R"({"user": {
    "id": 42, "name": "Ada", "email": "ada@example.com", "plan": "Pro",
    "email_verified_at": "2026-01-02T03:04:05.000Z", "created_at": "2025-12-01T00:00:00.000Z",
    "statistics": {"monthly_usage": 3, "remaining_requests": 97, "monthly_limit": 100,
                   "next_reset_date": "2027-01-01T00:00:00.000Z"}}})";

// Each row sets one value of a valid reply (the pointer "" is the whole
// reply); "ok" when it still decodes, else a fragment of the failure.
TEST(RecordCodingTest, UserDecodingAppliesTheStrictRules) {
    constexpr auto largest = std::numeric_limits<std::int64_t>::max();
    const std::tuple<const char*, Json, const char*> cases[] = {
        {"/user/email_verified_at", nullptr, "ok"},
        {"/extra", 1, "ok"},
        {"/user/avatar", {{"url", "x"}}, "ok"},
        {"/user/statistics/bonus", true, "ok"},
        {"/user/created_at", nullptr, "key \"created_at\" of user: required but null"},
        {"/user/name", 5, "key \"name\" of user: expected a string, found an integer"},
        {"/user/email_verified_at", 1, "key \"email_verified_at\" of user: expected a string"},
        {"/user/id", 42.0, "key \"id\" of user: expected an integer, found a fractional number"},
        {"/user/id", largest, "ok"},
        {"/user/id", std::uint64_t(largest) + 1, "of user: integer out of the signed 64-bit range"},
        {"/user/statistics", Json::array(), "user.statistics: expected an object, found an array"},
        {"", Json::array(), "the reply: expected an object, found an array"},
    };
    for (const auto& [pointer, value, expected] : cases) {
        Json json = Json::parse(validUser);
        json[Json::json_pointer(pointer)] = value;
        const auto result = decodeBody<UserResponse>(json.dump());
        const std::string outcome = result ? "ok" : result.error().description;
        EXPECT_NE(outcome.find(expected), std::string::npos) << pointer << ": " << outcome;
    }
}

TEST(RecordCodingTest, ACommandListFailsAsAWholeOnOneBadEntry) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"data":[{"code":"a","name":"A","is_active":true},{"code":"b","name":"B"}]})",
         "key \"is_active\" of data[1]: missing"},
        {R"({"data":[{"code":"a","name":"A","is_active":1}]})",
         "key \"is_active\" of data[0]: expected a boolean, found an integer"},
        {R"({"data":{"code":"a"}})", "key \"data\": expected an array, found an object"},
        {R"({"data":[)", "not valid JSON"},
        {"{\"data\":[{\"code\":\"\xFF\",\"name\":\"A\",\"is_active\":true}]}", "not valid JSON"},
    };
    for (const auto& [body, expected] : cases) {
        auto result = decodeBody<CommandsResponse>(body);
        ASSERT_FALSE(result) << body;
        EXPECT_NE(result.error().description.find(expected), std::string::npos)
            << result.error().description;
    }
}

// The service encodes what the client decodes, and both run against each
// other in the contract and end-to-end tests; a key misspelt on both sides
// would pass there, so the optionals are read under their documented names.
TEST(RecordCodingTest, OptionalsAreReadAndWrittenUnderTheirNames) {
    const auto user = decodeBody<UserResponse>(validUser).value().user;
    EXPECT_EQ(user.emailVerifiedAt, "2026-01-02T03:04:05.000Z");
    EXPECT_EQ(user.statistics.nextResetDate, "2027-01-01T00:00:00.000Z");
    EXPECT_FALSE(toJson(AuthResponse{"Check your e-mail", std::nullopt}).contains("token"));
    EXPECT_EQ(toJson(APIErrorResponse{}), Json::object());
}

} // namespace
} // namespace scribeon
