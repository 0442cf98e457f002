#include "TestServer.h"

#include "server/accounts/UserText.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace scribeon::server {
namespace {

// The free plan allows 2,000 characters; what counts as too long holds for
// any input, and a refused text is never counted.
TEST(TextLimitsTest, TooLongByAnyMeasureIsRefusedBeforeItIsCounted) {
    TestServer server;
    const std::string token = server.addUser("ada@example.com");
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
        const auto reply = server.call("POST", "/api/v1/commands/upper-case/process", token,
                                       nlohmann::json{{"text", c.text}}.dump());
        EXPECT_EQ(reply.status, c.status) << c.name;
        admitted += reply.status == 200;
    }
    const auto user = server.storage->credentials("ada@example.com");
    ASSERT_TRUE(user);
    EXPECT_EQ(server.storage->usage(user->first, utcMonthOf(server.now).key), admitted);
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

} // namespace
} // namespace scribeon::server
