#include "service/CommandService.h"
#include "tests/fakes/ServiceStack.h"

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
    struct Case {
        const char* name;
        std::optional<InMemoryPreferences::Value> order;
        std::vector<std::string> expected;
    };
    using List = std::vector<std::string>;
    const Case cases[] = {
        {"no order", std::nullopt, {"a", "b", "c", "d"}},
        {"empty order", List{}, {"a", "b", "c", "d"}},
        {"partial order", List{"b", "a"}, {"b", "a", "c", "d"}},
        {"repeated code counts first", List{"a", "b", "a"}, {"a", "b", "c", "d"}},
        {"repeated code later", List{"c", "b", "c", "a"}, {"c", "b", "a", "d"}},
        {"unknown codes ignored", List{"zz", "d", "yy"}, {"d", "a", "b", "c"}},
        {"order of the wrong kind",
         InMemoryPreferences::Value{std::int64_t{3}},
         {"a", "b", "c", "d"}},
    };
    for (const auto& c : cases) {
        preferences.values.clear();
        if (c.order)
            preferences.values["commandOrder"] = *c.order;
        EXPECT_EQ(codes(service.sortCommands(commandsNamed({"a", "b", "c", "d"}))), c.expected)
            << c.name;
    }
}

TEST_F(CommandServiceTest, FetchCachesTheListAsReceivedAndAFailedFetchKeepsIt) {
    transport.reply(200, R"({"data":[{"code":"b","name":"B","is_active":false},
                                     {"code":"a","name":"A","is_active":true}]})");
    preferences.setTextList("commandOrder", {"a", "b"});
    std::optional<ServiceResult<std::vector<Command>>> outcome;
    service.fetchCommands([&](auto r) { outcome = std::move(r); });
    EXPECT_FALSE(outcome) << "delivered on the main queue";
    queue.runPending();
    ASSERT_TRUE(outcome && *outcome);
    EXPECT_EQ(codes(outcome->value()), (std::vector<std::string>{"b", "a"})) << "unsorted";
    EXPECT_EQ(service.getCachedCommands(), outcome->value());

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
    EXPECT_TRUE(service.getEmojis().empty());
    EXPECT_EQ(service.emojiFor("fix"), "\xF0\x9F\x93\x9D");
    service.saveEmoji("\xE2\x9C\xA8", "fix");
    service.saveEmoji("\xF0\x9F\x8C\x8D", "translate");
    service.saveEmoji("\xF0\x9F\x94\xA7", "fix");
    EXPECT_EQ(service.getEmojis(),
              (std::map<std::string, std::string>{{"fix", "\xF0\x9F\x94\xA7"},
                                                  {"translate", "\xF0\x9F\x8C\x8D"}}));
    preferences.values["commandEmojis"] = std::int64_t{1};
    EXPECT_TRUE(service.getEmojis().empty());
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

} // namespace
} // namespace scribeon
