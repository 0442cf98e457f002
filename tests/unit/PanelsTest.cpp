#include "panels/CommandPanelController.h"
#include "panels/ResultPanelController.h"
#include "panels/WindowPositioning.h"
#include "tests/fakes/FakePanelPresenter.h"
#include "tests/fakes/FakeWorkspace.h"
#include "tests/fakes/InMemoryClipboard.h"
#include "tests/fakes/RecordingLog.h"
#include "tests/fakes/ServiceStack.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;

const char* threeCommands = R"({"data":[{"code":"a","name":"A","is_active":true},
    {"code":"b","name":"B","is_active":true},{"code":"c","name":"C","is_active":true}]})";

std::string processReply(const std::string& processed) {
    return R"({"data":{"code":"a","name":"A","original_text":"x","processed_text":")" + processed +
           R"("}})";
}

class PanelsTest : public testing::Test, protected ServiceStack {
protected:
    FakePanelPresenter presenter;
    FakeWorkspace workspace;

    void SetUp() override { workspace.frontmost = RunningApplication{77, "mousepad", "mousepad"}; }

    std::shared_ptr<CommandPanelViewModel> loadedModel(const char* reply) {
        transport.reply(200, reply);
        auto model = CommandPanelViewModel::create(service, queue);
        model->loadCommands();
        queue.runPending();
        return model;
    }
};

TEST_F(PanelsTest, CachedListShowsAtOnceAndTheFetchDecidesAfter) {
    const char* one = R"({"data":[{"code":"a","name":"A","is_active":true}]})";
    // Cached (nullptr: nothing), the reply; loading (its indicator held back
    // 0.2 s) and shown at once, shown after and whether an error is told.
    const std::tuple<const char*, long, const char*, bool, std::size_t, std::size_t, bool> rows[] =
        {
            {nullptr, 200, threeCommands, true, 0, 3, false},
            {threeCommands, 500, "", false, 3, 3, false}, // a failed refresh stays silent
            {R"({"data":[]})", 200, threeCommands, false, 0, 3, false},
            {nullptr, 401, "", true, 0, 0, true},
            {threeCommands, 200, one, false, 3, 1, false}, // the selection follows a shrunk list
        };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        const auto& [cached, status, reply, loadingAtOnce, shownAtOnce, shownAfter, error] = row;
        preferences.values.clear();
        if (cached)
            loadedModel(cached);
        transport.holding = true;
        transport.reply(status, reply);
        auto model = CommandPanelViewModel::create(service, queue);
        model->loadCommands();
        if (shownAtOnce > 0)
            model->selectedIndex.set(static_cast<int>(shownAtOnce) - 1);
        EXPECT_EQ(std::pair(model->isLoading.get(), model->activeCommands().size()),
                  std::pair(loadingAtOnce, shownAtOnce));
        queue.advance(199ms);
        EXPECT_FALSE(model->showLoadingIndicator.get());
        queue.advance(1ms);
        EXPECT_EQ(model->showLoadingIndicator.get(), loadingAtOnce);
        transport.releaseNext();
        transport.holding = false;
        queue.runPending();
        EXPECT_EQ(std::tuple(model->isLoading.get(), model->showLoadingIndicator.get(),
                             model->activeCommands().size(), model->errorMessage.get().has_value()),
                  std::tuple(false, false, shownAfter, error));
        EXPECT_LT(model->selectedIndex.get(), std::max<int>(1, static_cast<int>(shownAfter)));
    }
}

TEST_F(PanelsTest, RunFailureShowsItsMessageAndReturnRunsTheSameCommandAgain) {
    auto model = loadedModel(threeCommands);
    model->selectedIndex.set(1);
    transport.reply(429, "");
    std::vector<std::shared_ptr<ResultRun>> outcomes;
    const auto record = [&](auto r) { outcomes.push_back(r); };
    model->processSelected("text", record);
    queue.runPending();
    EXPECT_TRUE(model->errorMessage.get());

    transport.holding = true;
    transport.reply(200, processReply("done"));
    model->processSelected("text", record);
    EXPECT_TRUE(model->isProcessing.get());
    EXPECT_EQ(model->errorMessage.get(), std::nullopt);
    model->processSelected("text", record); // dropped while in flight
    transport.releaseNext();
    queue.runPending();
    ASSERT_THAT(outcomes, ElementsAre(nullptr, nullptr, testing::NotNull()));
    EXPECT_EQ(outcomes[2]->result().processedText, "done");
    EXPECT_EQ(transport.requests.back().url, "https://scribeon.test/api/v1/commands/b/process");
}

class CommandPanelControllerTest : public PanelsTest {
protected:
    std::shared_ptr<CommandPanelController> controller =
        CommandPanelController::create(presenter, workspace, service, queue);
    std::vector<std::shared_ptr<ResultRun>> results;

    void open(const char* reply = threeCommands,
              std::optional<RunningApplication> source = std::nullopt) {
        transport.reply(200, reply);
        controller->show("text", std::move(source),
                         [this](std::shared_ptr<ResultRun> r) { results.push_back(std::move(r)); });
        queue.runPending();
    }
    CommandPanelActions& actions() { return presenter.panels.back()->commandActions; }
};

// Return runs and Escape dismisses (below); the arrows wrap at both ends; a
// click on a row selects and runs it.
TEST_F(CommandPanelControllerTest, ArrowsWrapClicksRunAndOnlyTheChoosersKeysAreConsumed) {
    open();
    const std::tuple<PanelKey, bool, int> rows[] = {{PanelKey::up, true, 2},
                                                    {PanelKey::down, true, 0},
                                                    {PanelKey::down, true, 1},
                                                    {PanelKey::keypadEnter, false, 1},
                                                    {PanelKey::other, false, 1}};
    for (const auto& [key, consumed, selectedAfter] : rows) {
        EXPECT_EQ(actions().key(key), consumed);
        EXPECT_EQ(controller->viewModel()->selectedIndex.get(), selectedAfter);
    }
    EXPECT_EQ(transport.requests.size(), 1u); // only the fetch: nothing ran
    transport.reply(200, processReply("third"));
    actions().rowClicked(2);
    queue.runPending();
    EXPECT_EQ(transport.requests.back().url, "https://scribeon.test/api/v1/commands/c/process");
    EXPECT_EQ(results.size(), 1u);
    open(R"({"data":[{"code":"a","name":"A","is_active":false}]})");
    EXPECT_TRUE(actions().key(PanelKey::up)); // nothing to wrap over
    EXPECT_EQ(controller->viewModel()->selectedIndex.get(), 0);
}

// Escape, losing activation or closing dismiss the chooser and bring the
// source back, if there is one; a run under way still delivers its result.
TEST_F(CommandPanelControllerTest, DismissingReactivatesTheSourceAndARunStillDelivers) {
    open();
    transport.holding = true;
    transport.reply(200, processReply("done"));
    EXPECT_TRUE(actions().key(PanelKey::returnKey));
    EXPECT_TRUE(actions().key(PanelKey::escape));
    EXPECT_FALSE(controller->isOpen());
    EXPECT_THAT(workspace.activations, ElementsAre(77));
    transport.releaseNext();
    queue.runPending();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0]->result().processedText, "done");
    EXPECT_THAT(workspace.activations, ElementsAre(77)); // a result re-activates nothing
    transport.holding = false;
    open();
    actions().deactivated();
    EXPECT_FALSE(controller->isOpen());
    workspace.frontmost.reset();
    open();
    actions().close();
    EXPECT_THAT(workspace.activations, ElementsAre(77, 77));
}

// What the chooser shows, or the run handed over: "chooser <error>" or
// "<state> <text> <error>" (states: writing, complete, stopped, failed).
TEST_F(CommandPanelControllerTest, StreamedRunLeavesTheChooserAtItsFirstTextOnly) {
    const auto event = &encodeStreamEvent;
    const std::string hello = event("delta", R"({"text":"Hel"})");
    const std::string done = event("done", R"({"data":{"code":"a","name":"A",)"
                                           R"("original_text":"text","processed_text":"Hello!"}})");
    const std::string cut =
        event("error", R"({"status":422,"error":"response_incomplete","message":"Cut short."})");
    const char* states[] = {"writing", "complete", "stopped", "failed"};
    const std::tuple<std::vector<std::string>, bool, std::string> rows[] = {
        {{event("error", R"({"status":429})")}, true, "chooser Monthly request limit exceeded."},
        {{hello}, false, "writing Hel "},
        {{hello, cut}, true, "failed Hel Cut short."},
        {{hello, event("delta", R"({"text":"lo"})"), done}, true, "complete Hello! "},
    };
    for (const auto& [pieces, ended, expected] : rows) {
        SCOPED_TRACE(expected);
        results.clear();
        open();
        ASSERT_TRUE(actions().key(PanelKey::returnKey));
        for (const std::string& piece : pieces)
            transport.chunk(piece);
        if (ended)
            transport.end();
        queue.runPending();
        std::string seen;
        if (controller->isOpen())
            seen = "chooser " + controller->viewModel()->errorMessage.get().value_or("");
        for (const auto& run : results) {
            EXPECT_EQ(run->result().originalText, "text");
            seen += std::string(states[static_cast<int>(run->state.get())]) + " " +
                    run->result().processedText + " " + run->errorMessage.get().value_or("");
        }
        EXPECT_EQ(seen, expected);
        EXPECT_TRUE(workspace.activations.empty());
        if (!ended)
            transport.end();
        queue.runPending();
    }
}

TEST_F(CommandPanelControllerTest, SecondShowReplacesTheOpenChooserWithoutReactivating) {
    open();
    EXPECT_EQ(controller->sourceApp()->pid, 77); // asked of the desktop
    const auto firstModel = controller->viewModel();
    open(threeCommands, RunningApplication{88, "gedit", "gedit"}); // as the capture found it
    EXPECT_EQ(controller->sourceApp()->pid, 88);
    EXPECT_EQ(std::pair(presenter.panels[0]->open, presenter.panels[1]->open),
              std::pair(false, true));
    // The first fetch filled the cache: the second chooser is built with it.
    EXPECT_EQ(presenter.panels[1]->commandsWhenShown, 3u);
    EXPECT_NE(controller->viewModel(), firstModel);
    EXPECT_TRUE(workspace.activations.empty());
}

struct RecordingReplacement : TextReplacement {
    ReplaceResult outcome = ReplaceResult::replaced;
    bool pastes = true;
    std::vector<std::pair<std::optional<std::string>, std::optional<int>>> calls; // original, pid
    bool canPaste() override { return pastes; }
    ReplaceResult replaceSelectedText(const std::string&,
                                      const std::optional<std::string>& original,
                                      std::optional<int> pid) override {
        calls.emplace_back(original, pid);
        return outcome;
    }
};

// Tells each write to the test, before it lands.
struct WatchedClipboard : InMemoryClipboard {
    std::function<void()> onSet = [] {};
    void setText(const std::string& text) override {
        onSet();
        InMemoryClipboard::setText(text);
    }
};

class ResultPanelControllerTest : public PanelsTest {
protected:
    WatchedClipboard clipboard;
    RecordingReplacement replacement;
    RecordingLog log;
    std::shared_ptr<ResultPanelController> controller = ResultPanelController::create(
        {presenter, workspace, clipboard, replacement, preferences, queue, log});
    const RunningApplication source{42, "mousepad", "mousepad"};

    // Shows a result, finished unless given; its panel's buttons.
    ResultPanelActions& open(std::shared_ptr<ResultRun> run = nullptr,
                             std::optional<std::string> message = std::nullopt) {
        controller->show(run ? run : ResultRun::finished({"fix", "Fix", "teh cat", "the cat"}),
                         source, std::move(message));
        return lastPanel()->resultActions;
    }
    std::shared_ptr<FakePanelPresenter::Shown> lastPanel() { return presenter.panels.back(); }
    int openHints() {
        int count = 0;
        for (auto& panel : presenter.panels)
            count += panel->hint && panel->open;
        return count;
    }
};

TEST_F(ResultPanelControllerTest, CountsCharactersAndEscapeAloneIsConsumed) {
    auto& actions =
        open(ResultRun::finished({"fix", "Fix", "e\xCC\x81t\xC3\xA9", "\xF0\x9F\x91\x8D"}), "note");
    EXPECT_EQ(lastPanel()->content->originalCharacters, 3u);
    EXPECT_FALSE(actions.key(PanelKey::other) || actions.key(PanelKey::returnKey));
    EXPECT_TRUE(controller->isOpen());
    EXPECT_TRUE(actions.key(PanelKey::escape));
    EXPECT_FALSE(controller->isOpen());
    EXPECT_THAT(workspace.activations, ElementsAre(42));
}

TEST_F(ResultPanelControllerTest, WhileWritingEscapeStopsAndCopyWaitsForTheEnd) {
    Cancel exchange = Cancel::make();
    auto run = ResultRun::writing({"fix", "Fix", "teh cat", "ignored"}, exchange);
    ResultPanelActions& actions = open(run);
    run->append("the ");
    actions.copy();
    actions.replace();
    EXPECT_TRUE(clipboard.formats.empty()) << "nothing is copied while the text still comes";

    EXPECT_TRUE(actions.key(PanelKey::escape));
    EXPECT_TRUE(controller->isOpen()) << "the first Escape only stops";
    EXPECT_EQ(run->state.get(), ResultRun::State::stopped);
    EXPECT_TRUE(exchange.isCancelled());
    run->append("cat");
    run->finish({"fix", "Fix", "teh cat", "the cat"});
    EXPECT_EQ(run->result().processedText, "the ") << "a stopped run takes nothing more";

    actions.copy();
    EXPECT_EQ(clipboard.formats, (InMemoryClipboard::Formats{{"text/plain", "the "}}));
    EXPECT_FALSE(controller->isOpen());

    // Stop, and its neighbour the close button, stop a run too.
    for (auto action : {&ResultPanelActions::stop, &ResultPanelActions::close}) {
        Cancel another = Cancel::make();
        (open(ResultRun::writing({"fix", "Fix", "x", ""}, another)).*action)();
        EXPECT_TRUE(another.isCancelled());
    }
}

TEST_F(ResultPanelControllerTest, CopyTwiceWithinFiveSecondsKeepsOneHintForItsFullTime) {
    open().copy();
    EXPECT_EQ(openHints(), 1);
    queue.advance(3s);
    open().copy();
    EXPECT_EQ(openHints(), 1);
    queue.advance(4900ms); // the first hint's timer is long gone
    EXPECT_EQ(openHints(), 1);
    queue.advance(100ms);
    EXPECT_EQ(openHints(), 0);

    // OK before the five seconds closes it, and its timer then does nothing.
    // "Don't show again" is written at every change, and per kind of hint.
    open().copy();
    auto& hint = presenter.panels.back()->hintActions;
    hint.dontShowAgainChanged(true);
    hint.dontShowAgainChanged(false);
    EXPECT_EQ(preferences.boolean("hideCopyHint"), false);
    hint.dontShowAgainChanged(true);
    hint.dismiss();
    EXPECT_FALSE(controller->isHintShown());
    queue.advance(5s);
    EXPECT_EQ(openHints(), 0);
    open().copy();
    EXPECT_FALSE(controller->isHintShown());
    open().replace();
    queue.advance(300ms);
    EXPECT_TRUE(controller->isHintShown()); // the replace hint has its own key
}

// A Wayland compositor takes the clipboard only from the window that has the
// keyboard: both buttons write it while their panel is still open.
TEST_F(ResultPanelControllerTest, ReplaceWritesTheClipboardWhileOpenThenReplacesAfterAPause) {
    std::vector<bool> openWhenWritten;
    clipboard.onSet = [&] { openWhenWritten.push_back(lastPanel()->open); };
    open().copy();
    open().replace();
    EXPECT_EQ(openWhenWritten, (std::vector<bool>{true, true}));
    EXPECT_EQ(clipboard.text(), "the cat");
    EXPECT_FALSE(controller->isOpen());
    EXPECT_THAT(workspace.activations, ElementsAre(42, 42));
    queue.advance(299ms);
    EXPECT_TRUE(replacement.calls.empty());
    queue.advance(1ms);
    EXPECT_EQ(replacement.calls, (decltype(replacement.calls){{"teh cat", 42}}));
}

// The replace hint is forced, whatever the user chose, exactly when only the
// clipboard has the text; where no key can be posted it says to paste by hand.
TEST_F(ResultPanelControllerTest, HintIsForcedWhenOnlyTheClipboardHasTheText) {
    preferences.setBoolean("hideReplaceHint", true);
    const std::tuple<bool, ReplaceResult, std::optional<HintKind>> rows[] = {
        {false, ReplaceResult::clipboardOnly, HintKind::pasteByHand},
        {true, ReplaceResult::clipboardOnly, HintKind::replace},
        {false, ReplaceResult::replaced, std::nullopt},
        {true, ReplaceResult::replaced, std::nullopt},
    };
    for (const auto& [pastes, outcome, hint] : rows) {
        replacement.pastes = pastes;
        replacement.outcome = outcome;
        open().replace();
        queue.advance(300ms);
        std::optional<HintKind> shown;
        if (controller->isHintShown())
            shown = presenter.panels.back()->hint;
        EXPECT_EQ(shown, hint) << pastes;
        queue.advance(5s);
    }
}

TEST(WindowPositioningTest, CentresInThePrimaryScreenWithoutClamping) {
    using WindowPositioning::positionNearCursor;
    EXPECT_EQ(positionNearCursor({700, 400}, ScreenRect{0, 0, 1440, 900}, {}),
              (PanelOrigin{370, 250}));
    EXPECT_EQ(positionNearCursor({300, 262}, std::nullopt, {{100, 50, 800, 600}, {0, 0, 10, 10}}),
              (PanelOrigin{350, 219}));
    EXPECT_EQ(positionNearCursor({2000, 100}, ScreenRect{0, 24, 1440, 876}, {}),
              (PanelOrigin{-280, 412}));
    EXPECT_EQ(positionNearCursor({300, 200}, std::nullopt, {}), (PanelOrigin{-150, -100}));
}

} // namespace
} // namespace scribeon
