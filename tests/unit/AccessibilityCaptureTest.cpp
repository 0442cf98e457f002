#include "TextDesk.h"
#include "tests/fakes/InMemoryPreferences.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;
using Event = FakeKeySynth::Event;
using Formats = InMemoryClipboard::Formats;
using testing::ElementsAre;
using testing::IsEmpty;

// The one test of the log's wording, which the desktop matrix and the
// benches read. The application asked is handed to the chooser; a capture
// that finds nobody in front forgets it.
TEST(AccessibilityCaptureTest, TwoCharactersAreReadWithoutTouchingTheClipboard) {
    TextDesk d;
    d.show("an ok text", "ok");
    FocusedText text(d.ports());
    AccessibilityCapture capture(text);
    EXPECT_EQ(capture.getSelectedText(), "ok");
    EXPECT_THAT(d.log.lines, ElementsAre("[Scribeon] AX read: app=mousepad pid=4242",
                                         "[Scribeon] capture: AX read OK (2 chars)"));
    EXPECT_TRUE(d.clipboard.writes.empty() && d.keys.events.empty());
    EXPECT_EQ(capture.lastSource(), d.workspace.frontmost);
    d.workspace.frontmost.reset();
    capture.getSelectedText();
    EXPECT_EQ(capture.lastSource(), std::nullopt);
}

// Characters are grapheme clusters, and accessibility placeholders (U+FEFF
// after Firefox's emoji) are no part of a capture.
TEST(AccessibilityCaptureTest, TheAccessibilityReadNeedsTwoCharactersOfCleanText) {
    const std::string bom = "\xEF\xBB\xBF", grin = "\xF0\x9F\x98\x80";
    const std::pair<std::string, std::string> rows[] = {
        {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", "xy"}, // 👍🏽: two code points, one character
        {"e\xCC\x81x", "e\xCC\x81x"},               // e + combining acute, x
        {"  ", "  "},                               // white space is the caller's business
        {"Hi " + grin + bom, "Hi " + grin},
        {bom + bom, "xy"}, // nothing the user could mean: Ctrl+C, whose copy is cleaned too
    };
    for (const auto& [selected, captured] : rows) {
        SCOPED_TRACE(selected);
        TextDesk d;
        d.show("<" + selected + ">", selected);
        d.copyYields("x" + bom + "y");
        EXPECT_EQ(d.capture(), captured);
    }
}

// The copy is read as soon as the target takes the clipboard, after 0.3 s at
// most as ever; an empty clipboard is then watched up to 1 s for a late copy.
// Every format the user had comes back, unless the copy was that same text.
TEST(AccessibilityCaptureTest, TheCopyIsReadWhenItLandsAndTheClipboardPutBack) {
    const Formats a{{"text/plain", "A"}}, italicA{{"text/plain", "A"}, {"text/html", "<i>A</i>"}};
    const Formats copiedA{{"text/plain", "A"}, {"text/html", "<b>A</b>"}};
    const Formats copiedB{{"text/plain", "B"}, {"text/html", "<b>B</b>"}};
    const Formats image{{"image/png", "\x89PNG"}};
    // What the clipboard held, the copy and when it lands, whether owner
    // changes are seen; what the clipboard holds after, when it was read.
    const std::tuple<const char*, Formats, std::optional<std::string>, std::chrono::milliseconds,
                     bool, Formats, std::chrono::milliseconds>
        rows[] = {
            {"the same text again", a, "A", 0ms, true, copiedA, 0ms},
            {"nothing", italicA, {}, 0ms, true, italicA, 1000ms},
            {"a different text", italicA, "B", 0ms, true, italicA, 0ms},
            {"nothing before", {}, "B", 0ms, true, copiedB, 0ms},
            {"an image before", image, "B", 0ms, true, image, 0ms},
            {"at 45 ms", a, "B", 45ms, true, a, 45ms},
            {"late, at 450 ms", a, "B", 450ms, true, a, 450ms},
            {"at 45 ms where owners are not seen", a, "B", 45ms, false, a, 300ms},
            {"nothing where owners are not seen", a, {}, 0ms, false, a, 1000ms},
        };
    for (const auto& [what, previous, copied, landsAfter, ownersSeen, after, readAt] : rows) {
        SCOPED_TRACE(what);
        TextDesk d;
        d.show("a b", "a");
        d.clipboard.formats = previous;
        d.clipboard.seesOwnerChanges = ownersSeen;
        d.copyYields(copied, landsAfter);
        EXPECT_EQ(d.capture(), copied);
        EXPECT_EQ(d.clock.now, readAt);
        EXPECT_EQ(d.clipboard.formats, after);
        EXPECT_THAT(d.keys.events, ElementsAre(Event{0us, "down copy", editorPid},
                                               Event{0us, "up copy", editorPid}));
    }
}

// A terminal never gets Ctrl+C, which interrupts its program, nor Emacs,
// where it is a prefix key: either is read only when it holds the primary
// selection, so text selected in a browser long ago never lands in a shell.
// Data-control never names the owner: only a terminal in front is then taken
// to hold it. Chromium's offsets are off by one per emoji: its own primary
// selection wins, except in toolkits whose offsets are exact. Our own window
// is never asked.
TEST(AccessibilityCaptureTest, ThePrimarySelectionIsTakenOnlyFromTheApplicationHoldingIt) {
    const auto in = [](RunningApplication app, bool roleTerminal = false,
                       bool namesOwner = true) -> Arrange {
        return [=](TextDesk& d) {
            d.workspace.frontmost = app;
            d.element->terminal = roleTerminal;
            if (roleTerminal) // a terminal whose selection AT-SPI can read
                d.show("$ ls", "ls");
            d.clipboard.namesOwner = namesOwner;
        };
    };
    // An element whose selection AT-SPI reads, in `app` if given.
    const auto readable = [](const char* text, const char* selected, const char* primary = "held",
                             std::optional<RunningApplication> app = {}) -> Arrange {
        return [=](TextDesk& d) {
            d.element->selectionStatus = BridgeStatus::success;
            d.show(text, selected);
            d.clipboard.primary = primary;
            d.workspace.frontmost = app ? app : d.workspace.frontmost;
        };
    };
    const auto offByOne = [&](const char* primary) {
        return readable("x off by one text", "off by one tex", primary);
    };
    const RunningApplication xterm{99, "xterm", "xterm"}, vte{editorPid, "vte-app", "vte-app"};
    const Arrange asIs = [](TextDesk&) {},
                  noElement = [](TextDesk&d) { d.bridge.elements.clear(); };
    const Arrange emacs = [](TextDesk& d) { d.emacsInFront(); };
    const std::optional<std::string> held = "held", copied = "copied", none;
    const std::optional<int> unnamed;
    const std::tuple<const char*, Arrange, std::optional<int>, std::optional<std::string>> rows[] =
        {
            {"xterm holding it", in(xterm), 99, held},
            {"role terminal", in(vte, true), editorPid, held},
            {"xterm, a browser holding it", in(xterm), 31337, none},
            {"xterm, no owner where owners are named", in(xterm), unnamed, none},
            {"unnamed owner, Konsole", in({99, "Konsole", ""}, false, false), unnamed, held},
            {"unnamed owner, role terminal", in({editorPid, "vte", ""}, true, false), unnamed,
             held},
            {"unnamed owner, an editor", in({editorPid, "mousepad", ""}, false, false), unnamed,
             copied},
            {"unnamed owner, Emacs", in({editorPid, "emacs", ""}, false, false), unnamed, none},
            {"Emacs holding it", emacs, editorPid, held},
            {"Emacs, another holding it", emacs, 31337, none},
            {"Emacs told to use the standard keys", [](TextDesk& d) { d.emacsInFront(true); },
             31337, copied},
            {"no focused element", noElement, editorPid, held},
            {"no focused element, another holding it", noElement, 31337, copied},
            {"an element without text", asIs, editorPid, held},
            {"an element with nothing selected", readable("text", ""), editorPid, copied},
            {"no frontmost application", [](TextDesk& d) { d.workspace.frontmost.reset(); }, 31337,
             copied},
            {"unnamed application, element without role",
             [](TextDesk& d) {
                 d.workspace.frontmost->name.clear();
                 d.element->roleName.reset();
             },
             31337, copied},
            {"readable, the application's primary differs", offByOne("held"), editorPid, held},
            {"readable, another's primary", offByOne("held"), 31337, "off by one tex"},
            {"readable, an empty primary", offByOne(""), editorPid, "off by one tex"},
            {"readable, a toolkit with exact offsets",
             both(offByOne("held"), [](TextDesk& d) { d.element->exactOffsets = true; }), editorPid,
             "off by one tex"},
            {"our own window",
             readable("Commands", "Commands", "held",
                      RunningApplication{editorPid, "Scribeon", "scribeon", true}),
             31337, none},
            {"no keystroke can be posted",
             [](TextDesk& d) {
                 d.keys.unavailable = {EditKey::copy, EditKey::paste};
             },
             31337, none},
        };
    for (const auto& [what, arrange, owner, captured] : rows) {
        SCOPED_TRACE(what);
        TextDesk d;
        d.element->selectionStatus = BridgeStatus::noText;
        d.clipboard.formats = {{"text/plain", "the user's"}};
        d.clipboard.primary = "held";
        d.clipboard.primaryOwnerPid = owner;
        d.copyYields("copied");
        arrange(d);
        EXPECT_EQ(d.capture(), captured);
        EXPECT_EQ(!d.keys.events.empty(), captured == copied);
        EXPECT_EQ(d.clipboard.formats, (Formats{{"text/plain", "the user's"}}));
        EXPECT_TRUE(captured == copied || d.clipboard.writes.empty());
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

// The bridge reports a missing element as `focusPending` while a live
// window takes the keyboard back: asked again every 5 ms up to 200 ms.
TEST(AccessibilityCaptureTest, AWindowTakingTheKeyboardBackIsGivenAMoment) {
    const std::tuple<const char*, int, bool, std::chrono::milliseconds> rows[] = {
        {"focus arrives after three polls", 3, false, 15ms},
        {"focus never arrives: forty polls, then Ctrl+C", 100, true, 200ms},
        {"no element, not pending: not waited for", 0, false, 0ms},
    };
    for (const auto& [what, unfocusedQueries, pending, waited] : rows) {
        SCOPED_TRACE(what);
        TextDesk d;
        d.show("hello world", "hello world");
        if (unfocusedQueries == 0)
            d.bridge.elements.clear();
        d.bridge.unfocusedQueries = unfocusedQueries;
        d.bridge.focusPending = pending;
        d.copyYields("hello world");
        EXPECT_EQ(d.capture(), "hello world");
        const bool readThroughAX = d.keys.events.empty();
        EXPECT_EQ(readThroughAX, unfocusedQueries == 3);
        EXPECT_EQ(readThroughAX ? d.clock.now : d.keys.events.front().at, waited);
    }
}

} // namespace
} // namespace scribeon
