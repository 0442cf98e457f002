#include "service/CommandService.h"
#include "tests/fakes/ServiceStack.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace scribeon {
namespace {

std::vector<std::string> codes(const std::vector<Command>& commands) {
    std::vector<std::string> result;
    for (const auto& c : commands)
        result.push_back(c.code);
    return result;
}

std::vector<Command> commandsNamed(std::initializer_list<const char*> names) {
    std::vector<Command> result;
    for (const char* name : names)
        result.push_back({name, std::string("Command ") + name, true});
    return result;
}

class CommandServiceTest : public testing::Test, protected ServiceStack {};

TEST_F(CommandServiceTest, SortFollowsTheSavedOrderWithFirstPositionAndStableTail) {
    using List = std::vector<std::string>;
    const std::pair<std::optional<List>, List> cases[] = {
        {std::nullopt, {"a", "b", "c", "d"}},
        {List{}, {"a", "b", "c", "d"}},
        {List{"b", "a"}, {"b", "a", "c", "d"}},
        {List{"a", "b", "a"}, {"a", "b", "c", "d"}}, // a repeated code counts where it is first
        {List{"c", "b", "c", "a"}, {"c", "b", "a", "d"}},
        {List{"zz", "d", "yy"}, {"d", "a", "b", "c"}},
    };
    for (const auto& [order, expected] : cases) {
        preferences.values.clear();
        if (order)
            preferences.setTextList("commandOrder", *order);
        EXPECT_EQ(codes(service.sortCommands(commandsNamed({"a", "b", "c", "d"}))), expected);
    }
}

TEST_F(CommandServiceTest, FetchCachesTheListAsReceivedAndAFailedFetchKeepsIt) {
    transport.reply(200, R"({"data":[{"code":"b","name":"B","is_active":false},
                                     {"code":"a","name":"A","is_active":true}]})");
    preferences.setTextList("commandOrder", {"a", "b"});
    std::optional<ServiceResult<std::vector<Command>>> outcome;
    service.fetchCommands([&](auto r) { outcome = std::move(r); });
    queue.runPending();
    ASSERT_TRUE(outcome && *outcome);
    EXPECT_EQ(codes(outcome->value()), (std::vector<std::string>{"b", "a"})) << "unsorted";

    transport.reply(500, "");
    service.fetchCommands([&](auto r) { outcome = std::move(r); });
    queue.runPending();
    EXPECT_FALSE(*outcome);
    EXPECT_EQ(codes(*service.getCachedCommands()), (std::vector<std::string>{"b", "a"}));
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
    service.saveEmoji("\xE2\x9C\xA8", "fix");
    service.saveEmoji("\xF0\x9F\x8C\x8D", "translate");
    service.saveEmoji("\xF0\x9F\x94\xA7", "fix");
    EXPECT_EQ(service.getEmojis(),
              (std::map<std::string, std::string>{{"fix", "\xF0\x9F\x94\xA7"},
                                                  {"translate", "\xF0\x9F\x8C\x8D"}}));
    EXPECT_EQ(service.emojiFor("shorten"), "\xF0\x9F\x93\x9D");
}

TEST_F(CommandServiceTest, AToggleLeavesTheCachedListAlone) {
    transport.reply(
        200,
        R"({"message":"Command disabled","data":{"code":"fix","name":"Fix","is_active":false}})");
    std::optional<ServiceResult<Command>> toggled;
    service.toggleCommand("fix", [&](auto r) { toggled = std::move(r); });
    queue.runPending();
    EXPECT_EQ(toggled->value(), (Command{"fix", "Fix", false}));
    EXPECT_FALSE(preferences.data("cachedCommands"));
}

TEST_F(CommandServiceTest, ACodeStaysOnePathSegment) {
    const std::pair<const char*, const char*> cases[] = {
        {"../user", "commands/..%2Fuser/process"},
        {"..", "commands/%2E%2E/process"},
        {"a?b#c", "commands/a%3Fb%23c/process"},
        {"caf\xC3\xA9 x", "commands/caf%C3%A9%20x/process"},
        {"v1.2_x~y-z", "commands/v1.2_x~y-z/process"},
    };
    for (const auto& [code, path] : cases) {
        service.processCommand(code, "t", [](auto) {});
        queue.runPending();
        EXPECT_EQ(transport.requests.back().url,
                  std::string("https://scribeon.test/api/v1/") + path)
            << code;
    }
}

std::string event(const char* name, const std::string& data) {
    return encodeStreamEvent(name, data);
}

const std::string doneEvent =
    event("done", R"({"data":{"code":"fix","name":"Fix","original_text":"teh",)"
                  R"("processed_text":"The café"}})");

TEST_F(CommandServiceTest, StreamedRunDeliversPiecesInOrderThenOneOutcome) {
    const HttpReplyHead sse{200, "text/event-stream; charset=utf-8"};
    const HttpReplyHead json{200, "application/json"};
    const std::string twoDeltas =
        event("delta", R"({"text":"The "})") + event("delta", "{\"text\":\"caf\xC3\xA9\"}");
    using Pieces = std::vector<std::pair<HttpReplyHead, std::string>>;
    struct Case {
        const char* name;
        Pieces pieces;
        HttpOutcome end;
        std::vector<std::string> deltas;
        std::string outcome; // the processed text, or the failure's description
    };
    Pieces byteByByte; // cut inside lines, CRLF and a UTF-8 character
    for (char c : twoDeltas + doneEvent)
        byteByByte.emplace_back(sse, std::string(1, c));
    const Pieces whole{{json, R"({"data":{"code":"fix","name":"Fix","original_text":"teh",)"},
                       {json, R"("processed_text":"whole"}})"}};
    const Pieces refusal{{{401, "application/json"}, "{}"}};
    const std::string late = event("delta", R"({"text":"late"})");
    const std::string unreadable = event("delta", R"({"txt":1})");
    const HttpOutcome ok = HttpReply{200, ""};
    const HttpOutcome lost = TransportError{TransportError::Code::other, "reset"};
    const std::vector<std::string> both{"The ", "caf\xC3\xA9"}, none;
    const Case cases[] = {
        {"split anywhere", byteByByte, ok, both, "The caf\xC3\xA9"},
        {"a service that does not stream", whole, ok, none, "whole"},
        {"a refusal", refusal, HttpReply{401, ""}, none, "Session expired."},
        {"no outcome", {{sse, twoDeltas}}, ok, both, "Invalid server response."},
        {"connection lost", {{sse, twoDeltas}}, lost, both, "Connection error."},
        {"what follows the outcome", {{sse, doneEvent + late}}, lost, none, "The caf\xC3\xA9"},
        {"unreadable piece", {{sse, unreadable + twoDeltas + doneEvent}}, ok, none, "missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> deltas;
        std::optional<ServiceResult<ProcessResult>> outcome;
        service.streamCommand(
            "fix", "teh", [&](std::string delta) { deltas.push_back(std::move(delta)); },
            [&](ServiceResult<ProcessResult> r) { outcome = std::move(r); });
        for (const auto& [head, piece] : c.pieces)
            transport.chunk(piece, head);
        EXPECT_TRUE(deltas.empty()) << "pieces reach the main thread only";
        transport.end(c.end);
        queue.runPending();
        EXPECT_EQ(deltas, c.deltas);
        ASSERT_TRUE(outcome);
        EXPECT_THAT(*outcome ? outcome->value().processedText : outcome->error().description(),
                    testing::HasSubstr(c.outcome));
    }
    const HttpRequest& request = transport.requests.back();
    EXPECT_EQ(request.url, "https://scribeon.test/api/v1/commands/fix/process");
    EXPECT_EQ(transport.header(0, "Accept"), "text/event-stream");
    EXPECT_EQ(request.body, R"({"text":"teh"})");
    EXPECT_GE(request.timeout, APIClient::streamSilenceTimeout);
}

TEST_F(CommandServiceTest, CancelledStreamCancelsTheExchangeAndDeliversNothingMore) {
    std::vector<std::string> deltas;
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
    EXPECT_EQ(deltas, std::vector<std::string>{"one"});
    EXPECT_EQ(outcomes, 0);
}

} // namespace
} // namespace scribeon
