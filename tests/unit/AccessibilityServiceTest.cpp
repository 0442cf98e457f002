#include "accessibility/AccessibilityService.h"
#include "tests/fakes/FakeKeySynth.h"
#include "tests/fakes/FakeSleeper.h"
#include "tests/fakes/FakeWorkspace.h"
#include "tests/fakes/InMemoryClipboard.h"
#include "tests/fakes/InMemoryPreferences.h"
#include "tests/fakes/RecordingLog.h"
#include "tests/fakes/ScriptedElement.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;
using Event = FakeKeySynth::Event;
using testing::ElementsAre;
using testing::IsEmpty;

constexpr int editorPid = 4242;

struct AccessibilityServiceTest : ::testing::Test {
    FakeWorkspace workspace;
    FakeAccessibilityBridge bridge;
    FakeSleeper clock;
    FakeKeySynth keys{clock};
    InMemoryClipboard clipboard;
    RecordingLog log;
    AccessibilityService service{{workspace, bridge, keys, clipboard, clock, log}};
    std::shared_ptr<ScriptedElement> element = std::make_shared<ScriptedElement>();
    ApplicationKeys applicationKeys;

    void SetUp() override {
        workspace.frontmost = RunningApplication{editorPid, "mousepad", "mousepad"};
        bridge.elements[editorPid] = element;
    }

    // A new element and empty records, for the next row of a table.
    void fresh() {
        element = std::make_shared<ScriptedElement>();
        SetUp();
        workspace.activations.clear();
        workspace.refusesActivation.clear();
        log.lines.clear();
        keys.events.clear();
    }

    void show(const std::string& text, const std::string& selected) {
        element->text = text;
        element->selection = std::pair{text.find(selected), selected.size()};
    }

    // The target's Ctrl+C puts this on the clipboard.
    void copyYields(std::optional<std::string> copied) {
        keys.onKeyUp = [this, copied](EditKey key) {
            if (key == EditKey::copy && copied)
                clipboard.formats = {{"text/plain", *copied},
                                     {"text/html", "<b>" + *copied + "</b>"}};
        };
    }

    // Emacs as it appears on the desktop: on AT-SPI, but without any text.
    void emacsInFront() {
        workspace.frontmost = RunningApplication{editorPid, "emacs", "Emacs"};
        element->selectionStatus = BridgeStatus::noText;
        element->writeBehaviour = ScriptedElement::WriteBehaviour::refuse;
    }
};

// --- capture -------------------------------------------------------------

TEST_F(AccessibilityServiceTest, TwoCharacterSelectionIsReadWithoutTouchingTheClipboard) {
    show("an ok text", "ok");
    clipboard.formats = {{"text/plain", "theirs"}};

    EXPECT_EQ(service.getSelectedText(), "ok");
    EXPECT_THAT(log.lines, ElementsAre("[Scribeon] AX read: app=mousepad pid=4242",
                                       "[Scribeon] AX read: role=text",
                                       "[Scribeon] capture: AX read OK (2 chars)"));
    EXPECT_THAT(clipboard.writes, IsEmpty());
    EXPECT_THAT(keys.events, IsEmpty());
    // Handed to the chooser; a capture that finds nobody in front forgets it.
    EXPECT_EQ(service.lastSource(), workspace.frontmost);
    workspace.frontmost.reset();
    service.getSelectedText();
    EXPECT_EQ(service.lastSource(), std::nullopt);
}

TEST_F(AccessibilityServiceTest, OneCharacterFallsBackToCopyAndIsDiscardedWhenCopyYieldsNothing) {
    show("a b", "a");
    copyYields(std::nullopt);

    EXPECT_EQ(service.getSelectedText(), std::nullopt);
    EXPECT_THAT(keys.events, ElementsAre(Event{0us, "down copy"}, Event{0us, "up copy"}));
    // 0.3 s, then an empty clipboard is watched for a late copy up to 1 s.
    EXPECT_EQ(clock.sleeps.front(), 300ms);
    EXPECT_EQ(clock.now, 1000ms);
}

// A Wayland desktop that lets no background client post keys: the clipboard
// is neither emptied nor watched for a copy that cannot come.
TEST_F(AccessibilityServiceTest, WithoutACopyKeystrokeTheClipboardIsLeftAlone) {
    show("a b", "a");
    keys.unavailable = {EditKey::copy, EditKey::paste, EditKey::undo, EditKey::terminalPaste};
    clipboard.formats = {{"text/plain", "theirs"}};

    EXPECT_EQ(service.getSelectedText(), std::nullopt);
    EXPECT_THAT(clipboard.writes, IsEmpty());
    EXPECT_EQ(clipboard.text(), "theirs");
    EXPECT_EQ(clock.now, 0ms);
}

TEST_F(AccessibilityServiceTest, LateCopyIsWaitedForBeforeTheClipboardIsPutBack) {
    show("a b", "a");
    // The target's copy lands 0.45 s after the key.
    struct LateClipboard : InMemoryClipboard {
        FakeSleeper* clock = nullptr;
        std::optional<std::string> text() override {
            if (clock->now >= std::chrono::microseconds(450000) && !formats.contains("text/plain"))
                formats = {{"text/plain", "late copy"}};
            return InMemoryClipboard::text();
        }
    };
    LateClipboard late;
    late.clock = &clock;
    late.formats = {{"text/plain", "theirs"}};
    AccessibilityService slow{{workspace, bridge, keys, late, clock, log}};

    EXPECT_EQ(slow.getSelectedText(), "late copy");
    EXPECT_EQ(late.text(), "theirs");
    EXPECT_EQ(clock.now, 450ms);
}

TEST_F(AccessibilityServiceTest, CharactersAreGraphemeClusters) {
    struct Row {
        const char* selected;
        bool readThroughAX;
    };
    const Row rows[] = {
        {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", false}, // 👍🏽: two code points, one character
        {"e\xCC\x81", false},                        // e + combining acute
        {"e\xCC\x81x", true},
        {"  ", true}, // white space is the caller's business
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.selected);
        log.lines.clear();
        show(std::string("<") + row.selected + ">", row.selected);
        copyYields(std::nullopt);
        const auto captured = service.getSelectedText();
        EXPECT_EQ(captured.has_value(), row.readThroughAX);
        if (row.readThroughAX) {
            EXPECT_EQ(*captured, row.selected);
        }
    }
}

TEST_F(AccessibilityServiceTest, CopyFallbackPutsBackWhatTheUserHadCopied) {
    using Formats = InMemoryClipboard::Formats;
    const Formats a{{"text/plain", "A"}}, italicA{{"text/plain", "A"}, {"text/html", "<i>A</i>"}};
    const Formats copiedA{{"text/plain", "A"}, {"text/html", "<b>A</b>"}};
    const Formats copiedB{{"text/plain", "B"}, {"text/html", "<b>B</b>"}};
    const Formats image{{"image/png", "\x89PNG"}};
    const std::vector<std::string> left{"clear"}, restored{"clear", "restore"};
    struct Row {
        const char* what;
        Formats previous;
        std::optional<std::string> copied;
        std::optional<std::string> captured;
        Formats clipboardAfter;
        std::vector<std::string> writes;
    };
    const Row rows[] = {
        {"same text again", a, "A", "A", copiedA, left},
        {"copy yields nothing", a, {}, {}, a, restored},
        {"a different text", italicA, "B", "B", italicA, restored},
        {"nothing before", {}, "B", "B", copiedB, left},
        {"an image before", image, "B", "B", image, restored},
    };
    workspace.frontmost = RunningApplication{77, "", "xdg-app"};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clipboard.formats = row.previous;
        clipboard.writes.clear();
        copyYields(row.copied);
        EXPECT_EQ(service.getSelectedText(), row.captured);
        EXPECT_EQ(clipboard.formats, row.clipboardAfter);
        EXPECT_EQ(clipboard.writes, row.writes);
    }
}

TEST_F(AccessibilityServiceTest, AccessibilityFailuresLeadToCopy) {
    const std::pair<const char*, std::function<void(AccessibilityServiceTest&)>> rows[] = {
        {"no frontmost application", [](auto& t) { t.workspace.frontmost.reset(); }},
        {"no focused element", [](auto& t) { t.bridge.elements.clear(); }},
        {"unnamed application, element without role",
         [](auto& t) {
             t.workspace.frontmost->name.clear();
             t.element->roleName.reset();
             t.element->selectionStatus = BridgeStatus::noText;
         }},
        {"empty selection", [](auto& t) { t.show("text", ""); }},
    };
    for (const auto& [what, arrange] : rows) {
        SCOPED_TRACE(what);
        fresh();
        arrange(*this);
        copyYields("copied");
        EXPECT_EQ(service.getSelectedText(), "copied");
        ASSERT_EQ(keys.events.size(), 2u);
        EXPECT_EQ(keys.events[0].what, "down copy");
    }
}

// A terminal's selection is read from the primary selection and it never
// gets Ctrl+C, which would interrupt the program running in it. Text selected
// earlier elsewhere is still the primary selection, so it is taken only when
// the terminal holds it: else a browser's text could be pasted into a shell.
// Data-control never names the owner: only a terminal in front, told apart
// by its name on the accessibility bus as no window class is known, is then
// taken to hold it.
TEST_F(AccessibilityServiceTest, ThePrimarySelectionIsTakenOnlyFromATerminalThatHoldsIt) {
    struct Row {
        const char* what;
        RunningApplication front;
        bool roleTerminal;
        bool namesOwner;
        std::optional<int> owner;
        std::optional<std::string> captured;
        bool copyPosted;
    };
    const Row rows[] = {
        {"xterm holding it", {99, "xterm", "xterm"}, false, true, 99, "ls", false},
        {"role-terminal", {editorPid, "vte-app", "vte-app"}, true, true, editorPid, "ls", false},
        {"a browser holding it", {99, "xterm", "xterm"}, false, true, 31337, {}, false},
        {"unnamed, Konsole", {99, "Konsole", ""}, false, false, {}, "ls", false},
        {"unnamed, role-terminal", {editorPid, "vte-app", ""}, true, false, {}, "ls", false},
        {"unnamed, an editor", {editorPid, "mousepad", ""}, false, false, {}, "copied", true},
        {"unnamed, no copy keys", {editorPid, "emacs", ""}, false, false, {}, {}, false},
        {"missing where owners are named", {99, "xterm", "xterm"}, false, true, {}, {}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fresh();
        workspace.frontmost = row.front;
        element->selectionStatus = BridgeStatus::noText;
        if (row.roleTerminal) // a terminal whose selection AT-SPI could read
            show("$ ls", "ls");
        element->terminal = row.roleTerminal;
        clipboard.formats = {{"text/plain", "theirs"}};
        clipboard.writes.clear();
        clipboard.primary = "ls";
        clipboard.primaryOwnerPid = row.owner;
        clipboard.namesOwner = row.namesOwner;
        copyYields("copied");

        EXPECT_EQ(service.getSelectedText(), row.captured);
        EXPECT_EQ(!keys.events.empty(), row.copyPosted);
        if (!row.copyPosted) {
            EXPECT_EQ(clipboard.text(), "theirs");
            EXPECT_THAT(clipboard.writes, IsEmpty());
        }
    }
}

// An application AT-SPI cannot read (Emacs, an application without its
// accessibility bridge) has its selection in the primary selection when it
// holds it; the copy keystroke would mean something else there, or at least
// take the user's clipboard for a moment.
TEST_F(AccessibilityServiceTest, ThePrimarySelectionIsTakenWhereAccessibilityCannotRead) {
    struct Row {
        const char* what;
        std::function<void(AccessibilityServiceTest&)> arrange;
        std::optional<int> primaryOwner;
        std::optional<std::string> captured;
        bool copyPosted;
    };
    using Arrange = std::function<void(AccessibilityServiceTest&)>;
    const Arrange noElement = [](auto& t) { t.bridge.elements.clear(); };
    const Arrange noText = [](auto& t) { t.element->selectionStatus = BridgeStatus::noText; };
    const Arrange nothingSelected = [](auto& t) { t.show("some text", ""); };
    const Arrange emacs = [](auto& t) { t.emacsInFront(); };
    const Arrange emacsWithStandardKeys = [](auto& t) {
        t.emacsInFront();
        t.bridge.elements.clear();
        t.applicationKeys.set("emacs", EditingKeys::standard);
    };
    const Row rows[] = {
        {"no focused element", noElement, editorPid, "held text", false},
        {"an element without text", noText, editorPid, "held text", false},
        {"no focused element, the primary selection another's", noElement, 31337, "copied", true},
        // The primary selection may be stale when the element says so.
        {"an element that says nothing is selected", nothingSelected, editorPid, "copied", true},
        {"Emacs: no copy keystroke at all", emacs, editorPid, "held text", false},
        {"Emacs whose region is not in the primary selection", emacs, 31337, {}, false},
        {"Emacs told to use the standard keys", emacsWithStandardKeys, 31337, "copied", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fresh();
        applicationKeys = ApplicationKeys();
        clipboard.formats = {{"text/plain", "the user's"}};
        clipboard.writes.clear();
        clipboard.primary = "held text";
        clipboard.primaryOwnerPid = row.primaryOwner;
        copyYields("copied");
        row.arrange(*this);
        AccessibilityService withKeys({workspace, bridge, keys, clipboard, clock, log},
                                      applicationKeys);
        EXPECT_EQ(withKeys.getSelectedText(), row.captured);
        EXPECT_EQ(!keys.events.empty(), row.copyPosted);
        EXPECT_EQ(clipboard.formats, (InMemoryClipboard::Formats{{"text/plain", "the user's"}}));
        if (!row.copyPosted) {
            EXPECT_THAT(clipboard.writes, IsEmpty());
        }
    }
}

TEST(ApplicationKeysTest, TheUsersEntriesGoOverTheBuiltInTable) {
    InMemoryPreferences preferences;
    preferences.setTextMap(
        ApplicationKeys::preferenceKey,
        {{"Emacs", "standard"}, {"my-term", "Terminal"}, {"sticky", "paste"}, {"", "none"}});
    RecordingLog log;
    const ApplicationKeys table = ApplicationKeys::withUserEntries(preferences, log);
    const std::pair<const char*, EditingKeys> rows[] = {
        {"emacs", EditingKeys::standard},  {"MY-TERM", EditingKeys::terminal},
        {"sticky", EditingKeys::standard}, {"XTerm", EditingKeys::terminal},
        {"Gvim", EditingKeys::none},       {"mousepad", EditingKeys::standard},
    };
    for (const auto& [windowClass, keys] : rows)
        EXPECT_EQ(table.of(windowClass), keys) << windowClass;
    EXPECT_EQ(log.lines.size(), 2u); // the two unusable entries are reported

    // A value of another kind in the file leaves the built-in table.
    preferences.setInteger(ApplicationKeys::preferenceKey, 3);
    EXPECT_EQ(ApplicationKeys::withUserEntries(preferences, log).of("Emacs"), EditingKeys::none);
}

TEST_F(AccessibilityServiceTest, OurOwnWindowIsNeitherAskedNorSentKeys) {
    workspace.frontmost = RunningApplication{editorPid, "Scribeon", "scribeon", true};
    show("Commands", "Commands");
    EXPECT_EQ(service.getSelectedText(), std::nullopt);
    EXPECT_EQ(bridge.queries, 0);
    EXPECT_THAT(keys.events, IsEmpty());
    EXPECT_THAT(clipboard.writes, IsEmpty());
}

TEST_F(AccessibilityServiceTest, AWindowTakingTheKeyboardBackIsGivenAMoment) {
    struct Row {
        const char* what;
        int unfocusedQueries;
        bool focusPending; // how the bridge reports a missing element afterwards
        bool readThroughAX;
        std::chrono::microseconds waited;
    };
    const Row rows[] = {
        {"focus arrives after three polls", 3, false, true, 15ms},
        {"focus never arrives: forty polls, then Ctrl+C", 100, true, false, 200ms},
        {"an application without the element is not waited for", 0, false, false, 0ms},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fresh();
        show("hello world", "hello world");
        if (!row.readThroughAX && row.unfocusedQueries == 0)
            bridge.elements.clear();
        bridge.unfocusedQueries = row.unfocusedQueries;
        bridge.focusPending = row.focusPending;
        clock.now = 0us;
        clock.sleeps.clear();
        copyYields("hello world");
        EXPECT_EQ(service.getSelectedText(), "hello world");
        EXPECT_EQ(keys.events.empty(), row.readThroughAX);
        const auto beforeCopy = row.readThroughAX ? clock.now : keys.events.front().at;
        EXPECT_EQ(beforeCopy, row.waited);
    }
}

TEST_F(AccessibilityServiceTest, PlaceholdersOfTheAccessibilityTextNeverLeaveTheCapture) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string grin = "\xF0\x9F\x98\x80";
    show("Hi " + grin + bom + " caf\xC3\xA9", "Hi " + grin + bom + " caf\xC3\xA9");
    EXPECT_EQ(service.getSelectedText(), "Hi " + grin + " caf\xC3\xA9");

    // Only placeholders selected: nothing the user could mean, so Ctrl+C.
    fresh();
    show("a" + bom + bom + "b", bom + bom);
    copyYields("x" + bom + "y");
    EXPECT_EQ(service.getSelectedText(), "xy");
}

TEST_F(AccessibilityServiceTest, TheApplicationsPrimarySelectionWinsWhenItDisagrees) {
    struct Row {
        const char* what;
        std::optional<std::string> primary;
        std::optional<int> owner;
        std::string captured;
    };
    const Row rows[] = {
        {"same application, different text", "it is really this", editorPid, "it is really this"},
        {"another application's primary selection", "stale text", 31337, "off by one tex"},
        {"an empty primary selection", "", editorPid, "off by one tex"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fresh();
        show("x off by one text", "off by one tex");
        clipboard.primary = row.primary;
        clipboard.primaryOwnerPid = row.owner;
        EXPECT_EQ(service.getSelectedText(), row.captured);
        EXPECT_THAT(keys.events, IsEmpty());
    }

    // The paste path's check of the selection sees the same text, so a web
    // page whose offsets are off is still pasted into.
    fresh();
    show("x off by one text", "off by one tex");
    element->web = true;
    clipboard.primary = "it is really this";
    clipboard.primaryOwnerPid = editorPid;
    EXPECT_EQ(service.replaceSelectedText("new", "it is really this", editorPid),
              ReplaceResult::replaced);
    ASSERT_EQ(keys.events.size(), 2u);
    EXPECT_EQ(keys.events[0].what, "down paste");
}

// --- replacement ----------------------------------------------------------

TEST_F(AccessibilityServiceTest, VerifiedWriteReplacesTheSelection) {
    show("Say hello world now", "hello world");

    // White space at either end of the original is no change of selection.
    EXPECT_EQ(service.replaceSelectedText("Hello, World!", "\n hello world\t", editorPid),
              ReplaceResult::replaced);
    EXPECT_EQ(element->text, "Say Hello, World! now");
    EXPECT_THAT(clock.sleeps, ElementsAre(50ms));
    EXPECT_THAT(keys.events, IsEmpty());
    EXPECT_THAT(clipboard.writes, IsEmpty());
}

TEST_F(AccessibilityServiceTest, ScopeCheckToleratesTwoAndTakesBackThree) {
    struct Row {
        std::size_t extra;
        ReplaceResult result;
        const char* textAfter;
    };
    const Row rows[] = {
        {0, ReplaceResult::replaced, "a NEW c"},
        {2, ReplaceResult::replaced, "a NEW cxx"},
        {3, ReplaceResult::clipboardOnly, "a b c"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.extra);
        log.lines.clear();
        show("a b c", "b");
        element->extraAfterWrite = row.extra;
        EXPECT_EQ(service.replaceSelectedText("NEW", "b", editorPid), row.result);
        EXPECT_EQ(element->text, row.textAfter);
    }
    EXPECT_THAT(keys.events, IsEmpty()); // restored through AX, no Ctrl+Z
}

TEST_F(AccessibilityServiceTest, WriteIsTakenBackWhenItsScopeCannotBeMeasured) {
    struct Row {
        const char* what;
        std::string text;
        bool valueReadable;
    };
    const Row rows[] = {
        {"no value before", "keep this", false},
        {"empty value before", "", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        log.lines.clear();
        element->text = row.text;
        element->selection = std::pair{0u, 0u};
        element->selectionAfterWrite = std::pair{0u, 3u}; // reads back the new text
        element->valueReadable = element->valueReadableAfterWrite = row.valueReadable;
        EXPECT_EQ(service.replaceSelectedText("NEW", std::nullopt, editorPid),
                  ReplaceResult::clipboardOnly);
        EXPECT_EQ(element->text, row.text);
    }
}

TEST_F(AccessibilityServiceTest, WritesThatCannotBeCheckedStand) {
    const std::pair<const char*, std::function<void(ScriptedElement&)>> rows[] = {
        {"value unreadable after the write", [](auto& e) { e.valueReadableAfterWrite = false; }},
        {"selection unreadable before the write",
         [](auto& e) { e.selectionStatus = BridgeStatus::callFailed; }},
    };
    for (const auto& [what, arrange] : rows) {
        SCOPED_TRACE(what);
        fresh();
        show("one two three", "two");
        arrange(*element);
        EXPECT_EQ(service.replaceSelectedText("2", "two", editorPid), ReplaceResult::replaced);
        EXPECT_EQ(element->text, "one 2 three");
        EXPECT_EQ(element->takeBacks, 0);
        EXPECT_THAT(keys.events, IsEmpty());
    }
}

TEST_F(AccessibilityServiceTest, FakedWriteGoesToThePastePath) {
    show("x old y", "old");
    element->writeBehaviour = ScriptedElement::WriteBehaviour::fake;

    EXPECT_EQ(service.replaceSelectedText("new", "old", 31), ReplaceResult::replaced);
    EXPECT_EQ(element->takeBacks, 0);
    EXPECT_EQ(clipboard.formats, (InMemoryClipboard::Formats{{"text/plain", "new"}}));
    EXPECT_THAT(workspace.activations, ElementsAre(31));
    const auto start = clock.now - 30ms;
    EXPECT_THAT(keys.events, ElementsAre(Event{start, "down paste"}, Event{clock.now, "up paste"}));
}

TEST_F(AccessibilityServiceTest, SameTextIsNotMistakenForAFakedWrite) {
    show("keep same here", "same");
    element->selectionAfterWrite = element->selection;

    EXPECT_EQ(service.replaceSelectedText("same", "same", editorPid), ReplaceResult::replaced);
    EXPECT_THAT(keys.events, IsEmpty());
}

TEST_F(AccessibilityServiceTest, ChangedSelectionEndsClipboardOnlyWithNothingPosted) {
    show("hello world", "world");
    clipboard.formats = {{"text/plain", "processed"}};

    EXPECT_EQ(service.replaceSelectedText("Hi", "  hello \n", editorPid),
              ReplaceResult::clipboardOnly);
    EXPECT_EQ(element->text, "hello world");
    EXPECT_THAT(keys.events, IsEmpty());
    EXPECT_THAT(clipboard.writes, IsEmpty());
}

TEST_F(AccessibilityServiceTest, PastePathChecksTheSelectionOnlyForANonEmptyOriginal) {
    struct Row {
        const char* what;
        std::optional<std::string> original;
        bool readsSelectionAgain;
    };
    const Row rows[] = {
        {"absent original", std::nullopt, false},
        {"empty original", std::string(), false},
        {"same original", std::string("word"), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        log.lines.clear();
        keys.events.clear();
        show("a word", "word");
        element->writeBehaviour = ScriptedElement::WriteBehaviour::refuse;
        EXPECT_EQ(service.replaceSelectedText("W", row.original, editorPid),
                  ReplaceResult::replaced);
        const auto failed = std::find(log.lines.begin(), log.lines.end(),
                                      "[Scribeon] replace: AX write failed, trying Cmd+V");
        ASSERT_NE(failed, log.lines.end());
        EXPECT_EQ(*std::next(failed) == "[Scribeon] AX read: app=mousepad pid=4242",
                  row.readsSelectionAgain);
        EXPECT_EQ(keys.events.size(), 2u);
    }
    // An empty original against a real selection aborts the write itself.
    element->writeBehaviour = ScriptedElement::WriteBehaviour::replaceSelection;
    show("a word", "word");
    EXPECT_EQ(service.replaceSelectedText("W", std::string(), editorPid), ReplaceResult::replaced);
    EXPECT_EQ(element->text, "a word");
}

TEST_F(AccessibilityServiceTest, LostSelectionIsSearchedAndSelectedAgain) {
    // 👍🏽 is one character of eight bytes: locations are characters, the
    // range handed to the element is bytes.
    show("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD hi there", "there");
    element->selection.reset();
    element->writeBehaviour = ScriptedElement::WriteBehaviour::refuse;

    EXPECT_EQ(service.replaceSelectedText("THERE", " there ", editorPid), ReplaceResult::replaced);
    EXPECT_THAT(element->rangesSet, ElementsAre(std::pair<std::size_t, std::size_t>{12, 5}));
    EXPECT_THAT(clock.sleeps, ElementsAre(50ms, 30ms));

    // Not found: the paste is tried anyway.
    keys.events.clear();
    element->rangesSet.clear();
    element->selection.reset();
    element->text = "something else";
    EXPECT_EQ(service.replaceSelectedText("THERE", "there", editorPid), ReplaceResult::replaced);
    EXPECT_THAT(element->rangesSet, IsEmpty());
    ASSERT_EQ(keys.events.size(), 2u);
    EXPECT_EQ(keys.events[0].what, "down paste");
}

TEST_F(AccessibilityServiceTest, PasteGoesOnlyToTheSourceWindow) {
    struct Row {
        const char* what;
        std::function<void(AccessibilityServiceTest&)> arrange;
        std::optional<int> sourcePid;
        std::vector<int> activations;
        const char* key; // nullptr: nothing may be posted
    };
    using Arrange = std::function<void(AccessibilityServiceTest&)>;
    const Arrange web = [](auto& t) { t.element->web = true; };
    const Arrange refused = [](auto& t) {
        t.element->writeBehaviour = ScriptedElement::WriteBehaviour::refuse;
    };
    const Arrange noFront = [](auto& t) { t.workspace.frontmost.reset(); };
    const Arrange stuck55 = [&](auto& t) {
        refused(t);
        t.workspace.refusesActivation = {55};
    };
    const Arrange webStuck = [&](auto& t) {
        web(t);
        t.workspace.refusesActivation = {4242};
    };
    const Arrange xterm = [](auto& t) {
        t.workspace.frontmost = RunningApplication{99, "xterm", "XTerm"};
    };
    const Row rows[] = {
        {"web content: the paste follows the source to the front", web, 4242, {4242}, "paste"},
        {"no source pid: the application in front at entry", refused, {}, {4242}, "paste"},
        {"no source pid and no frontmost application", noFront, {}, {}, nullptr},
        {"a window that cannot be activated", stuck55, 55, {55}, nullptr},
        {"web content whose window does not come back", webStuck, 4242, {4242}, nullptr},
        {"a terminal gets Shift+Insert with both selections set", xterm, 99, {99}, "terminalPaste"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fresh();
        clipboard.primary.reset();
        row.arrange(*this);
        EXPECT_EQ(service.replaceSelectedText("pasted", std::nullopt, row.sourcePid),
                  row.key ? ReplaceResult::replaced : ReplaceResult::clipboardOnly);
        EXPECT_EQ(workspace.activations, row.activations);
        EXPECT_EQ(clipboard.formats, (InMemoryClipboard::Formats{{"text/plain", "pasted"}}));
        if (!row.key) {
            EXPECT_THAT(keys.events, IsEmpty());
            continue;
        }
        ASSERT_EQ(keys.events.size(), 2u);
        EXPECT_EQ(keys.events[0].what, std::string("down ") + row.key);
        EXPECT_EQ(keys.events[1].at - keys.events[0].at, 30ms);
        const bool terminal = std::string(row.key) == "terminalPaste";
        EXPECT_EQ(clipboard.primary,
                  terminal ? std::optional<std::string>("pasted") : std::nullopt);
    }
}

// Ctrl+V scrolls Emacs and its yank inserts beside the region: no keystroke
// replaces there, so the result stays on the clipboard and the hint says so.
TEST_F(AccessibilityServiceTest, NoPasteWhereNoKeyPastesOverTheSelection) {
    struct Row {
        const char* what;
        RunningApplication app;
        const char* userEntry; // the user's table entry for the class, if any
        bool pastes;
    };
    const Row rows[] = {
        {"Emacs", {editorPid, "emacs", "Emacs"}, nullptr, false},
        {"an application the user listed", {editorPid, "ed", "MyEditor"}, "none", false},
        {"Emacs the user set up with CUA keys", {editorPid, "emacs", "Emacs"}, "standard", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fresh();
        workspace.frontmost = row.app;
        element->selectionStatus = BridgeStatus::noText;
        element->writeBehaviour = ScriptedElement::WriteBehaviour::refuse;
        InMemoryPreferences preferences;
        if (row.userEntry)
            preferences.setTextMap(ApplicationKeys::preferenceKey,
                                   {{row.app.windowClass, row.userEntry}});
        AccessibilityService withKeys({workspace, bridge, keys, clipboard, clock, log},
                                      ApplicationKeys::withUserEntries(preferences, log));
        EXPECT_EQ(withKeys.replaceSelectedText("RESULT", "result", editorPid),
                  row.pastes ? ReplaceResult::replaced : ReplaceResult::clipboardOnly);
        EXPECT_EQ(clipboard.formats, (InMemoryClipboard::Formats{{"text/plain", "RESULT"}}));
        if (!row.pastes) {
            EXPECT_THAT(keys.events, IsEmpty());
        } else {
            ASSERT_FALSE(keys.events.empty());
            EXPECT_EQ(keys.events.front().what, "down paste");
        }
    }
}

TEST_F(AccessibilityServiceTest, PasteThatCannotBeMadePostsNothingAndSaysSo) {
    element->writeBehaviour = ScriptedElement::WriteBehaviour::refuse;
    keys.unavailable = {EditKey::paste};
    EXPECT_EQ(service.replaceSelectedText("x", std::nullopt, editorPid),
              ReplaceResult::clipboardOnly);
    EXPECT_THAT(keys.events, IsEmpty());
    // The panel put the text there while it had the keyboard; a second
    // write from the background would be refused on Wayland.
    EXPECT_THAT(clipboard.writes, IsEmpty());
}

TEST_F(AccessibilityServiceTest, DamagedWriteOfTheRightLengthIsTakenBack) {
    show("hello WORLD end", "WORLD");
    element->writeBehaviour = ScriptedElement::WriteBehaviour::appendGarbage;

    EXPECT_EQ(service.replaceSelectedText("earth", "WORLD", editorPid),
              ReplaceResult::clipboardOnly);
    EXPECT_EQ(element->text, "hello WORLD end");
}

TEST_F(AccessibilityServiceTest, CtrlZIsTheLastResortOnePerEditThenChecked) {
    show("a b c", "b");
    element->extraAfterWrite = 5;
    element->canTakeBack = element->canSetValue = false;
    // The target records the write as two undo steps.
    keys.onKeyUp = [this](EditKey key) {
        if (key == EditKey::undo)
            element->undoOneStep("a b c");
    };
    element->history = {"a  c"};

    EXPECT_EQ(service.replaceSelectedText("B", "b", editorPid), ReplaceResult::clipboardOnly);
    EXPECT_EQ(element->text, "a b c");
    const auto t = keys.events.front().at;
    EXPECT_THAT(keys.events,
                ElementsAre(Event{t, "down undo"}, Event{t + 30ms, "up undo"},
                            Event{t + 130ms, "down undo"}, Event{t + 160ms, "up undo"}));
    EXPECT_EQ(clock.now, t + 260ms);
}

TEST_F(AccessibilityServiceTest, NoCtrlZWhereItWouldDoHarm) {
    const std::pair<const char*, std::function<void(AccessibilityServiceTest&)>> rows[] = {
        {"terminal", [](auto& t) { t.element->terminal = true; }},
        {"Emacs, where Ctrl+Z iconifies the frame",
         [](auto& t) {
             t.workspace.frontmost = RunningApplication{editorPid, "emacs", "Emacs"};
         }},
        {"window cannot be activated",
         [](auto& t) { t.workspace.refusesActivation = {editorPid}; }},
    };
    for (const auto& [what, arrange] : rows) {
        SCOPED_TRACE(what);
        fresh();
        show("a b c", "b");
        element->extraAfterWrite = 5;
        element->canTakeBack = element->canSetValue = false;
        arrange(*this);
        EXPECT_EQ(service.replaceSelectedText("B", "b", editorPid), ReplaceResult::clipboardOnly);
        EXPECT_THAT(keys.events, IsEmpty());
    }
}

} // namespace
} // namespace scribeon
