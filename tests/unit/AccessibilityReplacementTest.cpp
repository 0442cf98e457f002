#include "TextDesk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;
using Event = FakeKeySynth::Event;
using Formats = InMemoryClipboard::Formats;
using WriteBehaviour = ScriptedElement::WriteBehaviour;
using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

using Events = std::vector<Event>;

// Whether the paste path read the selection again to check it.
bool readAgain(const TextDesk& d) {
    return testing::Value(d.log.lines, Contains(HasSubstr("AX read: app=")));
}

// The paste key, held 30 ms, as the last thing the replacement did.
Events pastedKeys(const TextDesk& d, const std::string& key, int pid) {
    return {{d.clock.now - 30ms, "down " + key, pid}, {d.clock.now, "up " + key, pid}};
}

// A write that fails its checks is taken back through the element; one the
// application only claimed goes to the paste path.
TEST(AccessibilityReplacementTest, AWriteStandsOnlyWhenItsChecksPass) {
    const auto shown = [](const char* text, const char* selected, Arrange more = {}) -> Arrange {
        return [=](TextDesk& d) {
            d.show(text, selected);
            if (more)
                more(d);
        };
    };
    const auto extra = [&](std::size_t count) {
        return shown("a b c", "b", [count](TextDesk& d) { d.element->extraAfterWrite = count; });
    };
    const auto unmeasured = [](const char* text, bool valueReadable) -> Arrange {
        return [=](TextDesk& d) {
            d.element->text = text;
            d.element->selection = std::pair{0u, 0u};
            d.element->selectionAfterWrite = std::pair{0u, 3u}; // reads back the new text
            d.element->valueReadable = d.element->valueReadableAfterWrite = valueReadable;
        };
    };
    const auto behaving = [&](const char* text, const char* selected, WriteBehaviour behaviour) {
        return shown(text, selected, [=](TextDesk& d) { d.element->writeBehaviour = behaviour; });
    };
    const Arrange offByOne = [](TextDesk& d) {
        d.show("x off by one text", "off by one tex");
        d.element->web = true;
        d.clipboard.primary = "it is really this";
        d.clipboard.primaryOwnerPid = editorPid;
    };
    // What became of the write: it stands, was taken back, was left to the
    // paste path, or nothing was written at all.
    enum Path { written, takenBack, pasted, untouched };
    const std::optional<std::string> absent;
    // The original and the new text; the path, and the text after it.
    const std::tuple<const char*, Arrange, std::optional<std::string>, const char*, Path,
                     const char*>
        rows[] = {
            {"verified, the original with white space around", shown("Say hi you", "hi"), " hi\t",
             "Hello", written, "Say Hello you"},
            {"two characters beyond its scope", extra(2), "b", "NEW", written, "a NEW cxx"},
            {"three beyond its scope", extra(3), "b", "NEW", takenBack, "a b c"},
            {"no value before", unmeasured("keep", false), absent, "NEW", takenBack, "keep"},
            {"an empty value before", unmeasured("", true), absent, "NEW", takenBack, ""},
            {"value unreadable after it",
             shown("one two", "two",
                   [](TextDesk& d) { d.element->valueReadableAfterWrite = false; }),
             "two", "2", written, "one 2"},
            {"selection unreadable before it",
             shown("one two", "two",
                   [](TextDesk& d) { d.element->selectionStatus = BridgeStatus::callFailed; }),
             "two", "2", written, "one 2"},
            {"damaged text of the right length",
             behaving("hello WORLD end", "WORLD", WriteBehaviour::appendGarbage), "WORLD", "earth",
             takenBack, "hello WORLD end"},
            {"the same text again",
             shown("keep same", "same",
                   [](TextDesk& d) { d.element->selectionAfterWrite = d.element->selection; }),
             "same", "same", written, "keep same"},
            {"faked", behaving("x old y", "old", WriteBehaviour::fake), "old", "new", pasted,
             "x old y"},
            {"refused, no original", behaving("x old y", "old", WriteBehaviour::refuse), absent,
             "new", pasted, "x old y"},
            {"an empty original against a selection", shown("a word", "word"), "", "W", pasted,
             "a word"},
            // Web content whose offsets are off: the check takes what the capture
            // took, the application's own primary selection.
            {"web content, the primary selection", offByOne, "it is really this", "new", pasted,
             "x off by one text"},
            {"the selection changed", shown("hello world", "world"), "  hello \n", "Hi", untouched,
             "hello world"},
        };
    for (const auto& [what, arrange, original, newText, path, textAfter] : rows) {
        SCOPED_TRACE(what);
        TextDesk d;
        arrange(d);
        EXPECT_EQ(d.replace(newText, original, editorPid), path == written || path == pasted
                                                               ? ReplaceResult::replaced
                                                               : ReplaceResult::clipboardOnly);
        EXPECT_EQ(d.element->text, textAfter);
        EXPECT_EQ(d.element->tookBack, path == takenBack);
        EXPECT_EQ(!d.clipboard.writes.empty(), path == pasted);
        EXPECT_EQ(d.keys.events, path == pasted ? pastedKeys(d, "paste", editorPid) : Events{});
        // Only a non-empty original is checked against the selection again.
        EXPECT_TRUE(path != pasted || readAgain(d) == !original.value_or("").empty());
    }
}

TEST(AccessibilityReplacementTest, ALostSelectionIsSearchedAndSelectedAgain) {
    // Locations are characters, the range handed to the element is bytes.
    using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;
    using Pauses = std::vector<std::chrono::microseconds>;
    const std::tuple<const char*, Ranges, Pauses> rows[] = {
        {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD hi there", {{12, 5}}, {50ms, 30ms}},
        {"something else", {}, {30ms}},
    };
    for (const auto& [text, ranges, pauses] : rows) {
        TextDesk d;
        d.show(text, "e");
        d.element->selection.reset();
        d.element->writeBehaviour = WriteBehaviour::refuse;
        EXPECT_EQ(d.replace("THERE", " there ", editorPid), ReplaceResult::replaced);
        EXPECT_EQ(d.element->rangesSet, ranges);
        EXPECT_EQ(d.clock.sleeps, pauses);
        EXPECT_EQ(d.keys.events.size(), 2u);
    }
}

// X11 delivers keys to the window with the keyboard. Where no paste key can
// be made the clipboard is not set again: a write from the background would
// be refused on Wayland (the panel set it while it had the keyboard).
TEST(AccessibilityReplacementTest, ThePasteGoesOnlyToTheSourceWindow) {
    const Arrange web = [](TextDesk& d) { d.element->web = true; };
    const Arrange refused = [](TextDesk& d) { d.element->writeBehaviour = WriteBehaviour::refuse; };
    const Arrange inactive = [](TextDesk& d) { d.workspace.refusesActivation = {55}; };
    const Arrange keyless = [](TextDesk& d) { d.keys.unavailable = {EditKey::paste}; };
    // The source pid; the windows activated, the key posted (nullptr:
    // nothing may be posted) and the path taken, as the log tells it.
    using Row = std::tuple<const char*, Arrange, std::optional<int>, std::vector<int>, const char*,
                           const char*>;
    const Arrange xterm = [](TextDesk& d) {
        d.workspace.frontmost = RunningApplication{99, "xterm", "XTerm"};
    };
    const std::optional<int> none;
    const std::vector<int> nowhere, to55{55};
    const Row rows[] = {
        {"web content", web, 55, to55, "paste", "posting global"},
        {"another window", refused, 55, to55, "paste", "postToPid(55)"},
        {"no source pid: the one in front at entry", refused, none, {4242}, "paste", "(4242)"},
        {"no source pid and nothing in front", [](TextDesk& d) { d.workspace.frontmost.reset(); },
         none, nowhere, nullptr, "not pasting"},
        {"a window that cannot be activated", both(refused, inactive), 55, to55, nullptr,
         "could not be activated"},
        {"web content whose window does not come back", both(web, inactive), 55, to55, nullptr,
         "is not in front"},
        {"a terminal: Shift+Insert, both selections set", xterm, 99, {99}, "terminalPaste", "(99)"},
        {"Emacs", [](TextDesk& d) { d.emacsInFront(); }, 55, nowhere, nullptr, "no paste key"},
        {"Emacs the user set up with CUA keys", [](TextDesk& d) { d.emacsInFront(true); }, 55, to55,
         "paste", "postToPid(55)"},
        {"no paste key can be made", both(refused, keyless), 55, nowhere, nullptr,
         "failed to create"},
    };
    for (const auto& [what, arrange, sourcePid, activations, key, path] : rows) {
        SCOPED_TRACE(what);
        TextDesk d;
        d.show("a b", "b");
        arrange(d);
        EXPECT_EQ(d.replace("pasted", std::nullopt, sourcePid),
                  key ? ReplaceResult::replaced : ReplaceResult::clipboardOnly);
        EXPECT_EQ(d.workspace.activations, activations);
        EXPECT_THAT(d.log.lines, Contains(HasSubstr(path)));
        EXPECT_EQ(d.element->text, "a b");
        const std::string posted = key ? key : "";
        const std::optional<std::string> text = "pasted", nothing;
        EXPECT_EQ(std::pair(d.clipboard.text(), d.clipboard.primary),
                  std::pair(d.keys.unavailable.contains(EditKey::paste) ? nothing : text,
                            posted == "terminalPaste" ? text : nothing));
        EXPECT_EQ(d.keys.events, key ? pastedKeys(d, posted, activations.back()) : Events{});
    }
}

// Ctrl+Z, one per undo step the write made, where the element can neither
// take back nor set back; never in a terminal, nor in Emacs (where it
// iconifies the frame), nor into a window that is not the source's.
TEST(AccessibilityReplacementTest, CtrlZIsTheLastResortOnePerEditWhereItDoesNoHarm) {
    const std::pair<const char*, Arrange> rows[] = {
        {"an editor", [](TextDesk&) {}},
        {"terminal", [](TextDesk& d) { d.element->terminal = true; }},
        {"Emacs", [](TextDesk& d) { d.workspace.frontmost->windowClass = "Emacs"; }},
        {"window cannot be activated",
         [](TextDesk& d) { d.workspace.refusesActivation = {editorPid}; }},
    };
    for (const auto& [what, arrange] : rows) {
        SCOPED_TRACE(what);
        TextDesk d;
        d.show("a b c", "b");
        d.element->extraAfterWrite = 5;
        d.element->canTakeBack = d.element->canSetValue = false;
        d.element->history = {"a  c"}; // the write is two undo steps in the target
        d.keys.onKeyUp = [&d](EditKey key) {
            if (key == EditKey::undo)
                d.element->undoOneStep("a b c");
        };
        arrange(d);
        EXPECT_EQ(d.replace("B", "b", editorPid), ReplaceResult::clipboardOnly);
        const bool undone = std::string(what) == "an editor";
        EXPECT_EQ(d.element->text, undone ? "a b c" : "a B cxxxxx");
        const auto t = d.clock.now - 260ms; // each Ctrl+Z held 30 ms, then 100 ms to apply
        EXPECT_EQ(d.keys.events, (undone ? Events{{t, "down undo", editorPid},
                                                  {t + 30ms, "up undo", editorPid},
                                                  {t + 130ms, "down undo", editorPid},
                                                  {t + 160ms, "up undo", editorPid}}
                                         : Events{}));
    }
}

} // namespace
} // namespace scribeon
