#include "server/processors/ChatReplyDecoder.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace scribeon::server {
namespace {

using nlohmann::json;

std::string chunk(const json& delta, const json& finish = nullptr) {
    return "data: " +
           json{{"choices", {{{"index", 0}, {"delta", delta}, {"finish_reason", finish}}}}}.dump() +
           "\n\n";
}

std::string stream(const std::vector<std::string>& pieces, const char* finish = "stop",
                   bool done = true) {
    std::string bytes = ": a comment first\n\n" + chunk({{"role", "assistant"}});
    for (const auto& piece : pieces)
        bytes += chunk({{"content", piece}});
    if (finish)
        bytes += chunk(json::object(), finish);
    return done ? bytes + "data: [DONE]\n\n" : bytes;
}

std::string whole(const std::string& content, const char* finish = "stop") {
    return json{
        {"choices",
         {{{"message", {{"role", "assistant"}, {"content", content}}}, {"finish_reason", finish}}}}}
        .dump();
}

// Every reply is read whole, a byte at a time and in pieces of 7 bytes, so
// lines, JSON objects and UTF-8 characters are cut everywhere.
TEST(ChatReplyDecoderTest, ReadsEveryFormAndCutAndEndsAsTheWholeWould) {
    const struct {
        const char* name;
        std::string bytes;
        long status;
        std::string text;
        const char* error; // none: a success
        bool textStarted;
    } cases[] = {
        {"stream", stream({"h\xC3\xA9", "llo \xE6\x97\xA5", "\xE6\x9C\xAC"}), 200,
         "h\xC3\xA9llo \xE6\x97\xA5\xE6\x9C\xAC", nullptr, true},
        {"blanks inside kept, outside dropped", stream({"  ", "\nHi", " ", " there", "  \n"}), 200,
         "Hi  there", nullptr, true},
        {"two blocks", stream({"A<think>x</think>B<think>y</thi", "nk>C"}), 200, "ABC", nullptr,
         true},
        {"unclosed reasoning", stream({"Yes<think>but", " no"}), 200, "Yes", nullptr, true},
        {"a tag's start that is no tag", stream({"a <thin", "g"}), 200, "a <thing", nullptr, true},
        {"finish without [DONE]", stream({"ok"}, "stop", false), 200, "ok", nullptr, true},
        {"an error chunk", "data: {\"error\":{\"message\":\"overloaded\"}}\n\n", 200, "",
         "upstream error", false},
        {"a chunk that is no JSON", "data: {\"choi\n\n", 200, "", "upstream error", false},
        {"one JSON body", " \n" + whole("<think>x</think> The text.\n"), 200, "The text.", nullptr,
         true},
        {"one JSON body cut short", whole("The te", "length"), 200, "", "response incomplete",
         false},
        {"one JSON body without text", R"({"choices":[{"message":{"content":5}}]})", 200, "",
         "upstream error", false},
        {"the back end's error", R"({"error":{"message":"no model"}})", 404, "", "upstream error",
         false},
    };
    for (const auto& c : cases) {
        for (const std::size_t cut : {c.bytes.size(), std::size_t{1}, std::size_t{7}}) {
            SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(cut));
            ChatReplyDecoder decoder;
            std::string text;
            for (std::size_t at = 0; at < c.bytes.size() && !decoder.failed(); at += cut)
                text += decoder.feed(std::string_view(c.bytes).substr(at, cut), c.status);
            const auto end = decoder.finish();
            EXPECT_EQ(decoder.textStarted(), c.textStarted);
            text += end.text;
            EXPECT_EQ(text, c.text);
            if (c.error) {
                ASSERT_TRUE(end.failure);
                EXPECT_EQ(end.failure->error, c.error);
                EXPECT_FALSE(end.failure->message.empty());
            } else {
                EXPECT_FALSE(end.failure) << end.failure->message;
            }
        }
    }
}

} // namespace
} // namespace scribeon::server
