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

// Applies `edit` to a valid reply and returns the decode failure text, or
// "ok" when it decoded.
template <typename Record> std::string decodeEdited(const char* valid, void (*edit)(Json&)) {
    Json json = Json::parse(valid);
    edit(json);
    auto result = decodeBody<Record>(json.dump());
    return result ? "ok" : result.error().description;
}

struct FailureCase {
    const char* name;
    void (*edit)(Json&);
    const char* expected; // "ok" or a fragment of the description
};

TEST(RecordCodingTest, UserDecodingAppliesTheStrictRules) {
    const FailureCase cases[] = {
        {"unchanged", [](Json&) {}, "ok"},
        {"null optional", [](Json& j) { j["user"]["email_verified_at"] = nullptr; }, "ok"},
        {"extra keys at every level",
         [](Json& j) {
             j["extra"] = 1;
             j["user"]["avatar"] = {{"url", "x"}};
             j["user"]["statistics"]["bonus"] = true;
         },
         "ok"},
        {"missing nested required", [](Json& j) { j["user"]["statistics"].erase("monthly_limit"); },
         "key \"monthly_limit\" of user.statistics: missing"},
        {"null required", [](Json& j) { j["user"]["created_at"] = nullptr; },
         "key \"created_at\" of user: required but null"},
        {"wrong type text", [](Json& j) { j["user"]["name"] = 5; },
         "key \"name\" of user: expected a string, found an integer"},
        {"wrong type optional", [](Json& j) { j["user"]["email_verified_at"] = 1; },
         "key \"email_verified_at\" of user: expected a string"},
        {"fractional integer", [](Json& j) { j["user"]["id"] = 42.0; },
         "key \"id\" of user: expected an integer, found a fractional number"},
        {"largest signed 64-bit",
         [](Json& j) { j["user"]["id"] = std::numeric_limits<std::int64_t>::max(); }, "ok"},
        {"one past signed 64-bit",
         [](Json& j) {
             j["user"]["id"] = std::uint64_t(std::numeric_limits<std::int64_t>::max()) + 1;
         },
         "key \"id\" of user: integer out of the signed 64-bit range"},
        {"statistics not an object", [](Json& j) { j["user"]["statistics"] = Json::array(); },
         "user.statistics: expected an object, found an array"},
        {"reply not an object", [](Json& j) { j = Json::array(); },
         "the reply: expected an object, found an array"}};
    for (const auto& c : cases) {
        const std::string outcome = decodeEdited<UserResponse>(validUser, c.edit);
        EXPECT_NE(outcome.find(c.expected), std::string::npos) << c.name << ": " << outcome;
    }
}

TEST(RecordCodingTest, ACommandListFailsAsAWholeOnOneBadEntry) {
    struct Case {
        const char *body, *expected;
    };
    const Case cases[] = {
        {R"({"data":[{"code":"a","name":"A","is_active":true},{"code":"b","name":"B"}]})",
         "key \"is_active\" of data[1]: missing"},
        {R"({"data":[{"code":"a","name":"A","is_active":1}]})",
         "key \"is_active\" of data[0]: expected a boolean, found an integer"},
        {R"({"data":{"code":"a"}})", "key \"data\": expected an array, found an object"},
        {R"({"data":[)", "not valid JSON"},
        {"{\"data\":[{\"code\":\"\xFF\",\"name\":\"A\",\"is_active\":true}]}", "not valid JSON"},
    };
    for (const auto& c : cases) {
        auto result = decodeBody<CommandsResponse>(c.body);
        ASSERT_FALSE(result) << c.body;
        EXPECT_NE(result.error().description.find(c.expected), std::string::npos)
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
