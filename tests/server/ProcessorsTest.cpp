#include "server/processors/BuiltinTransforms.h"
#include "server/processors/ChatReplyDecoder.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace scribeon::server {
namespace {

using nlohmann::json;

TEST(BuiltinTransformsTest, EachTransformOnTypicalAndAwkwardText) {
    const struct {
        const char* transform;
        std::string input;
        std::string expected;
    } cases[] = {
        {"fix-sentences", "hello   world .this is  fine ,right?yes",
         "Hello world. This is fine, right? Yes"},
        {"fix-sentences", "pi is 3.14 ok,see e.g. example.com",
         "Pi is 3.14 ok, see e.g. example.com"},
        {"fix-sentences", "done.Next one!and more", "Done. Next one! And more"},
        {"fix-sentences", "first line\nsecond line", "First line\nsecond line"},
        {"fix-sentences", "\xC3\xA9t\xC3\xA9 ici. \xC3\xA0 bient\xC3\xB4t",
         "\xC3\x89t\xC3\xA9 ici. \xC3\x80 bient\xC3\xB4t"},
        {"lower-case", "\xC3\x89T\xC3\x89 ABC", "\xC3\xA9t\xC3\xA9 abc"},
        {"title-case", "the QUICK brown-fox o'neil", "The Quick Brown-Fox O'neil"},
        {"sort-lines", "pear\napple\nfig\n", "apple\nfig\npear\n"},
        {"remove-duplicate-lines", "a\nb\na\n\nb\n", "a\nb\n\n"},
        {"trim-trailing-space", "a  \r\nb\t\n  \nc ", "a\r\nb\n\nc"},
        {"reverse-lines", "1\n2\n3", "3\n2\n1"},
        {"upper-case", "\xF0\x9F\x91\x8D ok", "\xF0\x9F\x91\x8D OK"},
        {"upper-case", "a\xFF", "A\xEF\xBF\xBD"}, // invalid bytes become U+FFFD
    };
    for (const auto& c : cases) {
        const auto* transform = findBuiltinTransform(c.transform);
        ASSERT_NE(transform, nullptr) << c.transform;
        EXPECT_EQ(transform->apply(c.input), c.expected) << c.transform << ": " << c.input;
    }
}

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
    const char* upstream = "upstream error";
    const struct {
        const char* name;
        std::string bytes, text; // text is read exactly when some arrived
        const char* error;       // none: a success
        long status = 200;
    } cases[] = {
        {"stream", stream({"h\xC3\xA9", "llo \xE6\x97\xA5", "\xE6\x9C\xAC"}),
         "h\xC3\xA9llo \xE6\x97\xA5\xE6\x9C\xAC", nullptr},
        {"blanks inside kept, outside dropped", stream({"  ", "\nHi", " ", " there", "  \n"}),
         "Hi  there", nullptr},
        {"two blocks", stream({"A<think>x</think>B<think>y</thi", "nk>C"}), "ABC", nullptr},
        {"unclosed reasoning", stream({"Yes<think>but", " no"}), "Yes", nullptr},
        {"a tag's start that is no tag", stream({"a <thin", "g"}), "a <thing", nullptr},
        {"finish without [DONE]", stream({"ok"}, "stop", false), "ok", nullptr},
        {"an error chunk", "data: {\"error\":{\"message\":\"overloaded\"}}\n\n", "", upstream},
        {"a chunk that is no JSON", "data: {\"choi\n\n", "", upstream},
        {"one JSON body", " \n" + whole("<think>x</think> The text.\n"), "The text.", nullptr},
        {"one JSON body cut short", whole("The te", "length"), "", "response incomplete"},
        {"one JSON body without text", R"({"choices":[{"message":{"content":5}}]})", "", upstream},
        {"the back end's error", R"({"error":{"message":"no model"}})", "", upstream, 404},
    };
    for (const auto& c : cases) {
        for (const std::size_t cut : {c.bytes.size(), std::size_t{1}, std::size_t{7}}) {
            SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(cut));
            ChatReplyDecoder decoder;
            std::string text;
            for (std::size_t at = 0; at < c.bytes.size() && !decoder.failed(); at += cut)
                text += decoder.feed(std::string_view(c.bytes).substr(at, cut), c.status);
            const auto end = decoder.finish();
            using Error = std::optional<std::string>;
            EXPECT_EQ(std::tuple(text + end.text, decoder.textStarted(),
                                 end.failure ? Error(end.failure->error) : Error()),
                      std::tuple(c.text, !c.text.empty(), c.error ? Error(c.error) : Error()));
            EXPECT_FALSE(end.failure && end.failure->message.empty());
        }
    }
}

} // namespace
} // namespace scribeon::server
