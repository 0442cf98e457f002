#include "TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace scribeon::server {
namespace {

std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

// The free plan allows 2,000 characters; what counts as too long holds for
// any input, and a refused text is never counted.
TEST(TextLimitsTest, TooLongByAnyMeasureIsRefusedBeforeItIsCounted) {
    TestServer server;
    const std::string token = server.addUser("ada@example.com");
    const std::string accent = "\xCC\x81"; // U+0301
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
        const nlohmann::json body = {{"text", c.text}};
        const auto reply = server.api->handle({"POST",
                                               "/api/v1/commands/upper-case/process",
                                               "Bearer " + token,
                                               body.dump(),
                                               "127.0.0.1",
                                               {},
                                               {}});
        EXPECT_EQ(reply.status, c.status) << c.name;
        if (c.status == 422) {
            EXPECT_EQ(reply.body["error"], "text too long") << c.name;
            EXPECT_EQ(reply.body["max_length"], 2000) << c.name;
        }
        admitted += reply.status == 200;
    }
    const auto user = server.storage->credentials("ada@example.com");
    ASSERT_TRUE(user);
    EXPECT_EQ(server.storage->usage(user->first, utcMonthOf(server.now).key), admitted);
}

} // namespace
} // namespace scribeon::server
