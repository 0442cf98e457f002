#include "ui/SettingsViewModel.h"
#include "tests/fakes/ServiceStack.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using Codes = std::vector<std::string>;

const std::string rocket = "\xF0\x9F\x9A\x80";
const std::string memo = "\xF0\x9F\x93\x9D";
const char* fourCommands = R"({"data":[{"code":"a","name":"A","is_active":true},
    {"code":"b","name":"B","is_active":false},{"code":"c","name":"C","is_active":true},
    {"code":"d","name":"D","is_active":true}]})";

Codes codesOf(const std::vector<Command>& commands) {
    Codes codes;
    for (const auto& c : commands)
        codes.push_back(c.code);
    return codes;
}

class SettingsViewModelTest : public testing::Test, protected ServiceStack {
protected:
    void loaded(const char* body = fourCommands) {
        transport.reply(200, body);
        vm->loadCommands();
        queue.runPending();
    }
    std::string toggleReply(const char* code, bool active) {
        return std::string(R"({"message":"ok","data":{"code":")") + code + R"(","name":"Renamed )" +
               code + R"(","is_active":)" + (active ? "true" : "false") + "}}";
    }

    std::shared_ptr<SettingsViewModel> vm = SettingsViewModel::create(service, queue);
};

// Loading, the error and a retry on screen are covered with the window.
// Overlapping loads are all carried out, and the last answer wins.
TEST_F(SettingsViewModelTest, LoadsShowTheUsersOrderAndAFailureKeepsTheList) {
    preferences.setTextList("commandOrder", {"c", "a"});
    transport.holding = true;
    transport.reply(200, R"({"data":[{"code":"old","name":"Old","is_active":true}]})");
    transport.reply(200, fourCommands);
    transport.reply(500, "");
    vm->appeared();
    vm->windowBecameActive("Scribeon \u2014 Settings");
    vm->windowBecameActive("Scribeon \u2014 Sign In");
    ASSERT_EQ(transport.held.size(), 2U) << "only a Settings title reloads";
    transport.releaseNext();
    transport.releaseNext();
    queue.runPending();
    EXPECT_EQ(codesOf(vm->commands.get()), (Codes{"c", "a", "b", "d"}));
    vm->loadCommands();
    EXPECT_TRUE(vm->isLoading.get()) << "a reload over a shown list shows loading";
    transport.releaseNext();
    queue.runPending();
    EXPECT_TRUE(vm->errorMessage.get());
    EXPECT_EQ(codesOf(vm->commands.get()), (Codes{"c", "a", "b", "d"}));
}

TEST_F(SettingsViewModelTest, TogglesTakeTheAnswersRowShareOneSpinnerOrChangeNothing) {
    loaded();
    transport.holding = true;
    transport.reply(200, toggleReply("a", false));
    transport.reply(200, toggleReply("c", false));
    vm->toggleCommand(vm->commands.get()[0]);
    vm->toggleCommand(vm->commands.get()[2]);
    EXPECT_EQ(vm->togglingCommand.get(), "c");
    transport.releaseNext();
    queue.runPending();
    EXPECT_FALSE(vm->togglingCommand.get()) << "the first answer clears the spinner";
    EXPECT_EQ(vm->commands.get()[0], (Command{"a", "Renamed a", false})) << "replaced in place";
    EXPECT_TRUE(vm->commands.get()[2].isActive);
    transport.releaseNext();
    queue.runPending();
    EXPECT_FALSE(vm->commands.get()[2].isActive);

    // A failed toggle, or one for a command no longer listed, changes nothing.
    const auto before = vm->commands.get();
    transport.holding = false;
    transport.reply(404, "");
    vm->toggleCommand(before[1]);
    queue.runPending();
    EXPECT_TRUE(vm->toastMessage.get());
    EXPECT_EQ(vm->commands.get(), before);
    EXPECT_FALSE(vm->togglingCommand.get());
    transport.holding = true;
    transport.reply(200, toggleReply("a", false));
    vm->toggleCommand(vm->commands.get()[0]);
    transport.holding = false;
    loaded(R"({"data":[{"code":"z","name":"Z","is_active":true}]})");
    transport.releaseNext();
    queue.runPending();
    EXPECT_EQ(vm->commands.get(), (std::vector<Command>{{"z", "Z", true}}));
}

TEST_F(SettingsViewModelTest, ToastClearsAfterThreeSecondsWhateverIsShowingThen) {
    vm->toastMessage.set("first");
    queue.advance(Milliseconds{2000});
    vm->toastMessage.set("second");
    queue.advance(Milliseconds{999});
    EXPECT_EQ(vm->toastMessage.get(), "second");
    queue.advance(Milliseconds{1});
    EXPECT_FALSE(vm->toastMessage.get()) << "the first timer clears the second message";
    vm->toastMessage.set("third");
    queue.advance(Milliseconds{3000});
    EXPECT_FALSE(vm->toastMessage.get());
    // Answers and toast timers after the window closed are dropped.
    vm->toastMessage.set("late");
    transport.holding = true;
    transport.reply(200, fourCommands);
    transport.reply(500, "");
    vm->loadCommands();
    vm->toggleCommand({"a", "A", true});
    std::weak_ptr<SettingsViewModel> weak = vm;
    vm.reset();
    EXPECT_TRUE(weak.expired());
    transport.releaseNext();
    transport.releaseNext();
    queue.advance(Milliseconds{5000});
    EXPECT_EQ(queue.pendingCount(), 0U);
}

TEST_F(SettingsViewModelTest, MovesFollowListMoveSemanticsAndSaveEveryCode) {
    // Rows taken from `from`, put before row `to` of the list as it was.
    const std::tuple<std::set<std::size_t>, std::size_t, Codes> cases[] = {
        {{2}, 0, {"c", "a", "b", "d"}},
        {{0}, 4, {"b", "c", "d", "a"}},
        {{0}, 2, {"b", "a", "c", "d"}},
        {{1}, 1, {"a", "b", "c", "d"}},
        {{1}, 2, {"a", "b", "c", "d"}},
        {{0, 2}, 4, {"b", "d", "a", "c"}}, // two apart keep their order
        {{0, 3}, 2, {"b", "a", "d", "c"}},
        {{1}, 99, {"a", "c", "d", "b"}},
        {{9}, 0, {"a", "b", "c", "d"}},
    };
    for (const auto& [from, to, expected] : cases) {
        preferences.values.clear();
        loaded();
        vm->moveCommand(from, to);
        EXPECT_EQ(codesOf(vm->commands.get()), expected);
        EXPECT_EQ(preferences.textList("commandOrder"), expected);
    }
}

TEST_F(SettingsViewModelTest, WrongKindsInThePreferencesFallBackAndTheNextWriteRepairsThem) {
    preferences.values["commandOrder"] = std::int64_t{7};
    preferences.values["commandEmojis"] = std::vector<std::string>{"not", "a map"};
    vm = SettingsViewModel::create(service, queue);
    loaded();
    EXPECT_EQ(codesOf(vm->commands.get()), (Codes{"a", "b", "c", "d"}));
    EXPECT_EQ(vm->emojiFor("a"), memo);
    vm->moveCommand({3}, 0);
    const unsigned revision = vm->emojiRevision.get();
    vm->chooseEmoji("d", rocket);
    EXPECT_EQ(vm->emojiRevision.get(), revision + 1) << "the list redraws the chosen emoji";
    EXPECT_EQ(preferences.textList("commandOrder"), (Codes{"d", "a", "b", "c"}));
    EXPECT_EQ(preferences.textMap("commandEmojis"),
              (std::map<std::string, std::string>{{"d", rocket}}));
}

} // namespace
} // namespace scribeon
