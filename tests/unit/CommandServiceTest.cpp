#include "service/CommandService.h"
#include "tests/fakes/ServiceStack.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace scribeon {
namespace {

using Codes = std::vector<std::string>;

Codes codes(const std::vector<Command>& commands) {
    Codes result;
    for (const auto& c : commands)
        result.push_back(c.code);
    return result;
}

class CommandServiceTest : public testing::Test, protected ServiceStack {};

TEST_F(CommandServiceTest, SortFollowsTheSavedOrderWithFirstPositionAndStableTail) {
    const std::pair<std::optional<Codes>, Codes> cases[] = {
        {std::nullopt, {"a", "b", "c", "d"}},
        {Codes{}, {"a", "b", "c", "d"}},
        {Codes{"b", "a"}, {"b", "a", "c", "d"}},
        {Codes{"a", "b", "a"}, {"a", "b", "c", "d"}}, // a repeated code counts where it is first
        {Codes{"c", "b", "c", "a"}, {"c", "b", "a", "d"}},
        {Codes{"zz", "d", "yy"}, {"d", "a", "b", "c"}},
    };
    for (const auto& [order, expected] : cases) {
        preferences.values.clear();
        if (order)
            preferences.setTextList("commandOrder", *order);
        const std::vector<Command> commands{
            {"a", "A", true}, {"b", "B", true}, {"c", "C", true}, {"d", "D", true}};
        EXPECT_EQ(codes(service.sortCommands(commands)), expected);
    }
}

// The list is cached as received, unsorted; neither a failed fetch nor a
// toggle touches the cache.
TEST_F(CommandServiceTest, FetchCachesTheListAsReceivedAndNothingElseChangesIt) {
    transport.reply(200, R"({"data":[{"code":"b","name":"B","is_active":false},
                                     {"code":"a","name":"A","is_active":true}]})");
    transport.reply(500, "");
    transport.reply(
        200,
        R"({"message":"Command disabled","data":{"code":"fix","name":"Fix","is_active":false}})");
    preferences.setTextList("commandOrder", {"a", "b"});
    std::vector<ServiceResult<std::vector<Command>>> fetched;
    service.fetchCommands([&](auto r) { fetched.push_back(std::move(r)); });
    service.fetchCommands([&](auto r) { fetched.push_back(std::move(r)); });
    std::optional<ServiceResult<Command>> toggled;
    service.toggleCommand("fix", [&](auto r) { toggled = std::move(r); });
    queue.runPending();
    ASSERT_EQ(fetched.size(), 2u);
    EXPECT_EQ(codes(fetched[0].value()), (Codes{"b", "a"}));
    EXPECT_FALSE(fetched[1]);
    EXPECT_EQ(toggled->value(), (Command{"fix", "Fix", false}));
    EXPECT_EQ(codes(*service.getCachedCommands()), (Codes{"b", "a"}));
}

TEST_F(CommandServiceTest, UnreadableCacheReadsAsAbsentAndStaysUntilTheNextFetch) {
    for (const std::string& garbage : {std::string("\x00\xFF garbage", 10), std::string("{}"),
                                       std::string(R"([{"code":"a"}])"), std::string("")}) {
        preferences.setData("cachedCommands", garbage);
        EXPECT_FALSE(service.getCachedCommands()) << garbage;
        EXPECT_EQ(preferences.data("cachedCommands"), garbage);
    }
    preferences.values["cachedCommands"] = std::vector<std::string>{"wrong kind"};
    EXPECT_FALSE(service.getCachedCommands());
}

TEST_F(CommandServiceTest, EmojisKeepEarlierEntriesAndDefaultToTheMemo) {
    const std::string sparkles = "\xE2\x9C\xA8", globe = "\xF0\x9F\x8C\x8D";
    const std::string wrench = "\xF0\x9F\x94\xA7";
    service.saveEmoji(sparkles, "fix");
    service.saveEmoji(globe, "translate");
    service.saveEmoji(wrench, "fix");
    EXPECT_EQ(service.getEmojis(),
              (std::map<std::string, std::string>{{"fix", wrench}, {"translate", globe}}));
    EXPECT_EQ(service.emojiFor("shorten"), "\xF0\x9F\x93\x9D");
}

TEST_F(CommandServiceTest, ACodeStaysOnePathSegment) {
    const std::pair<const char*, const char*> cases[] = {
        {"../user", "..%2Fuser"},     {"..", "%2E%2E"},
        {"a?b#c", "a%3Fb%23c"},       {"caf\xC3\xA9 x", "caf%C3%A9%20x"},
        {"v1.2_x~y-z", "v1.2_x~y-z"},
    };
    for (const auto& [code, segment] : cases) {
        service.processCommand(code, "t", [](auto) {});
        queue.runPending();
        EXPECT_EQ(transport.requests.back().url,
                  std::string("https://scribeon.test/api/v1/commands/") + segment + "/process");
    }
}

const auto event = &encodeStreamEvent;

TEST_F(CommandServiceTest, StreamedRunDeliversPiecesInOrderThenOneOutcome) {
    const HttpReplyHead sse{200, "text/event-stream; charset=utf-8"}, json{200, "application/json"};
    const std::string twoDeltas =
        event("delta", R"({"text":"The "})") + event("delta", "{\"text\":\"caf\xC3\xA9\"}");
    const std::string done =
        event("done", R"({"data":{"code":"fix","name":"Fix",)"
                      R"("original_text":"teh","processed_text":"The café"}})");
    using Pieces = std::vector<std::pair<HttpReplyHead, std::string>>;
    Pieces byteByByte; // cut inside lines, CRLF and a UTF-8 character
    for (char c : twoDeltas + done)
        byteByByte.emplace_back(sse, std::string(1, c));
    const Pieces whole{{json, R"({"data":{"code":"fix","name":"Fix","original_text":"teh",)"},
                       {json, R"("processed_text":"whole"}})"}};
    const std::string late = event("delta", R"({"text":"late"})");
    const std::string unreadable = event("delta", R"({"txt":1})");
    const HttpOutcome ok = HttpReply{200, ""};
    const HttpOutcome lost = TransportError{TransportError::Code::other, "reset"};
    const Codes both{"The ", "caf\xC3\xA9"}, none;
    // The pieces and the end of the exchange; the deltas told, and the
    // processed text or the failure's description.
    const std::tuple<const char*, Pieces, HttpOutcome, Codes, std::string> cases[] = {
        {"split anywhere", byteByByte, ok, both, "The caf\xC3\xA9"},
        {"a service that does not stream", whole, ok, none, "whole"},
        {"a refusal",
         {{{401, "application/json"}, "{}"}},
         HttpReply{401, ""},
         none,
         "Session expired."},
        {"no outcome", {{sse, twoDeltas}}, ok, both, "Invalid server response."},
        {"connection lost", {{sse, twoDeltas}}, lost, both, "Connection error."},
        {"what follows the outcome", {{sse, done + late}}, lost, none, "The caf\xC3\xA9"},
        {"unreadable piece", {{sse, unreadable + twoDeltas + done}}, ok, none, "missing"},
    };
    for (const auto& [what, pieces, end, expectedDeltas, expected] : cases) {
        SCOPED_TRACE(what);
        Codes deltas;
        std::optional<ServiceResult<ProcessResult>> outcome;
        service.streamCommand(
            "fix", "teh", [&](std::string delta) { deltas.push_back(std::move(delta)); },
            [&](ServiceResult<ProcessResult> r) { outcome = std::move(r); });
        for (const auto& [head, piece] : pieces)
            transport.chunk(piece, head);
        EXPECT_TRUE(deltas.empty()) << "pieces reach the main thread only";
        transport.end(end);
        queue.runPending();
        EXPECT_EQ(deltas, expectedDeltas);
        ASSERT_TRUE(outcome);
        EXPECT_THAT(*outcome ? outcome->value().processedText : outcome->error().description(),
                    testing::HasSubstr(expected));
    }
    const HttpRequest& request = transport.requests.back();
    EXPECT_EQ(request.url, "https://scribeon.test/api/v1/commands/fix/process");
    EXPECT_EQ(transport.header(0, "Accept"), "text/event-stream");
    EXPECT_EQ(request.body, R"({"text":"teh"})");
    EXPECT_GE(request.timeout, APIClient::streamSilenceTimeout);
}

TEST_F(CommandServiceTest, CancelledStreamCancelsTheExchangeAndDeliversNothingMore) {
    Codes deltas;
    int outcomes = 0;
    Cancel run = service.streamCommand(
        "fix", "teh", [&](std::string delta) { deltas.push_back(std::move(delta)); },
        [&](const ServiceResult<ProcessResult>&) { ++outcomes; });
    transport.chunk(event("delta", R"({"text":"one"})"));
    queue.runPending();
    transport.chunk(event("delta", R"({"text":"two"})"));
    run.cancel();
    EXPECT_TRUE(transport.requests.back().cancel.isCancelled());
    transport.end();
    queue.runPending();
    EXPECT_EQ(deltas, Codes{"one"});
    EXPECT_EQ(outcomes, 0);
}

} // namespace
} // namespace scribeon
